// Values that follow from the output's frame rate and that the mixer and the sequencer share:
// the rate itself (the voice step and the tick length are counted in output frames) and the
// length of a volume ramp. They are zero until SetOutputRate gives them a rate: the output sets
// it when it opens, and so must anything else that plays (a renderer, a test) before it does.
#pragma once

#include <cstdint>

const int32_t DefaultOutputRate = 44100;

extern int32_t OutputRate;  // frames per second, at least 1
extern int32_t RampFrames;  // frames of a volume ramp: 128 at 44,100, at least 1
extern float RampStep;      // 1 / RampFrames

// Sets the three values from a frame rate. A rate below 1 counts as 1, and a rate so low that
// a ramp would be shorter than a frame still ramps over one frame, so that nothing derived
// from these values divides by zero.
void SetOutputRate(int32_t rate);

// The 32.32 fixed-point step per output frame of a sound at `hertz`: hertz / OutputRate,
// rounded down.
uint64_t FrameStepOf(uint32_t hertz);
