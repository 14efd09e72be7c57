// Effects on the note itself: delay, retriggers, key-off, the envelope position, the sample
// offset, panning, and the move to the partner voice.
#include <gtest/gtest.h>

#include "music/mixer.h"
#include "music/sequencer_state.h"
#include "tests/effects/song_player.h"

namespace songtest {
namespace {

using V = std::vector<int32_t>;

const uint8_t SetPanning = 8, SampleOffset = 9, Extended = 14, KeyOff = 20, EnvelopePosition = 21,
              PanningSlide = 25, MultiRetrig = 27;
const uint8_t E4 = NoteNumber(4, 4);  // linear period 4352

// C-4 on row 0 of channel 0, then `cell` on row 1; the twelve ticks of both rows at speed 6.
// Instrument 2 plays the same square an octave up at volume 32.
std::vector<TickState> SecondRow(const Note& cell) {
  xmw::Module song = Song(1, 4);
  song.instruments.push_back(InstrumentOf(LoopingSample(32)));
  song.instruments[1].samples[0].relativeNote = 12;
  Put(song, 0, 0, 0, {C4, 1});
  Put(song, 0, 1, 0, cell);
  Player player(song);
  return player.Ticks(12);
}

std::vector<TickState> RowTwo(const std::vector<TickState>& ticks) {
  return std::vector<TickState>(ticks.begin() + 6, ticks.end());
}

// The delayed row at speed 6 after C-4 at volume 64: when the note (E-4 with volume 16) or
// the key-off plays; without a note the last one plays again, from the sample's start.
TEST(NoteDelay, PlaysTheCellAtTickYAndLeavesOutOneThatCannotPlay) {
  struct Case {
    Note cell;
    V periods, volumes, triggers;
  };
  const Case cases[] = {
      {{E4, 1, 0x20, Extended, 0xD3}, {4608, 4608, 4608, 4352, 4352, 4352}, {64, 64, 64, 16, 16, 16}, {3}},
      {{E4, 1, 0x20, Extended, 0xD0}, V(6, 4352), V(6, 16), {0}},  // no delay at all
      {{E4, 1, 0x20, Extended, 0xD6}, V(6, 4608), V(6, 64), {}},   // never comes: cell left out
      {{E4, 5, 0x20, Extended, 0xDF}, V(6, 4608), V(6, 64), {}},   // instrument 5 left out too
      {{0, 0, 0, Extended, 0xD3}, V(6, 4608), V(6, 64), {3}},
      {{0, 0, 0x20, Extended, 0xD3}, V(6, 4608), {64, 64, 64, 16, 16, 16}, {3}},
      {{0, 2, 0, Extended, 0xD3}, {4608, 4608, 4608, 3840, 3840, 3840}, {64, 64, 64, 32, 32, 32}, {3}},
      {{xmw::kKeyOff, 0, 0, Extended, 0xD3}, V(6, 4608), {64, 64, 64, 0, 0, 0}, {}},
  };
  for (const Case& c : cases) {
    std::vector<TickState> row = RowTwo(SecondRow(c.cell));
    SCOPED_TRACE(testing::Message() << "note " << int(c.cell.note) << " E" << std::hex
                                    << int(c.cell.parameter));
    EXPECT_EQ(Periods(row), c.periods);
    EXPECT_EQ(Volumes(row), c.volumes);
    EXPECT_EQ(Pannings(row), V(6, 128));
    EXPECT_EQ(TriggerTicks(row), c.triggers);
    if (c.cell.instrument == 5) EXPECT_EQ(Channels[0].instrumentIndex, 0);
  }
}

TEST(NoteDelay, UnderAPatternDelayEveryRepeatCountsItsOwnTicks) {
  xmw::Module song = Song(2, 4);
  Put(song, 0, 0, 0, {C4, 1, 0, Extended, 0xD3});
  Put(song, 0, 0, 1, {0, 0, 0, Extended, 0xE1});  // 12 ticks
  Player player(song);
  EXPECT_EQ(TriggerTicks(player.Ticks(12)), (V{3, 9}));
}

TEST(Retrigger, E93RetriggersOnTick3AtSpeed6AndEveryThirdTickOfALongerRow) {
  EXPECT_EQ(TriggerTicks(RowTwo(SecondRow({0, 0, 0, Extended, 0x93}))), (V{3}));
  EXPECT_EQ(TriggerTicks(RowTwo(SecondRow({0, 0, 0, Extended, 0x90}))), (V{0}));
  xmw::Module song = Song(2, 4);
  Put(song, 0, 0, 0, {C4, 1, 0, Extended, 0x93});
  Put(song, 0, 0, 1, {0, 0, 0, Extended, 0xE1});  // 12 ticks
  Player player(song);
  EXPECT_EQ(TriggerTicks(player.Ticks(12)), (V{0, 3, 6, 9}));
}

// The row after C-4 at volume 64, with multi-retrig `parameter`, at speed 9.
std::vector<TickState> RetrigRow(uint8_t parameter) {
  xmw::Module song = Song(1, 4, 9);
  Put(song, 0, 0, 0, {C4, 1});
  Put(song, 0, 1, 0, {0, 0, 0, MultiRetrig, parameter});
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(18);
  return std::vector<TickState>(ticks.begin() + 9, ticks.end());
}

TEST(MultiRetrig, IntervalZeroDoesNothingAndVolumeModesChangeTheVolumeAtEachRetrigger) {
  EXPECT_EQ(TriggerTicks(RetrigRow(0x80)), V{});  // interval 0
  std::vector<TickState> row = RetrigRow(0x03);   // every third tick, volume kept
  EXPECT_EQ(TriggerTicks(row), (V{3, 6}));
  EXPECT_EQ(Volumes(row), V(9, 64));
  row = RetrigRow(0x73);  // halves
  EXPECT_EQ(TriggerTicks(row), (V{3, 6}));
  EXPECT_EQ(Volumes(row), (V{64, 64, 64, 32, 32, 32, 16, 16, 16}));
  EXPECT_EQ(Volumes(RetrigRow(0x53)), (V{64, 64, 64, 48, 48, 48, 32, 32, 32}));  // -16
  EXPECT_EQ(Volumes(RetrigRow(0xE3)), V(9, 64));  // 3 v / 2, at most 64
  EXPECT_EQ(Volumes(RetrigRow(0x63)), (V{64, 64, 64, 42, 42, 42, 28, 28, 28}));  // 2 v / 3
}

// Without a volume envelope a key-off drops the volume to 0 and starts the fade-out; whatever
// sets the volume again, later or in the same cell, is heard, still fading.
TEST(KeyOff, WithoutAVolumeEnvelopeTheVolumeDropsAndTheNoteFadesWhenHeardAgain) {
  struct Case {
    Note release, later;
    int32_t volumeAtRelease, volumeLater;
  };
  const Case cases[] = {
      {{xmw::kKeyOff}, {0, 0, 0, 12, 0x30}, 0, 48},  // Cxx
      {{xmw::kKeyOff}, {0, 0, 0x40}, 0, 48},         // volume column
      {{xmw::kKeyOff, 1}, {}, 64, 64},               // instrument in the same cell
      {{xmw::kKeyOff, 0, 0x30}, {}, 32, 32},         // volume column in the same cell
  };
  for (const Case& c : cases) {
    xmw::Module song = Song(1, 4);
    song.instruments[0].fadeout = 2048;  // 4096 of 65536 a tick
    Put(song, 0, 0, 0, {C4, 1});
    Put(song, 0, 1, 0, c.release);
    Put(song, 0, 2, 0, c.later);
    Player player(song);
    std::vector<TickState> ticks = player.Ticks(18);
    SCOPED_TRACE(testing::Message() << "later volume " << c.volumeLater);
    EXPECT_EQ(ticks[6].volume, c.volumeAtRelease);
    EXPECT_EQ(ticks[6].voiceVolume == 0, c.volumeAtRelease == 0);
    EXPECT_EQ(ticks[12].volume, c.volumeLater);
    EXPECT_GT(ticks[12].voiceVolume, ticks[13].voiceVolume);
    EXPECT_EQ(Channels[0].keyOff, 1);
  }
}

TEST(KeyOff, KxxReleasesAtTickXxAndNeverBeyondTheRow) {
  const std::pair<uint8_t, V> cases[] = {
      {0x00, V(6, 0)}, {0x03, {128, 128, 128, 0, 0, 0}}, {0x17, V(6, 128)}};
  for (const auto& c : cases) {
    std::vector<TickState> row = RowTwo(SecondRow({0, 0, 0, KeyOff, c.first}));
    V heard;
    for (const TickState& state : row) heard.push_back(state.voiceVolume);
    EXPECT_EQ(heard, c.second) << "K" << std::hex << int(c.first);
  }
  std::vector<TickState> row = RowTwo(SecondRow({E4, 1, 0, KeyOff, 0x00}));  // drops the note
  EXPECT_EQ(row[0].period, 4608);
  EXPECT_EQ(TriggerTicks(row), V{});
}

// An instrument whose volume envelope falls from 64 to 32 over ticks 0..10 and on to 0 at 20.
xmw::Module SongWithEnvelope() {
  xmw::Module song = Song(1, 4);
  xmw::Envelope& envelope = song.instruments[0].volumeEnvelope;
  envelope.points = {{0, 64}, {10, 32}, {20, 0}};
  envelope.flags = xmw::kEnvelopeOn;
  return song;
}

// The volume envelope's value after each tick of the row after C-4 (which reached tick 6 of
// its envelope, 44): a delayed note or key-off starts it over on its tick, taking that tick's
// step at once; K00 beside a note and an instrument lets it go on.
TEST(EnvelopeRestart, DelayedCellsStartItOnTheirTickAndK00BesideAnInstrumentDoesNot) {
  const std::pair<Note, V> cases[] = {
      {{C4, 1, 0, Extended, 0xD2}, {44, 41, 64, 60, 57, 54}},
      {{xmw::kKeyOff, 0, 0, Extended, 0xD2}, {44, 41, 64, 60, 57, 54}},
      {{E4, 1, 0, KeyOff, 0x00}, {44, 41, 38, 35, 32, 28}}};
  for (const auto& c : cases) {
    xmw::Module song = SongWithEnvelope();
    Put(song, 0, 0, 0, {C4, 1});
    Put(song, 0, 1, 0, c.first);
    Player player(song);
    player.Ticks(6);
    V values;
    for (int tick = 0; tick < 6; ++tick) {
      player.Tick();
      values.push_back(Channels[0].volumeEnvelopeValue);
    }
    EXPECT_EQ(values, c.second) << "effect " << int(c.first.effect);
    EXPECT_EQ(Channels[0].keyOff, c.first.note != C4);
  }
}

// The panning envelope moves with it only where the volume envelope has a sustain point on.
TEST(EnvelopePosition, LxxMovesTheVolumeEnvelopeOntoItsSegment) {
  for (uint8_t sustain : {uint8_t(0), xmw::kEnvelopeSustain}) {
    xmw::Module song = SongWithEnvelope();
    song.instruments[0].volumeEnvelope.flags |= sustain;
    song.instruments[0].volumeEnvelope.sustainPoint = 2;
    song.instruments[0].panningEnvelope = song.instruments[0].volumeEnvelope;
    Put(song, 0, 0, 0, {C4, 1, 0, EnvelopePosition, 5});
    Player player(song);
    player.Tick();
    EXPECT_EQ(Channels[0].panningEnvelopeTick, sustain ? 5 : 1);
  }
  xmw::Module song = SongWithEnvelope();
  Put(song, 0, 0, 0, {C4, 1, 0, EnvelopePosition, 5});
  Player player(song);
  player.Tick();
  // 64 plus 5 ticks of -3.2 a tick, in 16.16: 48.00001.
  EXPECT_EQ(Channels[0].volumeEnvelopeValue, 48);
  EXPECT_EQ(Channels[0].volumeEnvelopeTick, 5);
  EXPECT_EQ(Channels[0].volumeEnvelopePoint, 1);
  player.Tick();
  EXPECT_EQ(Channels[0].volumeEnvelopeValue, 44);
}

TEST(EnvelopePosition, LxxBeyondTheEnvelopeEndsItAtItsLastValue) {
  xmw::Module song = SongWithEnvelope();
  Put(song, 0, 0, 0, {C4, 1, 0, EnvelopePosition, 99});
  Player player(song);
  player.Tick();
  EXPECT_EQ(Channels[0].volumeEnvelopeValue, 0);
  EXPECT_EQ(Channels[0].volumeEnvelopeDone, 1);
  EXPECT_EQ(Channels[0].volumeEnvelopePoint, 2);
}

// An offset inside the sample starts the note there; one at its end silences the note; one on
// a row without a note is dropped, not kept for the next note.
TEST(SampleOffset, StartsInsideTheSampleSilencesBeyondItAndNeedsANote) {
  xmw::Module song = Song(1, 4, 1);
  xmw::Sample& sample = song.instruments[0].samples[0];
  sample.pcm.assign(1024, 10);
  sample.loopLength = 1024;
  Put(song, 0, 0, 0, {C4, 1, 0, SampleOffset, 0x02});
  Put(song, 0, 1, 0, {C4, 1, 0, SampleOffset, 0x04});  // 1024: the end itself
  Put(song, 0, 2, 0, {0, 0, 0, SampleOffset, 0x03});
  Put(song, 0, 3, 0, {C4, 1});
  Player player(song);
  EXPECT_EQ(Voices[player.Tick().voiceIndex].position, 512);
  EXPECT_EQ(Voices[player.Tick().voiceIndex].sample, nullptr);
  player.Tick();
  EXPECT_EQ(Voices[player.Tick().voiceIndex].position, 0);
}

TEST(Panning, SetCoarseAndSlideClampedButTheColumnSlidesAreNot) {
  EXPECT_EQ(RowTwo(SecondRow({0, 0, 0, SetPanning, 0x40}))[0].panning, 0x40);
  const Voice& left = Voices[RowTwo(SecondRow({0, 0, 0, SetPanning, 0x00}))[0].voiceIndex];
  EXPECT_EQ(left.volumeLeft, left.volume);  // panning 0 is the first output of a frame
  EXPECT_EQ(left.volumeRight, 0);
  EXPECT_EQ(RowTwo(SecondRow({0, 0, 0, Extended, 0x8F}))[0].panning, 240);
  EXPECT_EQ(Pannings(RowTwo(SecondRow({0, 0, 0, PanningSlide, 0xF0}))),
            (V{128, 143, 158, 173, 188, 203}));
  EXPECT_EQ(Pannings(RowTwo(SecondRow({0, 0, 0, PanningSlide, 0x0F}))),
            (V{128, 113, 98, 83, 68, 53}));

  xmw::Module song = Song(1, 4);
  Put(song, 0, 0, 0, {C4, 1, 0, SetPanning, 0x03});
  Put(song, 0, 1, 0, {0, 0, 0xD2});
  Player player(song);
  std::vector<TickState> row = RowTwo(player.Ticks(12));
  EXPECT_EQ(Pannings(row), (V{3, 1, -1, -3, -5, -7}));  // from the row's second tick on
  EXPECT_EQ(Voices[row[5].voiceIndex].panning, 0);  // the voice's own panning stays in range
}

TEST(Voices, EachNewNoteOfALoopingSampleMovesToThePartnerVoice) {
  xmw::Module song = Song(4, 4, 1);
  Put(song, 0, 0, 3, {C4, 1});
  Put(song, 0, 1, 3, {E4, 1});
  Put(song, 0, 2, 3, {C4, 1});
  Player player(song);
  std::vector<TickState> ticks = player.Ticks(3, 3);
  EXPECT_EQ((V{ticks[0].voiceIndex, ticks[1].voiceIndex, ticks[2].voiceIndex}), (V{3, 35, 3}));
  EXPECT_EQ(Voices[35].volumeLeft + Voices[35].volumeRight, 0);  // left to fade out
}

}  // namespace
}  // namespace songtest
