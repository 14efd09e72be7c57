#include "music/output_config.h"

int32_t OutputRate = DefaultOutputRate;
int32_t RampFrames = 128;
float RampStep = 1.0f / 128;

void SetOutputRate(int32_t rate) {
  OutputRate = rate < 1 ? 1 : rate;
  // 64 bits: 128 times a rate near the 32-bit limit does not fit in 32.
  int64_t frames = int64_t(OutputRate) * 128 / DefaultOutputRate;
  RampFrames = frames < 1 ? 1 : int32_t(frames);
  RampStep = 1.0f / float(RampFrames);
}
