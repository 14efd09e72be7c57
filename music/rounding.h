// Rounding to the nearest integer with halves to even, done with plain additions so that it
// gives the same bits in every build: adding and taking off again a power of two whose unit
// in the last place is 1 leaves the IEEE round-to-nearest-even result of the sum. Values that
// do not fit the target saturate, and NaN becomes 0, so no conversion is ever undefined.
#pragma once

#include <cstdint>

// x rounded to an integral value; values that are integral already (and NaN) come back as
// they are.
inline double RoundHalfEven(double x) {
  const double Shift = 4503599627370496.0;  // 2^52: doubles from here on are integers
  if (!(x < Shift && x > -Shift)) return x;
  return x >= 0 ? (x + Shift) - Shift : (x - Shift) + Shift;
}

inline float RoundHalfEven(float x) {
  const float Shift = 8388608.0f;  // 2^23
  if (!(x < Shift && x > -Shift)) return x;
  return x >= 0 ? (x + Shift) - Shift : (x - Shift) + Shift;
}

inline int32_t RoundToInt32(double x) {
  if (x != x) return 0;
  if (x >= 2147483647.0) return INT32_MAX;
  if (x <= -2147483648.0) return INT32_MIN;
  return int32_t(RoundHalfEven(x));
}

inline int32_t RoundToInt32(float x) { return RoundToInt32(double(RoundHalfEven(x))); }

// Saturates a 64-bit intermediate into 32 bits.
inline int32_t SaturateToInt32(int64_t x) {
  if (x > INT32_MAX) return INT32_MAX;
  if (x < INT32_MIN) return INT32_MIN;
  return int32_t(x);
}
