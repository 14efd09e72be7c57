// The loudness of what the sound device is given, after the mix: the music fades in when it
// starts, and the user can turn it off and on again with a short ramp rather than a click. A
// rendering without a device never passes through here, so it stays the mixer's exact output.
#pragma once

#include <cstdint>

struct OutputGain {
  float gain;    // applied to the next frame
  float target;  // 0 (off) or 1
  float step;    // change per frame while the gain moves toward the target
};

// Silence rising to full loudness over `frames` frames.
void StartFadeIn(OutputGain* output, int32_t frames);

// Toward silence (off) or full loudness (on), over `frames` frames from wherever it stands.
void RampOutputGain(OutputGain* output, bool on, int32_t frames);

// Scales `frames` interleaved stereo 16-bit frames in place, moving the gain one step a frame
// (never past its target). At full loudness the samples are left exactly as they are, and when
// off they become 0: the device keeps playing, silence.
void ApplyOutputGain(OutputGain* output, int16_t* samples, int32_t frames);
