// Cost of mixing one output block (884 frames, 20 ms at 44,100 frames per second) with 32 or
// 64 active looping voices. Real time needs 44,100 frames per second; 64 voices need 2.8
// million voice-frames per second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "music/mixer.h"
#include "music/module.h"
#include "music/output_config.h"

namespace {

const int32_t BlockFrames = 884;
const int SampleCount = 8;

struct Samples {
  std::vector<int16_t> data[SampleCount];
  Sample samples[SampleCount] = {};

  Samples() {
    std::mt19937 random(7);
    for (int s = 0; s < SampleCount; ++s) {
      uint32_t length = 4000 + 3000 * s;
      data[s].resize(length + SampleGuardSamples);
      for (uint32_t i = 0; i < length; ++i) data[s][i] = int16_t(random());
      Sample& sample = samples[s];
      sample.data = data[s].data();
      sample.length = length;
      sample.loopKind = s % 2 ? PingPongLoop : ForwardLoop;
      sample.loopStart = length / 4;
      sample.loopLength = length / 2;
      data[s][sample.loopStart + sample.loopLength] = data[s][sample.loopStart];
    }
  }
};

Samples& TestSamples() {
  static Samples samples;
  return samples;
}

// `count` voices playing looped samples at pitches from a few octaves down to one up.
void StartVoices(int count, int32_t left, int32_t right) {
  std::mt19937 random(11);
  SetOutputRate(DefaultOutputRate);  // ramps as long as the program's
  ResetVoices();
  for (int i = 0; i < count; ++i) {
    Voice& v = Voices[i];
    v.sample = &TestSamples().samples[i % SampleCount];
    v.direction = MoveForward;
    v.step = int32_t(random() % 2);
    v.stepFraction = uint32_t(random());
    v.volumeLeft = left, v.volumeRight = right;
    v.currentLeft = left * 256, v.currentRight = right * 256;  // no ramp pending
  }
}

void Report(benchmark::State& state, int voices) {
  int64_t frames = state.iterations() * BlockFrames;
  state.SetItemsProcessed(frames);
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
  state.counters["voice-frames/s"] =
      benchmark::Counter(double(frames) * voices, benchmark::Counter::kIsRate);
}

void MixLoopingVoices(benchmark::State& state) {
  int voices = int(state.range(0));
  StartVoices(voices, 100, 60);
  std::vector<float> block(2 * BlockFrames);
  for (auto _ : state) {
    MixVoices(block.data(), BlockFrames);
    benchmark::DoNotOptimize(block.data());
  }
  Report(state, voices);
}
BENCHMARK(MixLoopingVoices)->Arg(32)->Arg(64);

// Every block starts a new ramp on every voice: the worst case, as when all channels change
// volume on every tick.
void MixRampingVoices(benchmark::State& state) {
  int voices = int(state.range(0));
  StartVoices(voices, 100, 60);
  std::vector<float> block(2 * BlockFrames);
  int32_t target = 0;
  for (auto _ : state) {
    target = 128 - target;
    for (int i = 0; i < voices; ++i) Voices[i].volumeLeft = target;
    MixVoices(block.data(), BlockFrames);
    benchmark::DoNotOptimize(block.data());
  }
  Report(state, voices);
}
BENCHMARK(MixRampingVoices)->Arg(64);

// Voices at zero gain, such as notes that faded out on the second voice of their channel:
// only their positions move.
void MixSilentVoices(benchmark::State& state) {
  int voices = int(state.range(0));
  StartVoices(voices, 0, 0);
  std::vector<float> block(2 * BlockFrames);
  for (auto _ : state) {
    MixVoices(block.data(), BlockFrames);
    benchmark::DoNotOptimize(block.data());
  }
  Report(state, voices);
}
BENCHMARK(MixSilentVoices)->Arg(64);

void ConvertOneBlock(benchmark::State& state) {
  std::vector<float> block(2 * BlockFrames);
  std::mt19937 random(3);
  for (float& x : block) x = float(int32_t(random() % 80000) - 40000) + 0.25f;
  std::vector<int16_t> pcm(2 * BlockFrames);
  for (auto _ : state) {
    ConvertBlock(pcm.data(), block.data(), BlockFrames);
    benchmark::DoNotOptimize(pcm.data());
  }
  Report(state, 0);
}
BENCHMARK(ConvertOneBlock);

}  // namespace
