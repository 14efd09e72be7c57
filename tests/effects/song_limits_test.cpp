// Songs beyond what the format promises: breaks and loops past a pattern's end, a restart
// position outside the song, notes outside the sample map, missing instruments, a speed or
// tempo of 0, patterns without cells. Every tick must end without reading outside the module
// (the sanitized build checks the reads), and the song must go on sensibly.
#include <gtest/gtest.h>

#include <vector>

#include "music/block_fill.h"
#include "music/mixer.h"
#include "music/module_loader.h"
#include "music/output_config.h"
#include "music/playback.h"
#include "music/sequencer_state.h"
#include "music/song_clock.h"
#include "tests/effects/song_player.h"

namespace songtest {
namespace {

using V = std::vector<int32_t>;

const uint8_t SetSpeed = 15, Break = 13, Extended = 14;

TEST(SongLimits, ABreakToARowPastThePatternsEndPlaysAnEmptyRowThenTheNextOrder) {
  xmw::Module song = Song(1, 4, 1);
  song.AddPattern(8);
  song.AddPattern(2);
  song.orders = {0, 1, 2};
  Put(song, 0, 0, 0, {C4, 1, 0, Break, 0x30});  // row 30 of an 8-row pattern
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(4);
  EXPECT_EQ(Orders(ticks), (V{0, 1, 2, 2}));
  EXPECT_EQ(Rows(ticks), (V{0, 30, 0, 1}));
  EXPECT_EQ(ticks[1].volume, 64);  // the empty row changes nothing
}

TEST(SongLimits, ALoopBackToARowPastThePatternsEndMovesOnToTheNextOrder) {
  // E60 marks row 10 of the 16-row pattern; the loop-back in the 4-row pattern that follows
  // goes to its row 10, which it does not have.
  xmw::Module looped = Song(1, 16, 1);
  looped.AddPattern(4);
  looped.orders = {0, 1};
  Put(looped, 0, 10, 0, {0, 0, 0, Extended, 0x60});
  Put(looped, 0, 11, 0, {0, 0, 0, Break, 0x00});
  Put(looped, 1, 2, 0, {0, 0, 0, Extended, 0x61});
  Player loops(looped);
  std::vector<TickState> ticks = loops.Ticks(17);
  EXPECT_EQ(Orders(ticks), (V{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0}));
  EXPECT_EQ(Rows(ticks), (V{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 1, 2, 10, 0}));
}

TEST(SongLimits, ARestartPositionOutsideTheSongRestartsAtOrder0) {
  xmw::Module song = Song(1, 2, 1);
  song.AddPattern(2);
  song.orders = {0, 1};
  Player player(song);
  player.module()->restartPosition = 9;  // the loader keeps it inside; a module in memory may not
  std::vector<TickState> ticks = player.Ticks(6);
  EXPECT_EQ(Orders(ticks), (V{0, 0, 1, 1, 0, 0}));
  player.module()->restartPosition = -3;
  ticks = player.Ticks(4);
  EXPECT_EQ(Orders(ticks), (V{1, 1, 0, 0}));
}

// A note beyond the sample map plays the empty sample; one above B-9 (with the relative note)
// is not played at all.
TEST(SongLimits, NotesOutsideTheSampleMapAndMissingInstrumentsAreSilent) {
  const struct { uint8_t note; int8_t relativeNote; bool started; } cases[] = {
      {97 + 1, 0, true}, {120, 0, false}, {200, 0, false}, {254, 0, false},
      {96, 23, true}, {96, 24, false}};
  for (const auto& c : cases) {
    xmw::Module song = Song(1, 4, 1);
    song.instruments[0].samples[0].relativeNote = c.relativeNote;
    Put(song, 0, 0, 0, {c.note, 1});
    Player player(song);
    TickState state = player.Tick();
    const Sample* expected = c.note > 96 ? &EmptySample : player.module()->instruments[0].samples[0];
    EXPECT_EQ(Voices[state.voiceIndex].sample, c.started ? expected : nullptr) << int(c.note);
    player.Ticks(3);  // a voice on the empty sample stops at its first mix; no tick reads past
  }
  xmw::Module song = Song(1, 4, 1);
  Put(song, 0, 0, 0, {C4, 9});  // one instrument only
  Player player(song);
  TickState state = player.Tick();
  EXPECT_EQ(Voices[state.voiceIndex].sample, &EmptySample);
  EXPECT_EQ(state.voiceVolume, 0);
}

TEST(SongLimits, SpeedAndTempo0StillEndEveryTickAndFillEveryBlock) {
  xmw::Module song = Song(2, 4, 0, 0);
  Put(song, 0, 0, 0, {C4, 1});
  Player player(song);
  Module* module = player.module();
  ASSERT_NE(module, nullptr);
  EXPECT_GE(module->framesPerTick, 1);
  std::vector<TickState> ticks = player.Ticks(5);
  EXPECT_EQ(Rows(ticks), (V{0, 1, 2, 3, 0}));
  ASSERT_TRUE(AllocateOutputBuffers());
  for (int block = 0; block < 3; ++block) FillBlock();
  EXPECT_EQ(WriteBlock, 3);
  StopPlayback(module);
  ReleaseOutputRing();
}

TEST(SongLimits, PatternsWithoutRowsOrCellsSkipTheirRows) {
  xmw::Module song = Song(1, 2, 1);
  song.AddPattern(0);  // no rows at all
  song.AddPattern(3);  // rows but no data: empty cells
  song.orders = {0, 1, 2, 5};  // pattern 5 is not in the file: 64 empty rows
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(7);
  EXPECT_EQ(Orders(ticks), (V{0, 0, 1, 2, 2, 2, 3}));
}

TEST(SongLimits, AModuleWithNothingToPlayStillTicks) {
  Module module = {};
  module.songLength = 0;
  module.channelCount = 4;
  module.speed = 3;
  module.framesPerTick = 10;
  module.nextRow = module.nextOrderPosition = -1;
  ResetChannels(MaxChannels);
  for (int i = 0; i < 20; ++i) SequencerTick(&module);
  EXPECT_EQ(module.orderPosition, 0);
  module.channelCount = 200;  // more columns than channels: only 32 are played
  module.songLength = 1;
  Pattern pattern = {2, nullptr};
  std::vector<Cell> cells(2 * 200);
  cells[199].effect = Break;  // a break in a column no channel plays
  pattern.cells = cells.data();
  module.patterns = &pattern;
  module.patternCount = 1;
  for (int i = 0; i < 20; ++i) SequencerTick(&module);
  EXPECT_LT(module.row, 2);
}

TEST(SongLimits, EndlessPortamentoAndPanningSlidesKeepTheirArithmeticDefined) {
  xmw::Module song = Song(1, 2, 31);
  Put(song, 0, 0, 0, {NoteNumber(0, 0), 1, 0xDF, 2, 0xFF});
  Put(song, 0, 1, 0, {0, 0, 0xDF, 2, 0x00});
  Player player(song);
  Module* module = player.module();
  ASSERT_NE(module, nullptr);
  player.Tick();
  Channels[0].period = INT32_MAX - 100;
  Channels[0].panning = INT32_MIN + 100;
  player.Ticks(30);  // the later ticks of row 0
  EXPECT_EQ(Channels[0].period, INT32_MAX);
  EXPECT_EQ(Channels[0].panning, INT32_MIN);
}

}  // namespace
}  // namespace songtest
