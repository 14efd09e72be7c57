// Pitch arithmetic: note to period, period to frequency, and the power function they rest on.
// Everything here is exact to the bit in every build: the power is built from additions,
// multiplications and divisions only (no library routine whose last bit may differ between
// runtimes), constants that are held in single precision keep that value, and results round
// to the nearest integer with halves to even.
#pragma once

#include <cstdint>

struct Module;

// x raised to y, for x > 0, as 2^(y * log2 x) with the exponent split into its nearest integer
// and a remainder. For x = 2 the relative error stays below 4e-16; for other bases the
// rounding of y * log2 x adds to it. Results beyond the double range are infinity or 0; x of
// 0 or below, outside the domain, gives 0.
double Power(double x, double y);

// The Amiga period of 0-based note n with a signed finetune f (-128..127 moves up to a
// semitone down or up). Any n is accepted; periods beyond 32 bits saturate.
int32_t AmigaPeriod(int32_t note, int32_t finetune);

// The period of 0-based note n with the sample's finetune f in the module's frequency table:
// 7680 - 64n - f/2 in the linear table, AmigaPeriod(n, f) in the Amiga table.
int32_t PeriodOfNote(const Module* module, int32_t note, int32_t finetune);

// Frequency in Hz of a linear-table pitch, given as 4608 - period + pitch offset:
// 8363 * 2^(pitch / 768). Saturates at the 32-bit limit.
int32_t LinearFrequency(int64_t pitch);

// Frequency in Hz of an Amiga period (period plus offset, not 0): 14317056 / period,
// truncated toward zero.
int32_t AmigaFrequency(int64_t period);
