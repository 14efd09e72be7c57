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

// False when the output buffers could not be had.
inline bool RenderBriefly(Module* module, int32_t seconds = BriefRenderSeconds) {
  SetOutputRate(DefaultOutputRate);
  SetBlockSizes(DefaultOutputRate);
  ResetVoices();
  if (!AllocateOutputBuffers()) return false;
  BeginPlayback(module);
  int64_t blocks = (int64_t(seconds) * DefaultOutputRate + BlockFrames - 1) / BlockFrames;
  for (int64_t block = 0; block < blocks; ++block) FillBlock();
  StopPlayback(module);
  ReleaseOutputRing();
  return true;
}
