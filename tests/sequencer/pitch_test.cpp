// Note to period and period to frequency: the reference values, the single-precision
// constants that decide them, and the margin that makes them independent of the last bit of
// the power function.
#include <gtest/gtest.h>

#include <cmath>

#include "music/module.h"
#include "music/pitch.h"

namespace {

// Powers of 2 are exact to a few units in the last place; for other bases the rounding of
// y * log2 x counts as well.
TEST(Power, AgreesWithLongDouble) {
  for (double y = -40.0; y <= 40.0; y += 0.0137) {
    long double exact = std::exp2l(y);
    EXPECT_NEAR(double(Power(2.0, y) / exact), 1.0, 4e-16) << y;
  }
  for (double x : {0.1, 0.75, 3.0, 10.0, 1e-300, 1e300}) {
    long double exact = std::pow((long double)x, 0.37L);
    EXPECT_NEAR(double(Power(x, 0.37) / exact), 1.0, 1e-15 * (1 + std::fabs(std::log2(x)))) << x;
  }
  EXPECT_EQ(Power(2.0, 10.0), 1024.0);
  EXPECT_EQ(Power(2.0, -1074.0), 4.9406564584124654e-324);
  EXPECT_EQ(Power(2.0, 1e9), INFINITY);
  EXPECT_EQ(Power(2.0, -1e9), 0.0);
  EXPECT_EQ(Power(0.0, 2.0), 0.0);
  EXPECT_EQ(Power(-8.0, 1.0 / 3), 0.0);
}

TEST(AmigaPeriod, ReferenceNotesAndFinetunes) {
  EXPECT_EQ(AmigaPeriod(48, 0), 1712);
  EXPECT_EQ(AmigaPeriod(0, 0), 27392);
  EXPECT_EQ(AmigaPeriod(2, 0), 24404);  // 24403 with an exact twelfth
  EXPECT_EQ(AmigaPeriod(48, -128), AmigaPeriod(47, 0));
  int up = AmigaPeriod(48, 127);
  EXPECT_LT(up, 1712);
  EXPECT_GT(up, AmigaPeriod(49, 0));
  EXPECT_EQ(AmigaPeriod(0, -64), 27392 + (27392 - AmigaPeriod(1, 0)) * 64 / 128);
}

TEST(AmigaPeriod, ExtremeNotesSaturateInsteadOfOverflowing) {
  EXPECT_EQ(AmigaPeriod(-1000000, 0), INT32_MAX);
  EXPECT_EQ(AmigaPeriod(INT32_MIN, -5), INT32_MAX);
  EXPECT_EQ(AmigaPeriod(INT32_MAX, 127), 0);
  EXPECT_EQ(AmigaPeriod(188, 0), 1);
  EXPECT_EQ(AmigaPeriod(255, 0), 0);  // a wrapped note: the voice update then keeps its pitch
}

TEST(PeriodOfNote, LinearTableAndFinetuneTruncation) {
  Module linear = {};
  linear.flags = LinearFrequencyTable;
  EXPECT_EQ(PeriodOfNote(&linear, 0, 0), 7680);
  EXPECT_EQ(PeriodOfNote(&linear, 48, 0), 4608);
  EXPECT_EQ(PeriodOfNote(&linear, 0, -1), 7680);
  EXPECT_EQ(PeriodOfNote(&linear, 0, -2), 7681);
  EXPECT_EQ(PeriodOfNote(&linear, 0, 127), 7617);
  Module amiga = {};
  EXPECT_EQ(PeriodOfNote(&amiga, 48, 0), 1712);
}

TEST(Frequency, ReferencePeriods) {
  EXPECT_EQ(LinearFrequency(4608 - 4608), 8363);
  EXPECT_EQ(LinearFrequency(4608 - 7680), 523);
  EXPECT_EQ(LinearFrequency(4608 - 56), 508853);
  // One octave below 4608 is 4181.4999 with the single-precision 1/768; 4181.5 exactly would
  // round to 4182.
  EXPECT_EQ(LinearFrequency(-768), 4181);
  EXPECT_EQ(AmigaFrequency(1712), 8362);
  EXPECT_EQ(AmigaFrequency(-1712), -8362);
  EXPECT_EQ(AmigaFrequency(1), 14317056);
}

TEST(Frequency, ExtremePitchesSaturate) {
  EXPECT_EQ(LinearFrequency(int64_t(1) << 40), INT32_MAX);
  EXPECT_EQ(LinearFrequency(20000), INT32_MAX);
  EXPECT_EQ(LinearFrequency(-(int64_t(1) << 40)), 0);
  EXPECT_EQ(AmigaFrequency(int64_t(1) << 40), 0);
}

// Each rounded result lies well away from a tie, so any power function accurate to 1e-12
// gives the same integers: the results do not hang on the last bit of this one.
TEST(Frequency, RoundedResultsAreFarFromTies) {
  for (int note = -1; note <= 280; ++note) {
    double value = 13.375 * Power(2.0, double(132 - note) * double(1.0f / 12.0f));
    if (value == std::floor(value) || (132 - note) % 12 == 0) continue;  // powers of two
    EXPECT_GT(std::fabs(value - std::floor(value) - 0.5), 1e-6) << note;
  }
  for (int pitch = -30000; pitch <= 13800; ++pitch) {
    double value = 8363 * Power(2.0, double(pitch) * double(1.0f / 768.0f));
    ASSERT_GT(std::fabs(value - std::floor(value) - 0.5) / value, 1e-13) << pitch;
  }
}

}  // namespace
