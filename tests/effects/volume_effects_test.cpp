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

TEST(VolumeSlide, TheColumnSlideActsOnTheLaterTicks) {
  EXPECT_EQ(Volumes(RowWith({0, 0, 0x6F})), (V{64, 49, 34, 19, 4, 0}));
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

TEST(VolumeSlide, FineSlidesKeepAMemoryEachAndActOnTick0Only) {
  xmw::Module song = Song(1, 4, 2);
  Put(song, 0, 0, 0, {C4, 1, 0x30, Extended, 0xA3});  // 32 + 3
  Put(song, 0, 1, 0, {0, 0, 0, Extended, 0xB0});      // EB0: nothing to slide down by yet
  Put(song, 0, 2, 0, {0, 0, 0, Extended, 0xBF});      // down 15
  Put(song, 0, 3, 0, {0, 0, 0, Extended, 0xA0});      // up 3 again
  Player player(song);
  EXPECT_EQ(Volumes(player.Ticks(8)), (V{35, 35, 35, 35, 20, 20, 23, 23}));
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

// Hxy and Gxx in channel 1 reach the note in channel 0, to their left, on the same tick.
TEST(GlobalVolume, SlidesOnLaterTicksAndEveryChannelHearsItAtOnce) {
  xmw::Module song = Song(2, 4);
  Put(song, 0, 0, 0, {C4, 1});
  Put(song, 0, 0, 1, {0, 0, 0, GlobalSlide, 0x0F});
  Put(song, 0, 1, 1, {0, 0, 0, GlobalVolume, 0x20});
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(7);
  V global, heard;
  for (const TickState& state : ticks) {
    global.push_back(state.globalVolume);
    heard.push_back(state.voiceVolume);
  }
  EXPECT_EQ(global, (V{64, 49, 34, 19, 4, 0, 32}));
  EXPECT_EQ(heard, (V{128, 98, 68, 38, 8, 0, 64}));
}

TEST(NoteCut, CutsAtTickYEC0OnTheFirstAndNeverWithYBeyondTheRow) {
  EXPECT_EQ(Volumes(RowWith({0, 0, 0, Extended, 0xC3})), (V{64, 64, 64, 0, 0, 0}));
  EXPECT_EQ(Volumes(RowWith({0, 0, 0, Extended, 0xC0})), V(6, 0));
  EXPECT_EQ(Volumes(RowWith({0, 0, 0, Extended, 0xC7})), V(6, 64));
}

TEST(Tremolo, SineOffsetsWithinTheVolumeAndTheVolumeUnderneathStaysWhenItEnds) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1, 0x30, Tremolo, 0x48});  // volume 32, speed 4, depth 8
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(7);
  // Positions 0, 4, 8, 12, 16 on ticks 1..5: sine 0, 98, 181, 237, 256 times 8 / 64.
  EXPECT_EQ(VolumeDeltas(ticks), (V{0, 0, 12, 22, 29, 32, 0}));
  EXPECT_EQ(ticks[6].volume, 32);
}

// A slide after a tremolo row starts from the volume the tremolo swung around, not from its
// last output.
TEST(Tremolo, A01AfterARowOf7F8SlidesFromTheUntouchedVolume) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1, 0, Tremolo, 0xF8});
  Put(song, 0, 1, 0, {0, 0, 0, VolumeSlide, 0x01});
  Player player(song);
  std::vector<int32_t> volumes = Volumes(player.Ticks(12));
  EXPECT_EQ(V(volumes.begin() + 6, volumes.end()), (V{64, 63, 62, 61, 60, 59}));
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

// The volume heard on each tick, on the channel's 0..64 scale: at full envelope, fade-out and
// global volume the voice's volume is twice the channel's.
V Heard(const std::vector<TickState>& ticks) {
  V heard;
  for (const TickState& state : ticks) heard.push_back(state.voiceVolume / 2);
  return heard;
}

TEST(Tremor, T00OnAFreshChannelIsOneTickOnAndOneOffFromTick1) {
  EXPECT_EQ(Heard(RowWith({0, 0, 0, Tremor, 0x00})), (V{64, 64, 0, 64, 0, 64}));
}

// Each phase counts down the times it began with; new times are read when it flips.
TEST(Tremor, NewTimesTakeEffectWhenThePhaseFlips) {
  xmw::Module song = Song(1, 4);
  const uint8_t times[] = {0x11, 0x22, 0x34, 0x42};
  Put(song, 0, 0, 0, {C4, 1, 0, Tremor, times[0]});
  for (int row = 1; row < 4; ++row) Put(song, 0, row, 0, {0, 0, 0, Tremor, times[row]});
  Player player(song);
  EXPECT_EQ(Heard(player.Ticks(24)), (V{64, 64, 64, 0, 0, 64, 64, 64, 0,  0,  0,  64,
                                        64, 64, 64, 0, 0, 0,  0,  0,  0, 64, 64, 64}));
}

