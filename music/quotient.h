// Exact quotients of the mixer's wide distances by its steps and loop lengths.
#pragma once

#include <cstdint>

// Distances and boundaries: a 32-bit loop end times 2^32 minus a signed position needs more
// than 64 bits to be exact.
__extension__ typedef __int128 Wide;

// The quotient of x >= 0 by d > 0, rounded down, where it is known to be below 2^32. A voice
// divides at every loop turn, and a 64-bit integer division takes 40 to 90 cycles on many
// processors, so where both fit 62 bits (no product or remainder below can overflow) a
// division of doubles estimates the quotient: three roundings of 2^-53 each leave it less than
// one off, and the remainder shows whether it is one too high or one too low. Beyond that,
// digit by digit with products only: a 128-bit division would bring the compiler's helpers for
// it, over a kilobyte, into the program.
inline uint64_t Quotient(Wide x, Wide d) {
  const Wide Beyond62 = Wide(1) << 62;
  if (x < Beyond62 && d < Beyond62) {
    int64_t dividend = int64_t(x), divisor = int64_t(d);
    int64_t q = int64_t(double(dividend) / double(divisor));
    int64_t remainder = dividend - q * divisor;
    if (remainder < 0) return uint64_t(q - 1);
    return uint64_t(remainder >= divisor ? q + 1 : q);
  }
  uint64_t q = 0;
  for (uint64_t bit = uint64_t(1) << 31; bit != 0; bit >>= 1) {
    if (Wide(q | bit) * d <= x) q |= bit;
  }
  return q;
}
