// Volume effects on the first and later ticks of a row: slides and their shared memories, the
// volume column, set volume, global volume, note cut, tremolo and tremor.
#include <gtest/gtest.h>

#include "tests/effects/song_player.h"

namespace songtest {
namespace {

using V = std::vector<int32_t>;

const uint8_t TonePortaSlide = 5, VibratoSlide = 6, Tremolo = 7, VolumeSlide = 10,
              SetVolume = 12, Extended = 14, GlobalVolume = 16, GlobalSlide = 17, Tremor = 29;

// Channel 0 plays C-4 with the looping instrument on row 0 with `cell`'s volume and effect.
std::vector<TickState> RowWith(const Note& cell, int ticks = 6, int speed = 6) {
  xmw::Module song = Song(1, 4, speed);
  Note first = cell;
  first.note = C4;
  first.instrument = 1;
  Put(song, 0, 0, 0, first);
  Player player(song);
  return player.Ticks(ticks);
}

TEST(VolumeSlide, A0FLowersBy15OnEachLaterTickAndStopsAt0) {
  EXPECT_EQ(Volumes(RowWith({0, 0, 0, VolumeSlide, 0x0F})), (V{64, 49, 34, 19, 4, 0}));
}

TEST(VolumeSlide, TheColumnSlideAlsoActsOnTick0) {
  EXPECT_EQ(Volumes(RowWith({0, 0, 0x6F})), (V{49, 34, 19, 4, 0, 0}));
  EXPECT_EQ(Volumes(RowWith({0, 0, 0x7F})), (V{64, 64, 64, 64, 64, 64}));
}

TEST(VolumeSlide, TheHighNibbleWinsWheneverItIsNonzero) {
  EXPECT_EQ(Volumes(RowWith({0, 0, 0x30, VolumeSlide, 0x1F})), (V{32, 33, 34, 35, 36, 37}));
}

TEST(VolumeSlide, AxyFiveXyAndSixXyShareOneMemory) {
  xmw::Module song = Song(1, 4, 3);
  Put(song, 0, 0, 0, {C4, 1, 0, VibratoSlide, 0x04});  // 604 keeps 04
  Put(song, 0, 1, 0, {0, 0, 0, VolumeSlide, 0x00});    // A00 slides by it
  Put(song, 0, 2, 0, {0, 0, 0, VolumeSlide, 0x20});    // A20 keeps 20
  Put(song, 0, 3, 0, {0, 0, 0, TonePortaSlide, 0x00}); // 500 slides by it
  Player player(song);
  EXPECT_EQ(Volumes(player.Ticks(12)), (V{64, 60, 56, 56, 52, 48, 48, 50, 52, 52, 54, 56}));
}

TEST(VolumeSlide, FineSlidesShareTheirMemoryAndActOnTick0Only) {
  xmw::Module song = Song(1, 4, 2);
  Put(song, 0, 0, 0, {C4, 1, 0x30, Extended, 0xA3});  // 32 + 3
  Put(song, 0, 1, 0, {0, 0, 0, Extended, 0xB0});      // EB0: down by the same 3
  Put(song, 0, 2, 0, {0, 0, 0, Extended, 0xAF});      // up 15
  Put(song, 0, 3, 0, {0, 0, 0, Extended, 0xA0});      // up 15 again, to 64 at most
  Player player(song);
  EXPECT_EQ(Volumes(player.Ticks(8)), (V{35, 35, 32, 32, 47, 47, 62, 62}));
}

TEST(SetVolume, CxxAboveSixtyFourIsKeptAndGxxAboveSixtyFourSetsSixtyFour) {
  std::vector<TickState> ticks = RowWith({0, 0, 0, SetVolume, 0x80});
  EXPECT_EQ(ticks[0].volume, 128);
  EXPECT_EQ(ticks[0].voiceVolume, 255);  // twice the 127.5 of a full channel
  ticks = RowWith({0, 0, 0, GlobalVolume, 0x50});
  EXPECT_EQ(ticks[0].globalVolume, 64);
  ticks = RowWith({0, 0, 0, GlobalVolume, 0x20});
  EXPECT_EQ(ticks[0].globalVolume, 32);
  EXPECT_EQ(ticks[0].voiceVolume, 64);
}

TEST(GlobalVolumeSlide, MovesOnLaterTicksAndAChannelHearsItWhenItsVolumeIsRecomputed) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1, 0, GlobalSlide, 0x0F});
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(7);
  EXPECT_EQ((V{ticks[0].globalVolume, ticks[1].globalVolume, ticks[2].globalVolume,
               ticks[3].globalVolume, ticks[4].globalVolume, ticks[5].globalVolume}),
            (V{64, 49, 34, 19, 4, 0}));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ticks[i].voiceVolume, 128) << "tick " << i;
  EXPECT_EQ(ticks[6].voiceVolume, 0);  // the next row recomputes every channel's volume
}

