#include "tests/music_exactness/golden_values.h"

#include <cstring>

#include "music/mixer.h"
#include "music/output_config.h"
#include "music/pitch.h"
#include "music/sequencer_state.h"
#include "music/voice_update.h"

namespace {

struct Hash {
  uint64_t value = 14695981039346656037ull;
  void Add(uint64_t word) {
    for (int i = 0; i < 8; ++i, word >>= 8) value = (value ^ (word & 0xFF)) * 1099511628211ull;
  }
  void Add(double x) {
    uint64_t bits;
    memcpy(&bits, &x, sizeof bits);
    Add(bits);
  }
  void Add(float x) {
    uint32_t bits;
    memcpy(&bits, &x, sizeof bits);
    Add(uint64_t(bits));
  }
};

// A fixed pseudo-random sequence, the same in every build.
struct Sequence {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state >> 32);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }
};

uint64_t PowerFingerprint() {
  Hash h;
  for (int k = 0; k <= 40000; ++k) h.Add(Power(2.0, k * 0.001 - 20));
  const double bases[] = {0.3, 1.5, 3.0, 7.25, 1000.0};
  for (double x : bases)
    for (int k = -50; k <= 50; ++k) h.Add(Power(x, k * 0.173));
  return h.value;
}

uint64_t AmigaPeriodFingerprint() {
  Hash h;
  const int finetunes[] = {-128, -77, -1, 0, 1, 64, 127};
  for (int note = -1; note <= 300; ++note)
    for (int f : finetunes) h.Add(uint64_t(uint32_t(AmigaPeriod(note, f))));
  return h.value;
}

uint64_t LinearFrequencyFingerprint() {
  Hash h;
  for (int pitch = -20000; pitch <= 14000; ++pitch)
    h.Add(uint64_t(uint32_t(LinearFrequency(pitch))));
  return h.value;
}

uint64_t TempoFingerprint() {
  Hash h;
  const int32_t rates[] = {44100, 48000, 22050, 96000};
  for (int32_t rate : rates) {
    SetOutputRate(rate);
    Module module = {};
    for (int bpm = 0; bpm <= 1100; ++bpm) {
      SetTempo(&module, bpm);
      h.Add(uint64_t(uint32_t(module.framesPerTick)));
    }
  }
  SetOutputRate(DefaultOutputRate);
  return h.value;
}

uint64_t VolumeFingerprint() {
  Hash h;
  Module module = {};
  ResetVoices();
  ResetChannels(1);
  Channel* c = &Channels[0];
  const int32_t fades[] = {65536, 40000, 12345, 1};
  for (int32_t volume = 0; volume <= 64; ++volume)
    for (int32_t envelope = 0; envelope <= 64; envelope += 7)
      for (int32_t fade : fades)
        for (int32_t global = 0; global <= 64; global += 9) {
          c->volume = volume, c->volumeEnvelopeValue = envelope, c->fadeoutVolume = fade;
          module.globalVolume = global;
          c->updateFlags = UpdateVolume;
          UpdateVoice(c, nullptr, &module);
          h.Add(uint64_t(uint32_t(c->voice->volume)));
        }
  return h.value;
}

// 64 voices on eight looping and non-looping samples, with ramps and target changes between
// calls of varying lengths, and the result converted to 16 bits.
uint64_t MixFingerprint() {
  static int16_t data[8][2008];
  static Sample samples[8];
  Sequence random;
  for (int s = 0; s < 8; ++s) {
    for (int16_t& x : data[s]) x = int16_t(random.Next());
    Sample& sample = samples[s];
    sample.data = data[s];
    sample.length = 2000;
    sample.loopKind = s < 2 ? NoLoop : s < 5 ? ForwardLoop : PingPongLoop;
    sample.loopStart = sample.loopKind == NoLoop ? 0 : random.Below(1000);
    sample.loopLength = sample.loopKind == NoLoop ? 2000 : 1 + random.Below(1000);
    uint32_t end = sample.loopStart + sample.loopLength;
    data[s][end] = sample.loopKind == ForwardLoop   ? data[s][sample.loopStart]
                   : sample.loopKind == PingPongLoop ? data[s][end - 1]
                                                     : 0;
  }
  ResetVoices();
  for (Voice& v : Voices) {
    v.sample = &samples[random.Below(8)];
    v.direction = MoveForward;
    v.position = int32_t(random.Below(v.sample->loopStart + v.sample->loopLength));
    v.step = int32_t(random.Below(3));
    v.stepFraction = random.Next();
    v.volumeLeft = int32_t(random.Below(256));
    v.volumeRight = int32_t(random.Below(256));
  }
  Hash h;
  static float mix[2 * 2000];
  static int16_t pcm[2 * 2000];
  for (int call = 0; call < 60; ++call) {
    int32_t frames = int32_t(1 + random.Below(2000));
    memset(mix, 0, sizeof mix);
    MixVoices(mix, frames);
    ConvertBlock(pcm, mix, frames);
    for (int i = 0; i < 2 * frames; ++i) h.Add(mix[i]), h.Add(uint64_t(uint16_t(pcm[i])));
    for (Voice& v : Voices) {
      h.Add((uint64_t(uint32_t(v.position)) << 32) | v.positionFraction);
      h.Add(uint64_t(uint32_t(v.currentLeft)) << 32 | uint32_t(v.currentRight));
      if (random.Below(3) == 0) v.volumeLeft = int32_t(random.Below(256));
      if (random.Below(3) == 0) v.volumeRight = int32_t(random.Below(256));
    }
  }
  ResetVoices();
  return h.value;
}

}  // namespace

int CheckGoldenValues(GoldenValue* values) {
  // Taken from the native build; the Windows build must give the same.
  const GoldenValue computed[GoldenValueCount] = {
      {"Power", 0x7e97e5e1f411488dull, PowerFingerprint()},
      {"AmigaPeriod", 0x4a36749afe4398f3ull, AmigaPeriodFingerprint()},
      {"LinearFrequency", 0x035fcd4b54539f32ull, LinearFrequencyFingerprint()},
      {"SetTempo", 0x097585368e2f5d53ull, TempoFingerprint()},
      {"UpdateVoice volume", 0x44425ede6b2f80deull, VolumeFingerprint()},
      {"MixVoices and ConvertBlock", 0xf17172330b75a38dull, MixFingerprint()},
  };
  int mismatches = 0;
  for (int i = 0; i < GoldenValueCount; ++i) {
    values[i] = computed[i];
    if (values[i].expected != values[i].actual) ++mismatches;
  }
  return mismatches;
}
