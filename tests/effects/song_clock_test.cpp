// The song clock: ticks per row, rows and orders, jumps, breaks, loops and pattern delays.
#include <gtest/gtest.h>

#include "music/row_processing.h"
#include "tests/effects/song_player.h"

namespace songtest {
namespace {

using V = std::vector<int32_t>;

const uint8_t SetSpeed = 15, Jump = 11, Break = 13, Extended = 14;

TEST(SongClock, FirstTickPlaysRowZeroOfTheFirstOrderAndRowsLastSpeedTicks) {
  xmw::Module song = Song(1, 4, 3);
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(7);
  EXPECT_EQ(TickNumbers(ticks), (V{0, 1, 2, 0, 1, 2, 0}));
  EXPECT_EQ(Rows(ticks), (V{0, 0, 0, 1, 1, 1, 2}));
  EXPECT_EQ(Orders(ticks), (V{0, 0, 0, 0, 0, 0, 0}));
}

TEST(SongClock, SpeedZeroAndOneMakeEveryTickARowTick) {
  for (uint8_t speed : {0, 1}) {
    xmw::Module song = Song(1, 8);
    Put(song, 0, 0, 0, {0, 0, 0, SetSpeed, speed});
    Player player(song);
    std::vector<TickState> ticks = player.Ticks(5);
    EXPECT_EQ(TickNumbers(ticks), (V{0, 0, 0, 0, 0})) << "speed " << int(speed);
    EXPECT_EQ(Rows(ticks), (V{0, 1, 2, 3, 4})) << "speed " << int(speed);
  }
}

TEST(SongClock, PatternDelayAddsSpeedTimesYTicksToTheRow) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {0, 0, 0, Extended, 0xE2});  // EE2 at speed 6: 18 ticks
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(19);
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(ticks[i].tick, i);
    EXPECT_EQ(ticks[i].row, 0);
  }
  EXPECT_EQ(ticks[18].tick, 0);
  EXPECT_EQ(ticks[18].row, 1);
  EXPECT_EQ(player.module()->patternDelayTicks, 0);
}

// Three orders of two-row patterns at speed 1; the song restarts at order 1.
xmw::Module ThreeOrders() {
  xmw::Module song = Song(1, 2, 1);
  song.AddPattern(2);
  song.AddPattern(2);
  song.orders = {0, 1, 2};
  song.restartPosition = 1;
  return song;
}

TEST(SongClock, TheNaturalEndGoesToTheRestartPositionButABreakOnTheLastOrderGoesTo0) {
  Player natural(ThreeOrders());
  std::vector<TickState> ticks = natural.Ticks(10);
  EXPECT_EQ(Orders(ticks), (V{0, 0, 1, 1, 2, 2, 1, 1, 2, 2}));
  EXPECT_EQ(Rows(ticks), (V{0, 1, 0, 1, 0, 1, 0, 1, 0, 1}));

  xmw::Module song = ThreeOrders();
  Put(song, 2, 1, 0, {0, 0, 0, Break, 0x00});
  Player broken(song);
  ticks = broken.Ticks(8);
  EXPECT_EQ(Orders(ticks), (V{0, 0, 1, 1, 2, 2, 0, 0}));
}

// Orders 0, 1, 2 of 16-row patterns, six channels, speed 1.
xmw::Module SixChannelsThreeOrders() {
  xmw::Module song = Song(6, 16, 1);
  song.AddPattern(16);
  song.AddPattern(16);
  song.orders = {0, 1, 2};
  return song;
}

TEST(SongClock, AJumpBeforeABreakKeepsTheJumpsOrderAndTheBreaksRow) {
  xmw::Module song = SixChannelsThreeOrders();
  Put(song, 0, 0, 2, {0, 0, 0, Jump, 2});
  Put(song, 0, 0, 5, {0, 0, 0, Break, 0x12});
  Player player(song);
  player.Tick();
  TickState next = player.Tick();
  EXPECT_EQ(next.orderPosition, 2);
  EXPECT_EQ(next.row, 12);
}

