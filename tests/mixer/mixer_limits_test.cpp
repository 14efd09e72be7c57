// The mixer at the limits the format does not promise: turns that land exactly on a loop start,
// steps far beyond the loop or below 2^-24, a voice left moving backward before its loop,
// distances beyond 2^24 samples, sample records without data. Every case must stay inside the
// sample block (the sanitizer build checks that) and finish.
#include <gtest/gtest.h>

#include <random>

#include "music/quotient.h"
#include "tests/mixer/mixer_reference.h"
#include "tests/mixer/mixer_support.h"

namespace {

std::vector<int16_t> Noise(int count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<int16_t> values(count);
  for (int16_t& x : values) x = int16_t(random());
  return values;
}

// Mixes `v` through MixVoices and the reference, call after call, and compares everything.
void ExpectAsReference(Voice v, int calls, int32_t frames) {
  Voice reference = v;
  ResetVoices();
  Voices[0] = v;
  for (int call = 0; call < calls; ++call) {
    std::vector<float> expected(2 * frames, 0.0f), actual(2 * frames, 0.0f);
    ReferenceMix(&reference, 1, expected.data(), frames);
    MixVoices(actual.data(), frames);
    for (int i = 0; i < 2 * frames; ++i)
      ASSERT_EQ(Bits(expected[i]), Bits(actual[i])) << "call " << call << " value " << i;
    ASSERT_EQ(reference.position, Voices[0].position) << call;
    ASSERT_EQ(reference.positionFraction, Voices[0].positionFraction) << call;
    ASSERT_EQ(reference.direction, Voices[0].direction) << call;
    ASSERT_EQ(reference.sample, Voices[0].sample) << call;
  }
}

Voice Loud(Sample* s, int32_t step, uint32_t fraction) {
  Voice v = Triggered(s, step, fraction, 200, 100);
  v.currentLeft = 200 * 256, v.currentRight = 100 * 256;
  return v;
}

// Moving backward, an odd position or an odd step shifts the frame at which the loop start
// is reached by one, through the lowest bit that every frame clears.
TEST(MixerLimits, BackwardArrivalsThroughTheClearedLowestBit) {
  TestSample s(Noise(64, 1), PingPongLoop, 2, 40);
  const struct { int32_t position; uint32_t fraction, stepFraction; int32_t step; } cases[] = {
      {7, 1, 0, 1}, {7, 0, 1, 1}, {7, 1, 1, 1}, {9, 3, 0x80000000u, 0}, {9, 2, 0x80000001u, 0},
      {41, 0xFFFFFFFFu, 0, 13}, {12, 0, 0, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    Voice v = Loud(&s.sample, c.step, c.stepFraction);
    v.direction = MoveBackward, v.position = c.position, v.positionFraction = c.fraction;
    ExpectAsReference(v, 6, 37);
  }
}

TEST(MixerLimits, TurnExactlyAtALoopStartOf0StaysInsideTheSample) {
  TestSample s(Noise(32, 2), PingPongLoop, 0, 20);
  Voice v = Loud(&s.sample, 1, 0);
  v.direction = MoveBackward, v.position = 3;
  float out[8] = {};
  v = MixAlone(v, out, 4);  // reads 3, 2, 1, then turns at exactly 0 and reads 0
  EXPECT_EQ(v.direction, MoveForward);
  EXPECT_EQ(out[6], float(s.data[0]) * (200.0f / 255.0f));
  EXPECT_EQ(v.position, 1);
}

TEST(MixerLimits, VoiceBackwardBeforeItsLoopTurnsIntoIt) {
  TestSample s(Noise(300, 3), PingPongLoop, 100, 50);
  Voice v = Loud(&s.sample, 1, 0x1000);
  v.direction = MoveBackward, v.position = 0;  // what a rewind of a backward voice would leave
  ExpectAsReference(v, 5, 500);
  EXPECT_GE(Voices[0].position, 99);
  EXPECT_LE(Voices[0].position, 150);
}

TEST(MixerLimits, StepsFarBeyondTheLoopTurnEveryFrame) {
  for (uint8_t kind : {ForwardLoop, PingPongLoop}) {
    for (uint32_t loop : {1u, 2u, 3u, 7u}) {
      TestSample s(Noise(40, loop), kind, 20, loop);
      for (int32_t step : {2, 5, 29, 1000}) {
        SCOPED_TRACE(testing::Message() << int(kind) << " loop " << loop << " step " << step);
        ExpectAsReference(Loud(&s.sample, step, 0x2468ACE1u), 3, 300);
      }
    }
  }
}

TEST(MixerLimits, StepsBelow2ToTheMinus24MoveByTheirFractionOnly) {
  TestSample s(Noise(16, 4), NoLoop);
  for (uint32_t fraction : {0u, 1u, 2u, 3u, 255u}) {
    Voice v = Loud(&s.sample, 0, fraction);
    v.volumeLeft = 0;  // a ramp down on the way
    v = MixAlone(v, std::vector<float>(2 * 100000).data(), 100000);
    // Forward, the step with its lowest bit cleared per frame, and that bit once.
    EXPECT_EQ(v.positionFraction, 100000u * (fraction & ~1u) + (fraction & 1u)) << fraction;
    EXPECT_EQ(v.position, 0);
    EXPECT_EQ(v.sample, &s.sample);
  }
}

TEST(MixerLimits, SampleEndBeyond2To24SamplesIsStillMetExactly) {
  const uint32_t length = (1u << 24) + 100;
  TestSample s(std::vector<int16_t>(length, 7), NoLoop);
  Voice v = MixAlone(Loud(&s.sample, 4096, 0), std::vector<float>(2 * 5000).data(), 4096);
  EXPECT_EQ(v.position, int32_t(4096u * 4096u));
  std::vector<float> out(2 * 5000, 0.0f);
  v = MixAlone(v, out.data(), 5000);  // 100 samples left: one more frame, then the end
  EXPECT_EQ(v.sample, nullptr);
  EXPECT_NE(out[0], 0.0f);
  EXPECT_EQ(out[2], 0.0f);
}

TEST(MixerLimits, SampleWithoutDataStopsWithoutReading) {
  Sample broken = {};
  broken.length = broken.loopLength = 1000;
  broken.loopKind = ForwardLoop;
  float out[4] = {};
  EXPECT_EQ(MixAlone(Loud(&broken, 1, 0), out, 2).sample, nullptr);
  EXPECT_EQ(out[0], 0.0f);
}

// The frames to a boundary come from a division of doubles where the distance fits 62 bits;
// beyond 2^53 the doubles round the distance, and the remainder must mend the estimate, or a
// boundary would be met a frame early or late. Dividends next to exact multiples, on both
// sides of 2^53 and of 2^62, against the exact quotient.
TEST(MixerLimits, FramesToABoundaryAreTheExactQuotient) {
  __extension__ typedef unsigned __int128 Exact;
  const uint64_t divisors[] = {1, 3, 255, (1ull << 31) - 1, (1ull << 30) + 1, (1ull << 32) + 5,
                               (1ull << 40) + 7, (1ull << 50) - 3};
  const uint64_t quotients[] = {0, 1, 2, 1000, (1ull << 21) + 1, (1ull << 31) - 1,
                                (1ull << 32) - 2};
  const int64_t nudges[] = {-1, 0, 1};
  for (uint64_t d : divisors) {
    for (uint64_t q : quotients) {
      for (int64_t nudge : nudges) {
        Exact multiple = Exact(q) * d;
        if (nudge < 0 && multiple == 0) continue;
        Exact x = nudge < 0 ? multiple - 1 : multiple + Exact(nudge);
        EXPECT_EQ(Quotient(Wide(x), Wide(d)), uint64_t(x / d)) << uint64_t(x) << " / " << d;
      }
    }
  }
  // Divisors beyond 2^53 round too, and with them the estimate can fall one short.
  const uint64_t roundedBoth[][2] = {{3131124559575240836u, 164796029451328465u},
                                     {4150927583648874580u, 415092758364887458u},
                                     {(1ull << 62) - 1, (1ull << 61) + 1}};
  for (const auto& pair : roundedBoth) {
    EXPECT_EQ(Quotient(Wide(pair[0]), Wide(pair[1])), pair[0] / pair[1]) << pair[0];
  }
}

}  // namespace
