// The voice mixer: resamples every active voice's 16-bit sample with linear interpolation,
// applies its left and right gains, and adds the result into a stereo buffer of floats. Gain
// changes never jump: each becomes a linear ramp of RampFrames frames. Sample ends and loop
// turns are met exactly at the frame where they occur, by cutting the span there, so the
// inner loops need no boundary tests.
#pragma once

#include <cstdint>

struct Sample;

// Voice::direction values; anything other than MoveForward moves backward.
const int32_t MoveForward = 1;
const int32_t MoveBackward = 2;

struct Voice {
  int32_t index;            // the voice's own number, 0..63
  int32_t volume;           // final volume from the voice update
  int32_t frequency;        // Hz
  int32_t panning;          // 0..255
  int32_t volumeCopy;       // the copies that the voice update reads back
  int32_t panningCopy;
  uint32_t startOffset;     // where the next trigger starts
  Sample* sample;           // null: silent, skipped
  int32_t volumeLeft;       // target gains, 255 = unity
  int32_t volumeRight;
  int32_t position;         // 32.32 play position: index into the sample's data ...
  uint32_t positionFraction;  // ... and fraction in units of 2^-32
  uint32_t stepFraction;    // 32.32 step per frame, always taken as positive
  int32_t step;
  int32_t direction;        // MoveForward or MoveBackward
  int32_t rampTargetLeft;   // targets at the time the current ramp was set up
  int32_t rampTargetRight;
  int32_t currentLeft;      // gains applied now, times 256 (255 * 256 = unity)
  int32_t currentRight;
  float rampStepLeft;       // change of the applied gain per frame during a ramp, 1.0 = unity
  float rampStepRight;
  int32_t rampFramesLeft;   // frames left in the current ramp, 0 for none
};

// Channel c plays on voice c or c + 32, so that a cut note can fade out on the other one.
const int VoiceCount = 64;
extern Voice Voices[VoiceCount];

// All voices silent and zeroed, each with its index and a step of 1.
void ResetVoices();

// Adds frameCount frames of every voice, in voice order, into `output` (frames of two floats,
// left then right), and moves each voice's position, direction and ramp along. A voice that
// reaches the end of a sample without a loop is stopped (its sample cleared). A count of 0 or
// less does nothing.
//
// The samples are trusted as the loader leaves them: data readable from index 0 up to
// loopStart + loopLength, which holds a guard sample, with that end inside the sample.
void MixVoices(float* output, int32_t frameCount);

// Rounds each of frameCount * 2 values to the nearest integer (halves to even), clamps it to
// the 16-bit range and stores it. NaN becomes 0. Does nothing for a count of 0 or less or a
// null pointer.
void ConvertBlock(int16_t* destination, const float* source, int32_t frameCount);
