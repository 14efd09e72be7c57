#include "music/block_fill.h"

#include <cstring>

#include "music/memory.h"
#include "music/mixer.h"
#include "music/module.h"
#include "music/output_config.h"
#include "music/sequencer_state.h"

// Zero until SetBlockSizes, which the output calls when it opens (no initialised data).
int32_t BlockFrames;
int32_t RingFrames;
int16_t* OutputRing = nullptr;
float* MixBuffer = nullptr;
int32_t WriteBlock = 0;
Module* PlayingModule = nullptr;

namespace {

const int32_t BlockMilliseconds = 20;
const int32_t RingMilliseconds = 1000;  // the ring time constant; the ring holds twice this
const size_t MixAlignment = 16;
const size_t MixSlack = 256;

void* MixBlock = nullptr;  // the block MixBuffer lies in

}  // namespace

int32_t BlockCount() { return RingFrames / BlockFrames; }

void SetBlockSizes(int32_t rate) {
  int64_t frames = (int64_t(rate) * BlockMilliseconds / 1000 + 3) & ~int64_t(3);
  BlockFrames = frames < 4 ? 4 : int32_t(frames);
  RingFrames = (RingMilliseconds / BlockMilliseconds) * BlockFrames * 2;
}

bool AllocateOutputBuffers() {
  ReleaseMixBuffer();
  ReleaseOutputRing();
  OutputRing = static_cast<int16_t*>(AllocateBlock(size_t(RingFrames) * 2 * sizeof(int16_t)));
  MixBlock = AllocateBlock(size_t(RingFrames) * 2 * sizeof(float) + MixSlack);
  if (!OutputRing || !MixBlock) {
    ReleaseMixBuffer();
    ReleaseOutputRing();
    return false;
  }
  uintptr_t address = reinterpret_cast<uintptr_t>(MixBlock);
  address = (address + MixAlignment - 1) & ~uintptr_t(MixAlignment - 1);
  MixBuffer = reinterpret_cast<float*>(address);
  WriteBlock = 0;
  return true;
}

void ReleaseMixBuffer() {
  ReleaseBlock(MixBlock);
  MixBlock = nullptr;
  MixBuffer = nullptr;
}

void ReleaseOutputRing() {
  ReleaseBlock(OutputRing);
  OutputRing = nullptr;
}

bool BeginPlayback(Module* module) {
  if (!module) return false;
  ResetPlayerState(module);
  ResetChannels(module->channelCount);
  PlayingModule = module;
  return true;
}

void FillBlock() {
  int32_t block = WriteBlock;
  if (OutputRing && MixBuffer) {
    float* mix = MixBuffer + size_t(block) * BlockFrames * 2;
    memset(mix, 0, size_t(BlockFrames) * 2 * sizeof(float));
    Module* module = PlayingModule;
    if (module) {
      int32_t left = module->framesLeftInTick;
      for (int32_t done = 0; done < BlockFrames;) {
        if (left <= 0) {
          if (module->tickRoutine) module->tickRoutine(module);
          // A tick of no frames would never let the block fill.
          left = module->framesPerTick < 1 ? 1 : module->framesPerTick;
        }
        int32_t frames = left < BlockFrames - done ? left : BlockFrames - done;
        MixVoices(mix + size_t(done) * 2, frames);
        done += frames;
        left -= frames;
      }
      module->framesLeftInTick = left;
    }
    ConvertBlock(OutputRing + size_t(block) * BlockFrames * 2, mix, BlockFrames);
  }
  WriteBlock = block + 1 < BlockCount() ? block + 1 : 0;
}
