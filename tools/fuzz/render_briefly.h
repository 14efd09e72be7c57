// Plays the first seconds of a loaded module through the block filler, as the output would:
// every tick of the sequencer, every effect it meets and the mixer run on whatever the module
// holds. Shared by the fuzz target and the replay of its corpus.
#pragma once

#include <cstdint>

#include "music/block_fill.h"
#include "music/mixer.h"
#include "music/module.h"
#include "music/output_config.h"
#include "music/playback.h"

const int32_t BriefRenderSeconds = 2;

// Plays at least `frames` output frames (whole blocks) of `module` from row `row` of order
// position `order` (the order taken modulo the song's length, a row past the pattern's end
// plays as a jump there would), or from the song's start when `order` is negative. False when
// the output buffers could not be had.
inline bool RenderStretch(Module* module, int32_t order, int32_t row, int64_t frames) {
  SetOutputRate(DefaultOutputRate);
  SetBlockSizes(DefaultOutputRate);
  ResetVoices();
  if (!AllocateOutputBuffers()) return false;
  BeginPlayback(module);
  if (order >= 0) {
    module->nextOrderPosition = order % module->songLength;
    module->nextRow = row;
  }
  for (int64_t done = 0; done < frames; done += BlockFrames) FillBlock();
  StopPlayback(module);
  ReleaseOutputRing();
  return true;
}

inline bool RenderBriefly(Module* module, int32_t seconds = BriefRenderSeconds) {
  return RenderStretch(module, -1, 0, int64_t(seconds) * DefaultOutputRate);
}

// A tenth of a second from the order position and row that the input's last two bytes choose,
// as the stretch fuzz target plays its inputs (nothing for inputs shorter than that).
const int32_t StretchFrames = DefaultOutputRate / 10;

inline bool RenderChosenStretch(Module* module, const uint8_t* data, size_t size) {
  if (size < 2) return true;
  return RenderStretch(module, data[size - 2], data[size - 1], StretchFrames);
}
