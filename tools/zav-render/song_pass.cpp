#include "tools/zav-render/song_pass.h"

#include <cstddef>

#include "music/block_fill.h"
#include "music/mixer.h"
#include "music/module.h"
#include "music/output_config.h"
#include "music/playback.h"
#include "music/song_clock.h"

namespace {

const int32_t MaxRows = 65536;
const int32_t RenderRingBlocks = 2;  // rows are 16-bit; breaks and loops name no row beyond that

size_t BitOf(int32_t order, int32_t row) {
  return size_t(order & (OrderTableSize - 1)) * MaxRows + size_t(row & (MaxRows - 1));
}

}  // namespace

SongPassTracker::SongPassTracker()
    : played_(static_cast<uint64_t*>(calloc(size_t(OrderTableSize) * MaxRows / 64, sizeof(uint64_t))),
              free) {
  if (!played_) abort();
}

bool SongPassTracker::Played(int32_t order, int32_t row) const {
  size_t bit = BitOf(order, row);
  return (played_.get()[bit / 64] >> (bit % 64)) & 1;
}

void SongPassTracker::Mark(int32_t order, int32_t row, bool played) {
  size_t bit = BitOf(order, row);
  uint64_t mask = uint64_t(1) << (bit % 64);
  uint64_t& word = played_.get()[bit / 64];
  word = played ? word | mask : word & ~mask;
}

bool SongPassTracker::Tick(Module* module) {
  if (ended_) return false;
  if (module->tick == 0) {
    // The row this tick plays.
    int32_t order = module->nextOrderPosition >= 0 ? module->nextOrderPosition : module->orderPosition;
    int32_t row = module->nextRow >= 0 ? module->nextRow : module->row;
    if (Played(order, row)) {
      ended_ = true;
      return false;
    }
    Mark(order, row, true);
    SequencerTick(module);
    // A row that goes on neither to the next row nor to another order went back by a pattern
    // loop: the rows of the loop's body are played again within the same pass.
    if (module->nextOrderPosition == -1 && module->nextRow != module->row + 1) {
      for (int32_t again = module->nextRow; again <= module->row; ++again) {
        Mark(module->orderPosition, again, false);
      }
    }
  } else {
    SequencerTick(module);
  }
  frames_ += module->framesPerTick < 1 ? 1 : module->framesPerTick;
  ticks_ += 1;
  return true;
}

SongPass MeasureSongPass(Module* module, int64_t limitFrames) {
  SongPass pass = {0, 0, false};
  if (!module) return pass;
  SetOutputRate(RenderRate);
  ResetVoices();
  BeginPlayback(module);
  SongPassTracker tracker;
  while (tracker.frames() < limitFrames && tracker.Tick(module)) {
  }
  StopPlayback(module);
  pass.frames = tracker.frames() < limitFrames ? tracker.frames() : limitFrames;
  pass.ticks = tracker.ticks();
  pass.ended = tracker.ended();
  return pass;
}

bool StartRendering(Module* module) {
  if (!module) return false;
  SetOutputRate(RenderRate);
  SetBlockSizes(RenderRate);
  // The device needs a ring of two seconds to ride out late refills; a render takes each block
  // as soon as it is filled, and a ring of two blocks stays in the processor's caches.
  RingFrames = RenderRingBlocks * BlockFrames;
  ResetVoices();
  if (!AllocateOutputBuffers()) return false;
  BeginPlayback(module);
  return true;
}

void StopRendering(Module* module) {
  StopPlayback(module);
  ReleaseMixBuffer();
  ReleaseOutputRing();
}
