#include "music/output_config.h"

// Zero until SetOutputRate: initial values would cost the program a 512-byte block of
// initialised data in its file for these few bytes.
int32_t OutputRate;
int32_t RampFrames;
float RampStep;

namespace {

uint64_t OutputRateReciprocal;  // (2^64 - 1) / OutputRate, rounded down

}  // namespace

void SetOutputRate(int32_t rate) {
  OutputRate = rate < 1 ? 1 : rate;
  // 64 bits: 128 times a rate near the 32-bit limit does not fit in 32.
  int64_t frames = int64_t(OutputRate) * 128 / DefaultOutputRate;
  RampFrames = frames < 1 ? 1 : int32_t(frames);
  RampStep = 1.0f / float(RampFrames);
  OutputRateReciprocal = UINT64_MAX / uint64_t(OutputRate);
}

// Every channel's step is set again on every tick. A 64-bit division takes 40 to 90 cycles on
// many processors, so the rate's reciprocal multiplies instead. The rounded-down product is at
// most one below the quotient: the reciprocal falls short of 2^64 / rate by at most one, which
// costs the product at most the dividend / 2^64, less than one.
uint64_t FrameStepOf(uint32_t hertz) {
  __extension__ typedef unsigned __int128 Product;
  uint64_t scaled = uint64_t(hertz) << 32;
  uint64_t rate = uint64_t(OutputRate);
  uint64_t step = uint64_t((Product(scaled) * OutputRateReciprocal) >> 64);
  if (scaled - step * rate >= rate) ++step;
  return step;
}
