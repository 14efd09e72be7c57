// Pitch effects: arpeggio, portamentos, tone portamento, vibrato, finetune and the fine and
// extra-fine slides.
#include <gtest/gtest.h>

#include "music/pitch.h"
#include "music/sequencer_state.h"
#include "tests/effects/song_player.h"

namespace songtest {
namespace {

using V = std::vector<int32_t>;

const uint8_t Arpeggio = 0, PortaUp = 1, PortaDown = 2, TonePorta = 3, Vibrato = 4,
              Extended = 14, ExtraFine = 33;
const int32_t C4Period = 4608;  // linear: 7680 - 64 * 48

// The first row's ticks of `note` with the effect, at `speed`.
std::vector<TickState> NoteWith(uint8_t note, uint8_t effect, uint8_t parameter,
                                uint16_t flags = xmw::kLinearFrequencyTable, int speed = 6) {
  xmw::Module song = Song(1, 4, speed);
  song.flags = flags;
  Put(song, 0, 0, 0, {note, 1, 0, effect, parameter});
  Player player(song);
  return player.Ticks(speed);
}

// The steps run down from the speed, so tick 0 plays the base and the order of the rest
// depends on the speed; counts above 16 play +y, 16 the base.
TEST(Arpeggio, PlaysTheBaseOnTick0ThenTheStepsCountedDownFromTheSpeed) {
  const std::vector<std::pair<int, V>> rows = {
      {6, {0, 448, 192, 0, 448, 192}}, {5, {0, 192, 0, 448, 192}}, {4, {0, 0, 448, 192}},
      {2, {0, 192}},
      {20, {0, 448, 448, 448, 0, 0, 448, 192, 0, 448, 192, 0, 448, 192, 0, 448, 192, 0, 448, 192}}};
  for (const auto& row : rows) {
    EXPECT_EQ(PeriodDeltas(NoteWith(C4, Arpeggio, 0x37, xmw::kLinearFrequencyTable, row.first)),
              row.second) << "speed " << row.first;
  }
  EXPECT_EQ(Periods(NoteWith(C4, Arpeggio, 0x37)), V(6, C4Period));
}

TEST(Arpeggio, InTheAmigaTableTheOffsetIsTheDifferenceOfTheNotesPeriods) {
  int32_t base = AmigaPeriod(48, 0);
  int32_t up3 = AmigaPeriod(51, 0) - base, up7 = AmigaPeriod(55, 0) - base;
  EXPECT_LT(up3, 0);  // a higher note has a smaller period
  EXPECT_EQ(PeriodDeltas(NoteWith(C4, Arpeggio, 0x37, 0)), (V{0, up7, up3, 0, up7, up3}));
}

TEST(Portamento, UpStopsAtPeriod56AndDownHasNoLimit) {
  EXPECT_EQ(Periods(NoteWith(NoteNumber(7, 11), PortaUp, 0xFF)),
            (V{1600, 580, 56, 56, 56, 56}));
  EXPECT_EQ(Periods(NoteWith(NoteNumber(0, 0), PortaDown, 0xFF)),
            (V{7680, 8700, 9720, 10740, 11760, 12780}));
}

TEST(Portamento, AZeroParameterReusesTheMemoryOfItsOwnDirection) {
  xmw::Module song = Song(1, 4, 2);
  Put(song, 0, 0, 0, {C4, 1, 0, PortaUp, 0x02});
  Put(song, 0, 1, 0, {0, 0, 0, PortaDown, 0x05});
  Put(song, 0, 2, 0, {0, 0, 0, PortaUp, 0x00});
  Put(song, 0, 3, 0, {0, 0, 0, PortaDown, 0x00});
  Player player(song);
  EXPECT_EQ(Periods(player.Ticks(8)),
            (V{4608, 4600, 4600, 4620, 4620, 4612, 4612, 4632}));
}

// C-4 on row 0; D-4 (period 4480) with tone portamento `parameter` and `instrument` on row 1,
// or with the volume column's tone portamento `volume` instead.
std::vector<TickState> SlideToD4(uint8_t parameter, uint8_t instrument = 0, uint8_t volume = 0) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1, 0x20});  // volume 16
  Put(song, 0, 1, 0,
      {NoteNumber(4, 2), instrument, volume, uint8_t(volume ? 0 : TonePorta), parameter});
  Player player(song);
  return player.Ticks(12);
}

TEST(TonePortamento, MovesTowardTheNoteWithoutStartingItAndStopsThere) {
  // 3xx and the volume column's Fx at the same speed: 64 a tick.
  for (std::vector<TickState> ticks : {SlideToD4(0x10), SlideToD4(0, 0, 0xF1)}) {
    std::vector<int32_t> periods = Periods(ticks);
    EXPECT_EQ(V(periods.begin() + 6, periods.end()), (V{4608, 4544, 4480, 4480, 4480, 4480}));
    EXPECT_EQ(ticks[6].updateFlags & TriggerNote, 0);
    EXPECT_EQ(ticks[11].voiceIndex, 0);
  }
}