TEST(SongClock, ABreakBeforeAJumpGoesToRow0OfTheJumpsOrder) {
  xmw::Module song = SixChannelsThreeOrders();
  Put(song, 0, 0, 2, {0, 0, 0, Break, 0x12});
  Put(song, 0, 0, 5, {0, 0, 0, Jump, 2});
  Player player(song);
  player.Tick();
  TickState next = player.Tick();
  EXPECT_EQ(next.orderPosition, 2);
  EXPECT_EQ(next.row, 0);
}

TEST(SongClock, BreakRowsAboveSixtyThreeAndJumpsPastTheSongGoToTheStart) {
  xmw::Module song = SixChannelsThreeOrders();
  Put(song, 0, 0, 0, {0, 0, 0, Break, 0x64});  // row 64
  Put(song, 1, 0, 0, {0, 0, 0, Jump, 7});      // order 7 of 3
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(3);
  EXPECT_EQ(Orders(ticks), (V{0, 1, 0}));
  EXPECT_EQ(Rows(ticks), (V{0, 0, 0}));
}

TEST(SongClock, PatternLoopPlaysTheBodyYPlusOneTimes) {
  xmw::Module song = Song(2, 10, 1);
  Put(song, 0, 4, 1, {0, 0, 0, Extended, 0x60});
  Put(song, 0, 6, 1, {0, 0, 0, Extended, 0x62});
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(14);
  EXPECT_EQ(Rows(ticks), (V{0, 1, 2, 3, 4, 5, 6, 4, 5, 6, 4, 5, 6, 7}));
  EXPECT_EQ(Orders(ticks), V(14, 0));
}

TEST(SongClock, TheRowThatLoopsBackStillPlaysItsOwnLaterTicks) {
  xmw::Module song = Song(2, 4, 3);
  Put(song, 0, 0, 0, {C4, 1});
  Put(song, 0, 0, 1, {0, 0, 0, Extended, 0x60});
  Put(song, 0, 1, 0, {0, 0, 0, 10, 0x01});        // A01 on the looping row
  Put(song, 0, 1, 1, {0, 0, 0, Extended, 0x61});
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(12);
  EXPECT_EQ(Rows(ticks), (V{0, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1}));
  // The slide runs on the later ticks of row 1 both times round.
  EXPECT_EQ(Volumes(ticks), (V{64, 64, 64, 64, 63, 62, 64, 64, 64, 64, 63, 62}));
}

TEST(SongClock, TheHighestChannelThatLoopsBackDecides) {
  xmw::Module song = Song(2, 8, 1);
  Put(song, 0, 1, 0, {0, 0, 0, Extended, 0x60});
  Put(song, 0, 2, 1, {0, 0, 0, Extended, 0x60});
  Put(song, 0, 3, 0, {0, 0, 0, Extended, 0x61});  // back to row 1
  Put(song, 0, 3, 1, {0, 0, 0, Extended, 0x61});  // back to row 2: wins
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(7);
  EXPECT_EQ(Rows(ticks), (V{0, 1, 2, 3, 2, 3, 4}));
}

TEST(SongClock, ABreakInTheSameRowTakesPrecedenceOverALoopBack) {
  xmw::Module song = Song(2, 8, 1);
  song.AddPattern(8);
  song.orders = {0, 1};
  Put(song, 0, 1, 0, {0, 0, 0, Extended, 0x60});
  Put(song, 0, 3, 0, {0, 0, 0, Extended, 0x61});
  Put(song, 0, 3, 1, {0, 0, 0, Break, 0x05});
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(5);
  EXPECT_EQ(Orders(ticks), (V{0, 0, 0, 0, 1}));
  EXPECT_EQ(Rows(ticks), (V{0, 1, 2, 3, 5}));
}

TEST(SongClock, ATempoChangeSetsTheLengthOfTheTickThatMadeIt) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 1, 0, {0, 0, 0, SetSpeed, 100});
  Player player(song);
  player.Ticks(6);
  EXPECT_EQ(player.module()->framesPerTick, 882);
  player.Tick();
  EXPECT_EQ(player.module()->bpm, 100);
  EXPECT_EQ(player.module()->framesPerTick, 1103);
}

}  // namespace
}  // namespace songtest
