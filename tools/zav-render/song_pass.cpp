#include "tools/zav-render/song_pass.h"

#include <cstddef>
#include <vector>

#include "music/block_fill.h"
#include "music/mixer.h"
#include "music/module.h"
#include "music/output_config.h"
#include "music/playback.h"
#include "music/song_clock.h"

namespace {

const int32_t MaxRows = 65536;  // rows are 16-bit; breaks and loops name no row beyond that

// One bit per (order position, row).
class PlayedRows {
 public:
  PlayedRows() : bits_(size_t(OrderTableSize) * MaxRows / 64) {}
  bool Has(int32_t order, int32_t row) const {
    size_t at = IndexOf(order, row);
    return (bits_[at / 64] >> (at % 64)) & 1;
  }
  void Mark(int32_t order, int32_t row, bool played) {
    size_t at = IndexOf(order, row);
    uint64_t bit = uint64_t(1) << (at % 64);
    bits_[at / 64] = played ? bits_[at / 64] | bit : bits_[at / 64] & ~bit;
  }

 private:
  static size_t IndexOf(int32_t order, int32_t row) {
    return size_t(order & (OrderTableSize - 1)) * MaxRows + size_t(row & (MaxRows - 1));
  }
  std::vector<uint64_t> bits_;
};

// The row that the next row tick plays.
void UpcomingRow(const Module* module, int32_t* order, int32_t* row) {
  *order = module->nextOrderPosition >= 0 ? module->nextOrderPosition : module->orderPosition;
  *row = module->nextRow >= 0 ? module->nextRow : module->row;
}

// A row that goes on neither to the next row nor to another order went back by a pattern
// loop: the rows of the loop's body are played again within the same pass.
void ForgetLoopBody(const Module* module, PlayedRows* played) {
  if (module->nextOrderPosition != -1 || module->nextRow == module->row + 1) return;
  for (int32_t row = module->nextRow; row <= module->row; ++row) {
    played->Mark(module->orderPosition, row, false);
  }
}

}  // namespace

SongPass MeasureSongPass(Module* module, int64_t limitFrames) {
  SongPass pass = {0, 0, false};
  if (!module) return pass;
  SetOutputRate(RenderRate);
  ResetVoices();
  BeginPlayback(module);
  PlayedRows played;
  while (pass.frames < limitFrames) {
    if (module->tick == 0) {
      int32_t order, row;
      UpcomingRow(module, &order, &row);
      if (played.Has(order, row)) {
        pass.ended = true;
        break;
      }
      played.Mark(order, row, true);
      SequencerTick(module);
      ForgetLoopBody(module, &played);
    } else {
      SequencerTick(module);
    }
    pass.frames += module->framesPerTick < 1 ? 1 : module->framesPerTick;
    pass.ticks += 1;
  }
  StopPlayback(module);
  if (pass.frames > limitFrames) pass.frames = limitFrames;
  return pass;
}

bool StartRendering(Module* module) {
  if (!module) return false;
  SetOutputRate(RenderRate);
  SetBlockSizes(RenderRate);
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
