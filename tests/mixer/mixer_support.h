// Samples and voices for the mixer tests: sample blocks sized exactly as the loader makes them
// (length + 8 values, guard sample after the loop), so that the sanitizer build catches any
// read outside them.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "music/mixer.h"
#include "music/module.h"

struct TestSample {
  Sample sample = {};
  std::vector<int16_t> data;

  TestSample(std::vector<int16_t> values, uint8_t loopKind, uint32_t loopStart = 0,
             uint32_t loopLength = 0) {
    uint32_t length = uint32_t(values.size());
    data = values;
    data.resize(length + SampleGuardSamples, 0);
    sample.data = data.data();
    sample.length = length;
    sample.loopKind = loopKind;
    sample.loopStart = loopKind == NoLoop ? 0 : loopStart;
    sample.loopLength = loopKind == NoLoop ? length : loopLength;
    sample.bits = 16;
    uint32_t end = sample.loopStart + sample.loopLength;
    if (loopKind == ForwardLoop) data[end] = data[sample.loopStart];
    if (loopKind == PingPongLoop) data[end] = data[end - 1];
  }
};

inline std::vector<int16_t> Ramp(int count, int first = 0, int by = 1) {
  std::vector<int16_t> values(count);
  for (int i = 0; i < count; ++i) values[i] = int16_t(first + i * by);
  return values;
}

// A voice just triggered on `sample`: position 0, step `step` + fraction, zero applied gain.
inline Voice Triggered(Sample* sample, int32_t step, uint32_t fraction, int32_t left,
                       int32_t right) {
  Voice v = {};
  v.sample = sample;
  v.step = step;
  v.stepFraction = fraction;
  v.direction = MoveForward;
  v.volumeLeft = left;
  v.volumeRight = right;
  return v;
}

inline uint32_t Bits(float x) {
  uint32_t bits;
  memcpy(&bits, &x, sizeof bits);
  return bits;
}

// Mixes only `voice` (as voice 0) through MixVoices and gives back its new state.
inline Voice MixAlone(const Voice& voice, float* output, int32_t frames) {
  ResetVoices();
  Voices[0] = voice;
  MixVoices(output, frames);
  return Voices[0];
}
