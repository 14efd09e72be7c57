// The mixer's fixed cases: ramps, loop turns and sample ends at the exact frame, the pairwise
// path against single frames, what silent voices still do, and the conversion to 16 bits.
#include <gtest/gtest.h>

#include <cmath>

#include "music/output_config.h"
#include "tests/mixer/mixer_support.h"

namespace {

const uint32_t Half = 0x80000000u;

TEST(MixerRamp, RisesFromSilenceInExactly128FramesOnOneSideThenHolds) {
  TestSample s(std::vector<int16_t>(400, 1000), ForwardLoop, 0, 400);
  std::vector<float> out(2 * 300, 0.0f);
  Voice v = MixAlone(Triggered(&s.sample, 1, 0, 255, 0), out.data(), 300);
  EXPECT_EQ(v.currentLeft, 255 * 256);
  EXPECT_EQ(v.currentRight, 0);
  EXPECT_EQ(v.rampFramesLeft, 0);
  EXPECT_EQ(v.rampStepLeft, 0.0f);
  EXPECT_EQ(out[0], 0.0f);                        // first frame at gain 0
  EXPECT_GT(out[2 * 127], out[2 * 126]);          // still rising in frame 127
  EXPECT_LT(out[2 * 127], 1000.0f);
  for (int f = 128; f < 300; ++f) {
    EXPECT_EQ(out[2 * f], 1000.0f) << f;          // unity from frame 128 on
    EXPECT_EQ(out[2 * f + 1], 0.0f) << f;
  }
}

TEST(MixerRamp, TargetChangeRampsFromTheGainAppliedNow) {
  TestSample s(std::vector<int16_t>(64, 256), ForwardLoop, 0, 64);
  std::vector<float> out(2 * 200, 0.0f);
  Voice v = Triggered(&s.sample, 1, 0, 128, 128);
  v.currentLeft = v.currentRight = 128 * 256;  // steady at 128
  v = MixAlone(v, out.data(), 10);
  EXPECT_EQ(v.rampFramesLeft, 0);
  v.volumeLeft = 0;  // a new target mid-note
  v = MixAlone(v, out.data(), 64);
  EXPECT_EQ(v.rampFramesLeft, 64);
  EXPECT_EQ(v.currentRight, 128 * 256);
  EXPECT_NEAR(v.currentLeft, 64 * 256, 2);     // halfway down
  v = MixAlone(v, out.data(), 64);
  EXPECT_EQ(v.currentLeft, 0);
  EXPECT_EQ(v.rampFramesLeft, 0);
}

TEST(MixerLoops, ForwardLoopWrapsAfterTheFrameThatReadsItsLastIndex) {
  TestSample s(Ramp(200), ForwardLoop, 100, 50);
  std::vector<float> out(2 * 160, 0.0f);
  Voice v = Triggered(&s.sample, 1, 0, 255, 255);
  v.currentLeft = v.currentRight = 255 * 256;
  v = MixAlone(v, out.data(), 150);
  EXPECT_EQ(out[2 * 149], 149.0f);
  EXPECT_EQ(v.position, 100);
  v = MixAlone(v, out.data() + 300, 1);
  EXPECT_EQ(out[300], 100.0f);
}

TEST(MixerLoops, PingPongTurnsAtTheEndLessOneUnitAndComesBack) {
  TestSample s(Ramp(200, 0, 10), PingPongLoop, 100, 50);
  std::vector<float> out(2 * 4, 0.0f);
  Voice v = Triggered(&s.sample, 1, 0, 255, 255);
  v.currentLeft = v.currentRight = 255 * 256;
  v.position = 148;
  v = MixAlone(v, out.data(), 4);
  EXPECT_EQ(out[0], 1480.0f);
  EXPECT_EQ(out[2], 1490.0f);
  // 150 - 2^-32: index 149, weight 1 after rounding to single precision, towards the guard.
  EXPECT_EQ(out[4], 1490.0f);
  EXPECT_EQ(out[6], 1490.0f);  // 148 + (1 - 2^-31), weight 1 again
  EXPECT_EQ(v.direction, MoveBackward);
  EXPECT_EQ(v.position, 147);
  EXPECT_EQ(v.positionFraction, 0xFFFFFFFEu);
}

TEST(MixerLoops, NonLoopingSampleEndsAtItsLastFrameAndStopsTheVoice) {
  TestSample s(Ramp(10, 1), NoLoop);
  std::vector<float> out(2 * 16, 0.0f);
  Voice v = Triggered(&s.sample, 1, 0, 255, 255);
  v.currentLeft = v.currentRight = 255 * 256;
  v = MixAlone(v, out.data(), 16);
  for (int f = 0; f < 10; ++f) EXPECT_EQ(out[2 * f], float(f + 1));
  for (int f = 10; f < 16; ++f) EXPECT_EQ(out[2 * f], 0.0f);
  EXPECT_EQ(v.sample, nullptr);
  EXPECT_EQ(v.position, 0);
  EXPECT_EQ(v.positionFraction, 0u);
}

TEST(MixerLoops, EmptySampleStopsAtOnceAndAddsNothing) {
  float out[8] = {};
  Voice v = MixAlone(Triggered(&EmptySample, 0, 814485521, 128, 128), out, 4);
  EXPECT_EQ(v.sample, nullptr);
  for (float x : out) EXPECT_EQ(x, 0.0f);
}

// Steps with an odd fraction make the cleared lowest bit matter; 3 frames per call leave an
// odd frame after each pair.
TEST(MixerPaths, SingleFramesGiveTheBitsOfOneLongSpan) {
  TestSample s(Ramp(300, -3000, 23), PingPongLoop, 37, 211);
  Voice v = Triggered(&s.sample, 0, 0x9E3779B9u, 200, 77);
  v.currentLeft = 200 * 256, v.currentRight = 77 * 256;
  std::vector<float> whole(2 * 999, 0.5f), single(2 * 999, 0.5f);
  Voice a = MixAlone(v, whole.data(), 999);
  Voice b = v;
  for (int f = 0; f < 999; f += 3) b = MixAlone(b, single.data() + 2 * f, 3);
  for (int i = 0; i < 2 * 999; ++i) ASSERT_EQ(Bits(whole[i]), Bits(single[i])) << i;
  EXPECT_EQ(a.position, b.position);
  EXPECT_EQ(a.positionFraction, b.positionFraction);
  EXPECT_EQ(a.direction, b.direction);
}

TEST(MixerPaths, SilentVoicesMoveOnExactlyAsIfMixed) {
  TestSample s(Ramp(5000), ForwardLoop, 1000, 3001);
  Voice loud = Triggered(&s.sample, 2, 0x12345679u, 1, 0);
  loud.currentLeft = 256;
  Voice quiet = loud;
  quiet.volumeLeft = quiet.currentLeft = 0;
  std::vector<float> out(2 * 4410, 0.0f);
  for (int call = 0; call < 10; ++call) {
    loud = MixAlone(loud, out.data(), 4410);
    std::vector<float> silent(2 * 4410, 0.0f);
    quiet = MixAlone(quiet, silent.data(), 4410);
    for (float x : silent) ASSERT_EQ(x, 0.0f);
    ASSERT_EQ(quiet.position, loud.position);
    ASSERT_EQ(quiet.positionFraction, loud.positionFraction);
  }
}

}  // namespace

namespace {

TEST(ConvertBlock, RoundsHalvesToEvenThenClamps) {
  const float in[] = {32767.5f, -40000.0f, 2.5f,  3.5f,        -2.5f, -32768.5f, 1e30f,     NAN,
                      -0.5f,    0.49999997f, 1.5f, -1.5f, -1e30f, -INFINITY, INFINITY, 40000.0f};
  const int16_t expected[] = {32767, -32768, 2, 4, -2, -32768, 32767, 0,
                              0, 0, 2, -2, -32768, -32768, 32767, 32767};
  int16_t out[16];
  ConvertBlock(out, in, 8);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], expected[i]) << in[i];
}

TEST(ConvertBlock, DoesNothingWithoutFramesOrBuffers) {
  const float in[2] = {5.0f, 6.0f};
  int16_t out[2] = {-1, -1};
  ConvertBlock(out, in, 0);
  ConvertBlock(out, in, -3);
  ConvertBlock(nullptr, in, 1);
  ConvertBlock(out, nullptr, 1);
  EXPECT_EQ(out[0], -1);
  EXPECT_EQ(out[1], -1);
}

}  // namespace
