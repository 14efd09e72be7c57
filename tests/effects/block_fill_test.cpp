// Filling ring blocks: sizes, ticks that straddle blocks, the tick before its first frame, the
// ring's wrap, and silence without a song.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "music/block_fill.h"
#include "music/mixer.h"
#include "music/module_loader.h"
#include "music/output_config.h"
#include "music/playback.h"
#include "music/song_clock.h"
#include "tests/effects/song_player.h"

namespace songtest {
namespace {

class BlockFill : public ::testing::Test {
 protected:
  void SetUp() override {
    SetOutputRate(DefaultOutputRate);
    SetBlockSizes(DefaultOutputRate);
    ResetVoices();
    ASSERT_TRUE(AllocateOutputBuffers());
  }
  void TearDown() override {
    if (PlayingModule) StopPlayback(PlayingModule);
    ReleaseMixBuffer();
    ReleaseOutputRing();
    PlayingModule = nullptr;
  }
};

TEST_F(BlockFill, SizesAt44100) {
  EXPECT_EQ(BlockFrames, 884);
  EXPECT_EQ(RingFrames, 88400);
  EXPECT_EQ(BlockCount(), 100);
  SetBlockSizes(48000);
  EXPECT_EQ(BlockFrames, 960);
  SetBlockSizes(22050);
  EXPECT_EQ(BlockFrames, 444);  // 441 rounded up to a multiple of 4
  SetBlockSizes(DefaultOutputRate);
}

int TicksRun;

void CountingTick(Module* module) {
  ++TicksRun;
  SequencerTick(module);
}

TEST_F(BlockFill, ATickStraddlesBlocksAndRunsBeforeItsFirstFrame) {
  Player player(Song(1, 4));  // 125 BPM: 882 frames a tick
  Module* module = player.module();
  BeginPlayback(module);
  module->tickRoutine = CountingTick;
  TicksRun = 0;
  FillBlock();  // one whole tick and 2 frames of the next, which ran before them
  EXPECT_EQ(TicksRun, 2);
  EXPECT_EQ(module->framesLeftInTick, 880);
  FillBlock();  // no tick at its start: 880 frames of the second tick, 4 of the third
  EXPECT_EQ(TicksRun, 3);
  EXPECT_EQ(module->framesLeftInTick, 878);
  FillBlock();
  EXPECT_EQ(TicksRun, 4);
  EXPECT_EQ(module->framesLeftInTick, 876);
}

TEST_F(BlockFill, WriteBlockGoesRoundTheRing) {
  for (int block = 0; block < 99; ++block) FillBlock();
  EXPECT_EQ(WriteBlock, 99);
  FillBlock();
  EXPECT_EQ(WriteBlock, 0);
}

TEST_F(BlockFill, WithoutASongTheBlockIsSilence) {
  for (int i = 0; i < RingFrames * 2; ++i) OutputRing[i] = 1234;
  FillBlock();
  for (int i = 0; i < BlockFrames * 2; ++i) ASSERT_EQ(OutputRing[i], 0) << i;
  EXPECT_EQ(OutputRing[BlockFrames * 2], 1234);  // the next block is not touched
}

TEST_F(BlockFill, ANoteSoundsFromItsTickAndTheSameSongGivesTheSameBlocks) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1});
  std::vector<int16_t> first;
  for (int run = 0; run < 2; ++run) {
    ResetVoices();
    Player player(song);
    BeginPlayback(player.module());
    WriteBlock = 0;
    for (int block = 0; block < 10; ++block) FillBlock();
    std::vector<int16_t> blocks(OutputRing, OutputRing + 10 * BlockFrames * 2);
    if (run == 0) first = blocks;
    else EXPECT_EQ(blocks, first);
    StopPlayback(player.module());
    ASSERT_TRUE(AllocateOutputBuffers());
  }
  // The square wave at full volume, centred, ramps up from silence over 128 frames.
  EXPECT_EQ(first[0], 0);
  int peak = 0;
  for (int16_t value : first) peak = value > peak ? value : peak;
  EXPECT_GT(peak, 6000);  // +-100 x 256 at a quarter's gain on each side
}

TEST_F(BlockFill, ATickOfNoFramesStillLetsTheBlockFill) {
  Player player(Song(1, 4));
  Module* module = player.module();
  BeginPlayback(module);
  module->tickRoutine = [](Module* m) { m->framesPerTick = 0; };
  FillBlock();
  EXPECT_EQ(WriteBlock, 1);
  EXPECT_EQ(module->framesLeftInTick, 0);
}

TEST_F(BlockFill, StoppingAnotherModuleLeavesThePlayingOneAlone) {
  Player playing(Song(1, 4));
  Player other(Song(1, 4));
  BeginPlayback(playing.module());
  StopPlayback(other.module());
  EXPECT_EQ(PlayingModule, playing.module());
  EXPECT_NE(MixBuffer, nullptr);
  StopPlayback(playing.module());
  EXPECT_EQ(PlayingModule, nullptr);
  EXPECT_EQ(MixBuffer, nullptr);
}

}  // namespace
}  // namespace songtest
