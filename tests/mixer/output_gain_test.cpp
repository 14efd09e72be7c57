// The loudness the sound device is given: the fade-in at the start, and the ramps when the music
// is turned off and on. The mix itself must come through untouched at full loudness.
#include "music/output_gain.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

std::vector<int16_t> Loud(int32_t frames) {
  std::vector<int16_t> samples(2 * frames);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(i % 2 ? -30000 : 30000);
  return samples;
}

TEST(OutputGain, FadeInRisesFromSilenceFrameByFrameThenLeavesTheMixExact) {
  OutputGain gain;
  StartFadeIn(&gain, 100);
  std::vector<int16_t> samples = Loud(300);
  ApplyOutputGain(&gain, samples.data(), 300);
  EXPECT_EQ(samples[0], 0);
  EXPECT_EQ(samples[1], 0);
  for (int f = 1; f < 100; ++f) {
    ASSERT_GT(samples[2 * f], samples[2 * f - 2]) << f;
    ASSERT_EQ(samples[2 * f], -samples[2 * f + 1]) << f;
  }
  for (int f = 100; f < 300; ++f) ASSERT_EQ(samples[2 * f], 30000) << f;
  EXPECT_EQ(gain.gain, 1.0f);
  // A later block at full loudness is left exactly as mixed, odd values included.
  std::vector<int16_t> mixed = {-32768, 32767, 1, -1, 12345, -7};
  std::vector<int16_t> heard = mixed;
  ApplyOutputGain(&gain, heard.data(), 3);
  EXPECT_EQ(heard, mixed);
}

// Off: a short ramp down, then exact zeros for as long as it stays off; on: a ramp back up.
// A switch in the middle of a ramp goes on from where it stands, never jumping.
TEST(OutputGain, OffRampsToExactSilenceAndOnRampsBackWithoutAJump) {
  OutputGain gain;
  StartFadeIn(&gain, 1);
  ApplyOutputGain(&gain, Loud(1).data(), 1);
  const struct {
    bool on;
    int32_t frames;
    int16_t last;
  } steps[] = {{false, 150, 0}, {true, 30, 8700}, {false, 200, 0}, {true, 200, 30000}};
  for (const auto& step : steps) {
    RampOutputGain(&gain, step.on, 100);
    std::vector<int16_t> samples = Loud(step.frames);
    int16_t before = int16_t(30000 * gain.gain);
    ApplyOutputGain(&gain, samples.data(), step.frames);
    EXPECT_LE(std::abs(samples[0] - before), 301) << "a jump when switched " << (step.on ? "on" : "off");
    for (int32_t f = 1; f < step.frames; ++f) ASSERT_LE(std::abs(samples[2 * f] - samples[2 * f - 2]), 301) << f;
    EXPECT_NEAR(samples[2 * (step.frames - 1)], step.last, 2);
  }
}

}  // namespace
