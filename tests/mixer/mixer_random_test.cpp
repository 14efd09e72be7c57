// The mixer against the frame-by-frame reference over random voices: loop kinds and lengths,
// positions, directions, steps from below 2^-24 to many times the loop, ramps in progress,
// target changes between calls and calls of every length. Output and voices must agree to
// the bit.
#include <gtest/gtest.h>

#include <random>

#include "tests/mixer/mixer_reference.h"
#include "tests/mixer/mixer_support.h"

namespace {

struct Scenario {
  std::vector<std::unique_ptr<TestSample>> samples;
  Voice voices[VoiceCount] = {};
};

class RandomVoices {
 public:
  explicit RandomVoices(uint64_t seed) : random_(seed) {}

  uint32_t Below(uint64_t n) { return uint32_t(random_() % n); }
  bool OneIn(int n) { return Below(n) == 0; }

  void Fill(Scenario& scenario) {
    for (int i = 0; i < VoiceCount; ++i) {
      if (OneIn(5)) continue;
      scenario.samples.push_back(MakeSample());
      scenario.voices[i] = MakeVoice(&scenario.samples.back()->sample, i);
    }
  }

  void ChangeTargets(Voice& v) {
    if (OneIn(3)) v.volumeLeft = int32_t(Below(260));
    if (OneIn(3)) v.volumeRight = OneIn(4) ? 0 : int32_t(Below(260));
  }

 private:
  std::unique_ptr<TestSample> MakeSample() {
    uint32_t length = OneIn(4) ? 1 + Below(8) : 1 + Below(3000);
    std::vector<int16_t> values(length);
    for (int16_t& x : values) x = int16_t(random_());
    const uint8_t kinds[] = {NoLoop, ForwardLoop, PingPongLoop};
    uint8_t kind = kinds[Below(3)];
    uint32_t start = OneIn(3) ? 0 : Below(length);
    uint32_t loop = 1 + Below(length - start);
    return std::make_unique<TestSample>(values, kind, start, loop);
  }

  void SetStep(Voice& v, uint32_t loop) {
    v.stepFraction = uint32_t(random_());
    switch (Below(5)) {
      case 0: v.step = 0; break;
      case 1: v.step = int32_t(1 + Below(12)); break;
      case 2: v.step = 1, v.stepFraction = 0; break;
      case 3: v.step = 0, v.stepFraction = Below(600); break;  // around and below 2^-24
      default: v.step = int32_t(Below(3 * uint64_t(loop) + 2)); break;
    }
  }

  Voice MakeVoice(Sample* s, int index) {
    Voice v = {};
    v.index = index;
    v.sample = s;
    uint32_t end = s->loopStart + s->loopLength;
    SetStep(v, s->loopLength);
    v.direction = MoveForward;
    v.position = int32_t(Below(end));
    v.positionFraction = uint32_t(random_());
    if (s->loopKind == PingPongLoop && OneIn(2)) {
      v.direction = MoveBackward;
      v.position = int32_t(s->loopStart + Below(s->loopLength));
      if (v.positionFraction == 0) v.positionFraction = 1;
    }
    v.volumeLeft = int32_t(Below(300));
    v.volumeRight = OneIn(5) ? 0 : int32_t(Below(300));
    if (OneIn(6)) v.volumeLeft = v.volumeRight = 0;
    v.currentLeft = OneIn(2) ? v.volumeLeft * 256 : int32_t(Below(300 * 256));
    v.currentRight = OneIn(2) ? v.volumeRight * 256 : int32_t(Below(300 * 256));
    if (OneIn(2)) {  // a ramp in progress
      v.rampFramesLeft = int32_t(1 + Below(128));
      v.rampTargetLeft = OneIn(2) ? v.volumeLeft : int32_t(Below(300));
      v.rampTargetRight = v.volumeRight;
      v.rampStepLeft = float(int32_t(Below(2001)) - 1000) / 100000.0f;
      v.rampStepRight = float(int32_t(Below(2001)) - 1000) / 100000.0f;
    }
    return v;
  }

  std::mt19937_64 random_;
};

void ExpectSameVoice(const Voice& a, const Voice& b, int index) {
  SCOPED_TRACE(index);
  EXPECT_EQ(a.sample, b.sample);
  EXPECT_EQ(a.position, b.position);
  EXPECT_EQ(a.positionFraction, b.positionFraction);
  EXPECT_EQ(a.direction, b.direction);
  EXPECT_EQ(a.rampTargetLeft, b.rampTargetLeft);
  EXPECT_EQ(a.rampTargetRight, b.rampTargetRight);
  EXPECT_EQ(a.currentLeft, b.currentLeft);
  EXPECT_EQ(a.currentRight, b.currentRight);
  EXPECT_EQ(Bits(a.rampStepLeft), Bits(b.rampStepLeft));
  EXPECT_EQ(Bits(a.rampStepRight), Bits(b.rampStepRight));
  EXPECT_EQ(a.rampFramesLeft, b.rampFramesLeft);
}

TEST(MixerRandom, AgreesWithTheFrameByFrameReference) {
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    RandomVoices random(seed);
    Scenario scenario;
    random.Fill(scenario);
    Voice* reference = scenario.voices;
    ResetVoices();
    for (int i = 0; i < VoiceCount; ++i) Voices[i] = reference[i];
    for (int call = 0; call < 12; ++call) {
      int32_t frames = random.OneIn(4) ? 1 + random.Below(3) : 1 + random.Below(1200);
      // Half the calls start a frame past a 16-byte boundary, as a tick inside a block can.
      int32_t skew = random.OneIn(2) ? 2 : 0;
      std::vector<float> expected(2 * frames, 0.0f), actual(2 * frames + 2, 0.0f);
      ReferenceMix(reference, VoiceCount, expected.data(), frames);
      MixVoices(actual.data() + skew, frames);
      for (int i = 0; i < 2 * frames; ++i)
        ASSERT_EQ(Bits(expected[i]), Bits(actual[skew + i])) << "call " << call << " value " << i;
      for (int i = 0; i < VoiceCount; ++i) {
        ExpectSameVoice(reference[i], Voices[i], i);
        random.ChangeTargets(reference[i]);
        Voices[i].volumeLeft = reference[i].volumeLeft;
        Voices[i].volumeRight = reference[i].volumeRight;
      }
      if (HasFailure()) return;
    }
  }
}

}  // namespace