// The counter moves on the later ticks only; a row that ends the tremor in its silent phase
// keeps the silence through the rows after it, Cxx included, until a sounding tick.
TEST(Tremor, SoundsForXPlusOneTicksAndIsSilentForYPlusOneAcrossRows) {
  xmw::Module song = Song(1, 5, 3);
  Put(song, 0, 0, 0, {C4, 1, 0, Tremor, 0x12});   // 2 on, 3 off
  Put(song, 0, 1, 0, {0, 0, 0, Tremor, 0x00});    // the same times from memory
  Put(song, 0, 3, 0, {0, 0, 0, SetVolume, 0x40});
  Put(song, 0, 4, 0, {0, 0, 0, Tremor, 0x00});    // the counter waited on rows 2 and 3
  Player player(song);
  EXPECT_EQ(Heard(player.Ticks(15)),
            (V{64, 64, 64, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64}));
}

// Row 0 ends T01 (one tick on, two off) in its silent phase with one tick left; row 1 holds
// the cell under test; row 2 is T01 again, whose tick 2 sounds once the silent phase is over.
// Only an instrument ends the silence before that; everything else changes the volume that
// the sounding tick plays, silently.
struct AfterTremor {
  const char* what;
  Note cell;
  V heard;         // row 1
  int32_t volume;  // underneath at the end of row 1
  int32_t sounds;  // at tick 2 of row 2
};

const AfterTremor AfterTremorCases[] = {
    {"nothing", {}, V(6, 0), 64, 64},
    {"volume column", {0, 0, 0x30}, V(6, 0), 32, 32},
    {"C20", {0, 0, 0, SetVolume, 0x20}, V(6, 0), 32, 32},
    {"A01", {0, 0, 0, VolumeSlide, 0x01}, V(6, 0), 59, 59},
    {"EB4", {0, 0, 0, Extended, 0xB4}, V(6, 0), 60, 60},
    {"EA4", {0, 0, 0x30, Extended, 0xA4}, V(6, 0), 36, 36},
    {"column slide down", {0, 0, 0x62}, V(6, 0), 54, 54},
    {"7F8", {0, 0, 0, Tremolo, 0xF8}, V(6, 0), 64, 64},
    {"4F8", {0, 0, 0, 4, 0xF8}, V(6, 0), 64, 64},
    {"037", {0, 0, 0, 0, 0x37}, V(6, 0), 64, 64},
    {"a note alone", {C4 + 4}, V(6, 0), 64, 64},
    {"T01 with a volume column", {0, 0, 0x30, Tremor, 0x01}, V{0, 0, 32, 0, 0, 32}, 32, 0},
    {"an instrument", {0, 1}, V(6, 64), 64, 0},
    {"a note and an instrument", {C4 + 4, 1}, V(6, 64), 64, 0},
    {"3xx and an instrument", {C4 + 4, 1, 0, 3, 0x10}, V(6, 64), 64, 0},
    {"an instrument and a volume column", {0, 1, 0x30}, V(6, 32), 32, 0},
    {"ED2 and an instrument", {0, 1, 0, Extended, 0xD2}, V{0, 0, 64, 64, 64, 64}, 64, 0},
};

TEST(Tremor, ItsSilenceLastsUntilASoundingTickOrAnInstrument) {
  for (const AfterTremor& c : AfterTremorCases) {
    SCOPED_TRACE(c.what);
    xmw::Module song = Song(1, 4);
    Put(song, 0, 0, 0, {C4, 1, 0, Tremor, 0x01});
    Put(song, 0, 1, 0, c.cell);
    Put(song, 0, 2, 0, {0, 0, 0, Tremor, 0x01});
    Player player(song);
    std::vector<TickState> ticks = player.Ticks(15);
    V heard = Heard(ticks);
    EXPECT_EQ(V(heard.begin(), heard.begin() + 6), (V{64, 64, 0, 0, 64, 0}));
    EXPECT_EQ(V(heard.begin() + 6, heard.begin() + 12), c.heard);
    EXPECT_EQ(ticks[11].volume, c.volume);
    EXPECT_EQ(heard[14], c.sounds);
  }
}

}  // namespace
}  // namespace songtest
