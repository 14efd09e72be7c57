#include "music/output_config.h"

// Zero until SetOutputRate: initial values would cost the program a 512-byte block of
// initialised data in its file for these few bytes.
int32_t OutputRate;
int32_t RampFrames;
float RampStep;

void SetOutputRate(int32_t rate) {
  OutputRate = rate < 1 ? 1 : rate;
  // 64 bits: 128 times a rate near the 32-bit limit does not fit in 32.
  int64_t frames = int64_t(OutputRate) * 128 / DefaultOutputRate;
  RampFrames = frames < 1 ? 1 : int32_t(frames);
  RampStep = 1.0f / float(RampFrames);
}
