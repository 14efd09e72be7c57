// Envelopes and auto-vibrato, tick by tick.
#include <gtest/gtest.h>

#include <vector>

#include "music/auto_vibrato.h"
#include "music/envelopes.h"
#include "music/sequencer_state.h"

namespace {

// Points (0,64) (10,32) (20,48) (30,0) (40,16).
Instrument FivePoints(uint8_t flags, uint8_t sustain, uint8_t loopStart, uint8_t loopEnd) {
  Instrument in = {};
  const EnvelopePoint points[] = {{0, 64}, {10, 32}, {20, 48}, {30, 0}, {40, 16}};
  for (int i = 0; i < 5; ++i) in.volumeEnvelope[i] = points[i];
  in.volumePointCount = 5;
  in.volumeEnvelopeFlags = uint8_t(EnvelopeOn | flags);
  in.volumeSustainPoint = sustain, in.volumeLoopStart = loopStart, in.volumeLoopEnd = loopEnd;
  return in;
}

Channel FreshChannel() {
  Channel c = {};
  Sample s = {};
  ResetChannelInstrument(&c, &s);
  c.updateFlags = 0;
  return c;
}

// Values over `ticks` steps, stopping (like the callers) once the envelope is done.
std::vector<int> Steps(Channel& c, const Instrument& in, int ticks) {
  std::vector<int> values;
  for (int t = 0; t < ticks && !c.volumeEnvelopeDone; ++t) {
    StepVolumeEnvelope(&c, &in);
    values.push_back(c.volumeEnvelopeValue);
  }
  return values;
}

TEST(Envelope, SlopesTruncateTowardZeroAndTheLastPointEndsIt) {
  Instrument in = FivePoints(0, 0, 0, 0);
  Channel c = FreshChannel();
  std::vector<int> v = Steps(c, in, 100);
  EXPECT_EQ(c.volumeEnvelopeSlope, 104857);  // (16 - 0) * 65536 / 10 toward the last point
  ASSERT_EQ(v.size(), 41u);
  EXPECT_EQ(v[0], 64);
  EXPECT_EQ(v[1], 60);   // 64 - 3.2 rounded down
  EXPECT_EQ(v[10], 32);  // point 1
  EXPECT_EQ(v[40], 16);
  EXPECT_EQ(c.volumeEnvelopeDone, 1);
  EXPECT_EQ(c.updateFlags, UpdateVolume);
  c.updateFlags = 0;
  StepPanningEnvelope(&c, &in);
  EXPECT_EQ(c.updateFlags, UpdatePanning);
}

TEST(Envelope, SustainHoldsUntilKeyOffThenMovesOnFromTheNextTick) {
  Instrument in = FivePoints(EnvelopeSustain, 1, 0, 0);
  Channel c = FreshChannel();
  std::vector<int> v = Steps(c, in, 30);
  EXPECT_EQ(v[10], 32);
  EXPECT_EQ(v[29], 32);
  EXPECT_EQ(c.volumeEnvelopeTick, 10);
  c.keyOff = 1;
  v = Steps(c, in, 2);
  EXPECT_EQ(v[0], 32);  // the key-off tick sets up the segment towards point 2
  EXPECT_EQ(v[1], 33);
}

TEST(Envelope, LoopCyclesForeverAndPassesOverASustainAtItsEnd) {
  Instrument in = FivePoints(EnvelopeLoop | EnvelopeSustain, 3, 1, 3);
  Channel c = FreshChannel();
  std::vector<int> v = Steps(c, in, 200);
  c.keyOff = 1;
  std::vector<int> after = Steps(c, in, 200);
  EXPECT_EQ(c.volumeEnvelopeDone, 0);
  for (int t = 50; t < 200; ++t) EXPECT_EQ(v[t], v[t - 20]) << t;  // period 20 ticks
  for (int t = 0; t < 200; ++t) EXPECT_EQ(after[t], v[(t + 200 - 30) % 20 + 30]) << t;
}

TEST(Envelope, PointCountsAndLoopsBeyondTheTwelvePointsReadNothingOutside) {
  Instrument in = FivePoints(EnvelopeLoop, 0, 200, 4);
  in.volumePointCount = 255;
  for (int i = 5; i < EnvelopePoints; ++i) in.volumeEnvelope[i] = {uint16_t(40 + i), 8};
  Channel c = FreshChannel();
  std::vector<int> v = Steps(c, in, 1000);
  EXPECT_EQ(c.volumeEnvelopeDone, 1);
  EXPECT_EQ(c.volumeEnvelopePoint, EnvelopePoints - 1);
  EXPECT_EQ(v.back(), 8);
}

int AutoVibratoOffset(uint8_t type, int32_t phase, uint8_t depth = 64) {
  Instrument in = {};
  in.vibratoType = type, in.vibratoDepth = depth;
  Channel c = {};
  c.autoVibratoPosition = phase;
  ApplyAutoVibrato(&c, &in);
  EXPECT_EQ(c.updateFlags, UpdateFrequency);
  return c.periodDelta;
}

TEST(AutoVibrato, WaveformsAtTheirTurningPoints) {
  const struct { uint8_t type; int32_t phase; int value; } cases[] = {
      {0, 0, 0},    {0, 32, 45},   {0, 64, 64},    {0, 192, -64},  {0, 200, -63},
      {1, 127, 64}, {1, 128, -64}, {2, 0, 0},      {2, 1, -1},     {2, 127, -64},
      {2, 128, 64}, {2, 255, 0},   {3, 1, 0},      {3, 127, 63},   {3, 128, 64},
      {3, 129, -64}, {3, 255, -1}, {7, 64, 64}};
  for (const auto& k : cases)
    EXPECT_EQ(AutoVibratoOffset(k.type, k.phase), k.value) << int(k.type) << " " << k.phase;
  EXPECT_EQ(AutoVibratoOffset(2, 1, 1), -1);  // -1/64 rounds down
}

TEST(AutoVibrato, SweepFadesInOverItsTicksAndThePhaseWraps) {
  Instrument in = {};
  in.vibratoType = 1, in.vibratoDepth = 8, in.vibratoSweep = 4, in.vibratoRate = 200;
  Channel c = {};
  const int expected[] = {0, 2, 4, 6, 8, 8};
  for (int tick = 0; tick < 6; ++tick) {
    c.periodDelta = 0;
    c.autoVibratoPosition = 0;
    ApplyAutoVibrato(&c, &in);
    EXPECT_EQ(c.periodDelta, expected[tick]) << tick;
  }
  EXPECT_EQ(c.autoVibratoSweepTicks, 4);
  c.autoVibratoPosition = 100;
  ApplyAutoVibrato(&c, &in);
  EXPECT_EQ(c.autoVibratoPosition, 44);
}

}  // namespace
