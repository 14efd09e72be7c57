// The native side of the cross-build check (the Windows side is music-golden-values).
#include <gtest/gtest.h>

#include "tests/music_exactness/golden_values.h"

TEST(GoldenValues, NativeBuildComputesTheExpectedBits) {
  GoldenValue values[GoldenValueCount];
  CheckGoldenValues(values);
  for (const GoldenValue& v : values)
    EXPECT_EQ(v.actual, v.expected) << v.name << ": 0x" << std::hex << v.actual;
}
