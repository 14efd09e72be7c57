#include "music/pitch.h"

#include <cstring>
#include <limits>

#include "music/module.h"
#include "music/rounding.h"

namespace {

// These constants are single-precision values in the tables that pitches come from; the
// rounded periods and frequencies depend on their last bits, so they keep them here too.
const double TwelfthOfOctave = double(1.0f / 12.0f);   // 0.083333336
const double LinearUnit = double(1.0f / 768.0f);       // 0.0013020834

const double AmigaBase = 13.375;          // period of note 132, the top of the scale
const int32_t AmigaTopNote = 132;
const double LinearBaseFrequency = 8363;  // of linear period 4608 (note 48, finetune 0)
const int64_t AmigaClock = 14317056;      // frequency times Amiga period

double FromBits(uint64_t bits) {
  double x;
  memcpy(&x, &bits, sizeof x);
  return x;
}

uint64_t BitsOf(double x) {
  uint64_t bits;
  memcpy(&bits, &x, sizeof bits);
  return bits;
}

// 2^n for -1022 <= n <= 1023, built from its exponent bits.
double TwoTo(int n) { return FromBits(uint64_t(n + 1023) << 52); }

// x * 2^n, in two steps where 2^n itself would not be a normal double.
double Scale(double x, int n) {
  if (n > 1023) return x * TwoTo(1023) * TwoTo(n - 1023);
  if (n < -1022) return x * TwoTo(-1022) * TwoTo(n + 1022);
  return x * TwoTo(n);
}

// 2^r for |r| <= 1/2: e^z with z = r ln 2, from its Taylor series in nested form. Eighteen
// terms reach well below the last bit for |z| <= 0.35.
double TwoToFraction(double r) {
  const double Ln2 = 0.6931471805599453094;
  double z = r * Ln2;
  double sum = 1.0;
  for (int n = 18; n >= 1; --n) sum = 1.0 + z * sum / n;
  return sum;
}

// log2 x for a finite x > 0: the binary exponent plus log2 of the mantissa m in
// [sqrt(1/2), sqrt(2)), from the series of atanh((m - 1) / (m + 1)). Exact for powers of two.
double Log2(double x) {
  int exponent = 0;
  uint64_t bits = BitsOf(x);
  if ((bits >> 52) == 0) {  // subnormal: make it normal first
    x *= TwoTo(54);
    exponent = -54;
    bits = BitsOf(x);
  }
  exponent += int(bits >> 52) - 1023;
  double m = FromBits((bits & ((uint64_t(1) << 52) - 1)) | (uint64_t(1023) << 52));
  if (m > 1.4142135623730951) {
    m *= 0.5;
    exponent += 1;
  }
  double s = (m - 1.0) / (m + 1.0);
  double s2 = s * s;
  double sum = 0.0;
  for (int k = 41; k >= 1; k -= 2) sum = 1.0 / k + s2 * sum;
  const double TwoOverLn2 = 2.8853900817779268147;  // 2 / ln 2
  return exponent + TwoOverLn2 * s * sum;
}

// A(k) = 13.375 * 2^((132 - k) / 12), rounded, with the twelfth in single precision.
int32_t AmigaNotePeriod(int64_t note) {
  double exponent = double(AmigaTopNote - note) * TwelfthOfOctave;
  return RoundToInt32(AmigaBase * Power(2.0, exponent));
}

}  // namespace

double Power(double x, double y) {
  if (!(x > 0)) return 0.0;
  if (x == std::numeric_limits<double>::infinity()) return y > 0 ? x : y < 0 ? 0.0 : 1.0;
  // log2 2 is exactly 1, so the series is skipped for the base that every pitch uses.
  double exponent = x == 2.0 ? y : y * Log2(x);
  if (exponent != exponent) return exponent;
  if (exponent >= 1024) return std::numeric_limits<double>::infinity();
  if (exponent <= -1100) return 0.0;
  double whole = RoundHalfEven(exponent);
  return Scale(TwoToFraction(exponent - whole), int(whole));
}

int32_t AmigaPeriod(int32_t note, int32_t finetune) {
  int64_t p0 = AmigaNotePeriod(note);
  int64_t scaled;
  if (finetune < 0 && note != 0) {
    int64_t p1 = AmigaNotePeriod(int64_t(note) - 1);
    scaled = (p0 - p1) * -int64_t(finetune) / -128;
  } else {
    int64_t p1 = AmigaNotePeriod(int64_t(note) + 1);
    scaled = (p0 - p1) * finetune / -128;
  }
  return SaturateToInt32(p0 + scaled);
}

int32_t PeriodOfNote(const Module* module, int32_t note, int32_t finetune) {
  if (module->flags & LinearFrequencyTable)
    return SaturateToInt32(7680 - 64 * int64_t(note) - finetune / 2);
  return AmigaPeriod(note, finetune);
}

namespace {

// Every channel's frequency is recomputed on every tick, mostly for the few pitches that its
// note, vibrato and auto-vibrato go through; the power series behind each is slow enough to
// show in a song's render time. The sequencer runs on one thread at a time, so a small table
// of recent results needs no lock.
struct KnownFrequency {
  int64_t pitch;
  int32_t frequency;
  bool known;
};
const int KnownFrequencyCount = 2048;
KnownFrequency KnownFrequencies[KnownFrequencyCount];

}  // namespace

int32_t LinearFrequency(int64_t pitch) {
  KnownFrequency& slot = KnownFrequencies[uint64_t(pitch) % KnownFrequencyCount];
  if (slot.known && slot.pitch == pitch) return slot.frequency;
  int32_t frequency = RoundToInt32(LinearBaseFrequency * Power(2.0, double(pitch) * LinearUnit));
  slot = KnownFrequency{pitch, frequency, true};
  return frequency;
}

// Periods that fit 32 bits, as every played one does, divide in 32 bits: a 64-bit division
// takes several times as long on many processors, and this one runs for every channel on
// every tick.
int32_t AmigaFrequency(int64_t period) {
  if (period == 0) return 0;
  if (period > 0 && period <= INT32_MAX) return int32_t(uint32_t(AmigaClock) / uint32_t(period));
  return SaturateToInt32(AmigaClock / period);
}