TEST(NoteCut, CutsAtTickYAndNeverWithY0OrYBeyondTheRow) {
  EXPECT_EQ(Volumes(RowWith({0, 0, 0, Extended, 0xC3})), (V{64, 64, 64, 0, 0, 0}));
  EXPECT_EQ(Volumes(RowWith({0, 0, 0, Extended, 0xC0})), V(6, 64));
  EXPECT_EQ(Volumes(RowWith({0, 0, 0, Extended, 0xC7})), V(6, 64));
}

TEST(Tremolo, SineOffsetsWithinTheVolumeAndTheLastOffsetStaysWhenItEnds) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1, 0x30, Tremolo, 0x48});  // volume 32, speed 4, depth 8
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(7);
  // Positions 0, 4, 8, 12, 16 on ticks 1..5: sine 0, 98, 181, 237, 256 times 8 / 64.
  EXPECT_EQ(VolumeDeltas(ticks), (V{0, 0, 12, 22, 29, 32, 0}));
  EXPECT_EQ(ticks[6].volume, 64);  // 32 plus the last offset
}

TEST(Tremolo, WaveformThreeIsASineAndOneARamp) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1, 0x30, Extended, 0x73});
  Put(song, 0, 1, 0, {0, 0, 0, Tremolo, 0x48});
  Player sine(song);
  std::vector<int32_t> deltas = VolumeDeltas(sine.Ticks(12));
  EXPECT_EQ(V(deltas.begin() + 6, deltas.end()), (V{0, 0, 12, 22, 29, 32}));

  Put(song, 0, 0, 0, {C4, 1, 0x30, Extended, 0x71});
  Player ramp(song);
  deltas = VolumeDeltas(ramp.Ticks(12));
  EXPECT_EQ(V(deltas.begin() + 6, deltas.end()), (V{0, 0, 4, 8, 12, 16}));
}

// Ramp tremolo at speed and depth 15 from position 0: positions 0, 15, 30 and then -19 (30 + 15
// wraps past 31), with raw offsets 0, +28, +56 and -35.
std::vector<int32_t> RampTremoloDeltas(uint8_t volumeColumn) {
  xmw::Module song = Song(1, 4, 10);
  Put(song, 0, 0, 0, {C4, 1, volumeColumn, Extended, 0x71});
  Put(song, 0, 1, 0, {0, 0, 0, Tremolo, 0xFF});
  Player player(song);
  std::vector<int32_t> deltas = VolumeDeltas(player.Ticks(15));
  return V(deltas.begin() + 11, deltas.end());
}

TEST(Tremolo, OffsetsStopAtSixtyFourAboveAndAtSilenceBelow) {
  EXPECT_EQ(RampTremoloDeltas(0x10 + 40), (V{0, 24, 24, -35}));
  EXPECT_EQ(RampTremoloDeltas(0x10 + 4), (V{0, 28, 56, -4}));
}

TEST(Tremor, T00OnAFreshChannelSilencesEveryTick) {
  std::vector<TickState> ticks = RowWith({0, 0, 0, Tremor, 0x00});
  EXPECT_EQ(VolumeDeltas(ticks), V(6, -64));
  for (const TickState& state : ticks) EXPECT_EQ(state.voiceVolume, 0);
}

TEST(Tremor, SoundsForXPlusOneTicksAndIsSilentForYPlusOneAcrossRows) {
  xmw::Module song = Song(1, 4, 3);
  Put(song, 0, 0, 0, {C4, 1, 0, Tremor, 0x12});  // 2 on, 3 off
  Put(song, 0, 1, 0, {0, 0, 0, Tremor, 0x00});   // the same times from memory
  Put(song, 0, 3, 0, {0, 0, 0, Tremor, 0x00});   // the counter waited on row 2
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(12);
  EXPECT_EQ(VolumeDeltas(ticks), (V{0, 0, -64, -64, -64, 0, 0, 0, 0, 0, -64, -64}));
}

}  // namespace
}  // namespace songtest
