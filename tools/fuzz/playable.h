// What every fuzz target checks of a module that loads: what the sequencer and the mixer take
// for granted (channel and order counts, orders naming patterns, cells within their limits,
// loops inside their samples, the zero guard after each sample), and the module image that the
// program hands to the loader, made of the fuzzer's bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "music/module.h"
#include "music/module_loader.h"

inline void Require(bool condition) {
  if (!condition) abort();
}

inline void CheckPlayable(const Module* module) {
  Require(module->channelCount >= 1 && module->channelCount <= 32);
  Require(module->songLength >= 1 && module->songLength <= OrderTableSize);
  Require(module->restartPosition >= 0 && module->restartPosition < module->songLength);
  for (int position = 0; position < module->songLength; ++position) {
    Require(module->orders[position] < module->patternCount);
  }
  for (int index = 0; index < module->patternCount; ++index) {
    const Pattern& pattern = module->patterns[index];
    Require((pattern.cells == nullptr) == (pattern.rowCount == 0));
    if (pattern.cells) {
      const Cell& last = pattern.cells[pattern.rowCount * uint32_t(module->channelCount) - 1];
      Require(last.note != 97 && last.instrument <= MaxCellInstrument);
    }
  }
  for (int index = 0; index < module->instrumentCount; ++index) {
    const Instrument& instrument = module->instruments[index];
    for (int slot = 0; slot < MaxInstrumentSamples; ++slot) {
      const Sample* sample = instrument.samples[slot];
      Require(sample != nullptr);
      if (sample == &EmptySample) continue;
      Require(uint64_t(sample->loopStart) + sample->loopLength <= sample->length);
      Require((sample->data == nullptr) == (sample->length == 0));
      if (sample->data) Require(sample->data[sample->length + SampleGuardSamples - 1] == 0);
    }
  }
}

// The bytes as the XM data of a module image: a 32-bit little-endian count, then the bytes.
inline std::vector<uint8_t> ModuleImageOf(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image(size + 4);
  uint32_t count = uint32_t(size);
  for (int i = 0; i < 4; ++i) image[i] = uint8_t(count >> (8 * i));
  if (size) memcpy(image.data() + 4, data, size);
  return image;
}
