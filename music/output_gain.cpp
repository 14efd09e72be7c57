#include "music/output_gain.h"

namespace {

float StepOver(int32_t frames) { return frames < 1 ? 1.0f : 1.0f / float(frames); }

// Within half a step of the target counts as there: the sum of many steps in single precision
// falls a little short of it, which would leave the last frames of a ramp a hair too quiet.
float Stepped(const OutputGain& output) {
  float half = output.step * 0.5f;
  if (output.gain < output.target) {
    float gain = output.gain + output.step;
    return gain > output.target - half ? output.target : gain;
  }
  float gain = output.gain - output.step;
  return gain < output.target + half ? output.target : gain;
}

}  // namespace

void StartFadeIn(OutputGain* output, int32_t frames) {
  output->gain = 0.0f;
  output->target = 1.0f;
  output->step = StepOver(frames);
}

void RampOutputGain(OutputGain* output, bool on, int32_t frames) {
  output->target = on ? 1.0f : 0.0f;
  output->step = StepOver(frames);
}

void ApplyOutputGain(OutputGain* output, int16_t* samples, int32_t frames) {
  for (int32_t i = 0; i < frames; ++i) {
    // Full loudness from here to the block's end: nothing to change.
    if (output->gain == 1.0f && output->target == 1.0f) return;
    // Truncated toward zero, so that a ramp never rounds a quiet sample up into a click.
    samples[2 * i] = int16_t(float(samples[2 * i]) * output->gain);
    samples[2 * i + 1] = int16_t(float(samples[2 * i + 1]) * output->gain);
    output->gain = Stepped(*output);
  }
}
