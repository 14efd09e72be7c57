// What the sequencer and the mixer may take for granted in any module that loaded.
#pragma once

#include <gtest/gtest.h>

#include "music/module_loader.h"

namespace xmtest {

// What the sequencer and the mixer rely on, checked on any loaded module.
inline void ExpectPlayable(const Module* module) {
  ASSERT_GE(module->channelCount, 1);
  ASSERT_LE(module->channelCount, 32);
  ASSERT_GE(module->songLength, 1);
  ASSERT_LE(module->songLength, 256);
  ASSERT_GE(module->restartPosition, 0);
  ASSERT_LT(module->restartPosition, module->songLength);
  ASSERT_LE(module->instrumentCount, 128);
  for (int position = 0; position < module->songLength; ++position) {
    ASSERT_LT(module->orders[position], module->patternCount);
  }
  for (int index = 0; index < module->patternCount; ++index) {
    const Pattern& pattern = module->patterns[index];
    ASSERT_EQ(pattern.cells == nullptr, pattern.rowCount == 0) << "pattern " << index;
    if (!pattern.cells) continue;
    // The last cell lies inside the block (the sanitizer build would catch it otherwise).
    const Cell& last = pattern.cells[pattern.rowCount * uint32_t(module->channelCount) - 1];
    ASSERT_NE(last.note, 97);
    ASSERT_LE(last.instrument, MaxCellInstrument);
  }
  for (int index = 0; index < module->instrumentCount; ++index) {
    const Instrument& instrument = module->instruments[index];
    for (int slot = 0; slot < 16; ++slot) {
      const Sample* sample = instrument.samples[slot];
      ASSERT_NE(sample, nullptr);
      if (slot >= instrument.sampleCount) {
        ASSERT_EQ(sample, &EmptySample);
      }
      if (sample == &EmptySample) continue;
      ASSERT_EQ(sample->bits, 16);
      ASSERT_LE(uint64_t(sample->loopStart) + sample->loopLength, sample->length);
      ASSERT_EQ(sample->data == nullptr, sample->length == 0);
      if (sample->loopKind == NoLoop) {
        ASSERT_EQ(sample->loopLength, sample->length);
      }
      if (sample->loopKind != NoLoop) {
        ASSERT_GT(sample->loopLength, 0u);
      }
      // The guard sample and the ones after it are inside the block.
      if (sample->data) {
        ASSERT_EQ(sample->data[sample->length + 7], 0);
      }
    }
  }
}

}  // namespace xmtest