// In both columns 3xx's parameter is not taken: the column's Fx, or for F0 the kept speed,
// drives the glide, twice a tick beside Fx and once beside F0.
TEST(TonePortamento, InBothColumnsTheVolumeColumnsSpeedDrivesTheGlide) {
  const uint8_t C5 = NoteNumber(5, 0);
  const std::pair<Note, Note> cases[] = {
      {{}, {C5, 0, 0xF1, TonePorta, 0x02}},                         // 2 x 64 a tick
      {{0, 0, 0, TonePorta, 0x20}, {C5, 0, 0xF0, TonePorta, 0x02}}};  // 1 x 128
  for (const auto& c : cases) {
    xmw::Module song = Song(1, 4);
    Put(song, 0, 0, 0, {C4, 1});
    Put(song, 0, 1, 0, c.first);
    Put(song, 0, 2, 0, c.second);
    Player player(song);
    std::vector<int32_t> periods = Periods(player.Ticks(18));
    EXPECT_EQ(V(periods.begin() + 12, periods.end()), (V{4608, 4480, 4352, 4224, 4096, 3968}))
        << "volume column " << std::hex << int(c.second.volume);
  }
}

TEST(TonePortamento, AnInstrumentResetsTheChannelButNeitherTriggersNorChangesTheNote) {
  std::vector<TickState> ticks = SlideToD4(0x10, 1);
  EXPECT_EQ(ticks[5].volume, 16);
  EXPECT_EQ(ticks[6].volume, 64);  // the instrument's volume again
  EXPECT_EQ(ticks[6].updateFlags & TriggerNote, 0);
  EXPECT_EQ(ticks[6].voiceIndex, 0);
  EXPECT_EQ(Channels[0].noteIndex, 48);  // still C-4
  EXPECT_EQ(ticks[7].period, 4544);
}

TEST(Vibrato, SineOffsetsLowerThePeriodFirstAndMoveFromTick1On) {
  // Positions 0, 0, 4, 8, 12, 16: sine 0, 0, 98, 181, 237, 256 times 8 / 32, to a multiple of 4.
  EXPECT_EQ(PeriodDeltas(NoteWith(C4, Vibrato, 0x48)), (V{0, 0, -24, -44, -56, -64}));
  EXPECT_EQ(Periods(NoteWith(C4, Vibrato, 0x48)), V(6, C4Period));
}

TEST(Vibrato, WaveformThreeIsASquare) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1, 0, Extended, 0x43});
  Put(song, 0, 1, 0, {0, 0, 0, Vibrato, 0x4F});
  Player player(song);
  std::vector<int32_t> deltas = PeriodDeltas(player.Ticks(12));
  EXPECT_EQ(V(deltas.begin() + 6, deltas.end()), V(6, -116));  // 255 * 15 / 32 = 119, to 116
}

TEST(Vibrato, TheVolumeColumnSetsTheDepthAndVibratesOnLaterTicks) {
  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1, 0xA4});              // speed 4
  Put(song, 0, 1, 0, {0, 0, 0xB8});               // depth 8
  Player player(song);
  std::vector<int32_t> deltas = PeriodDeltas(player.Ticks(12));
  EXPECT_EQ(V(deltas.begin() + 6, deltas.end()), (V{0, 0, -24, -44, -56, -64}));
}

// E5y tunes the row's own note by (y - 8) x 16; the sample, and every later note of it, keep
// their finetune.
TEST(SetFinetune, TunesTheRowsNoteOnly) {
  xmw::Module song = Song(2, 4, 1);
  Put(song, 0, 0, 0, {C4, 1, 0, Extended, 0x5F});
  Put(song, 0, 1, 1, {C4, 1});
  Player player(song);
  EXPECT_EQ(player.Tick(0).period, C4Period - 112 / 2);
  EXPECT_EQ(player.Tick(1).period, C4Period);
}

TEST(FineSlides, FineAndExtraFinePortamentosMoveOnTick0WithTheirOwnMemories) {
  xmw::Module song = Song(1, 8, 2);
  Put(song, 0, 0, 0, {C4, 1, 0, Extended, 0x12});   // -8
  Put(song, 0, 1, 0, {0, 0, 0, Extended, 0x23});    // +12
  Put(song, 0, 2, 0, {0, 0, 0, Extended, 0x10});    // -8 from memory
  Put(song, 0, 3, 0, {0, 0, 0, ExtraFine, 0x13});   // -3
  Put(song, 0, 4, 0, {0, 0, 0, ExtraFine, 0x21});   // +1
  Put(song, 0, 5, 0, {0, 0, 0, ExtraFine, 0x10});   // -3 from memory
  Put(song, 0, 6, 0, {0, 0, 0, ExtraFine, 0x35});   // not a sub-effect: nothing
  Player player(song);
  EXPECT_EQ(Periods(player.Ticks(14)),
            (V{4600, 4600, 4612, 4612, 4604, 4604, 4601, 4601, 4602, 4602, 4599, 4599, 4599,
               4599}));
}

}  // namespace
}  // namespace songtest
