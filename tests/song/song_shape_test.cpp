// The committed theme: a valid module of the shape the program and its players expect, made
// by the generator as it stands, in one key, and long enough to enjoy before it loops.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/song/xm_test_reader.h"
#include "tests/support/testdata.h"
#include "tools/songgen/song.h"
#include "tools/xmwriter/xm_writer.h"

namespace {

const std::vector<uint8_t>& SongBytes() {
  static const std::vector<uint8_t> bytes = xmtest::ReadFile(zavtest::SourcePath("assets/music/song.xm"));
  return bytes;
}

class Song : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(SongBytes().empty()) << "assets/music/song.xm is missing";
    std::string error;
    ASSERT_TRUE(xmtest::ReadModule(SongBytes(), &song_, &error)) << error;
  }

  // Cells of the patterns that the order list plays, with their pattern numbers.
  template <typename Visit>
  void ForEachPlayedCell(Visit visit) const {
    std::set<int> played(song_.orders, song_.orders + song_.songLength);
    for (int index : played) {
      const xmtest::Pattern& pattern = song_.patterns[index];
      for (size_t i = 0; i < pattern.cells.size(); i++) visit(pattern.cells[i], int(i % song_.channels));
    }
  }

  std::string InstrumentName(int number) const {
    const std::string& name = song_.instruments.at(number - 1).name;
    return name.substr(0, name.find('\0'));
  }

  std::vector<const xmtest::Sample*> Samples() const {
    std::vector<const xmtest::Sample*> samples;
    for (const auto& instrument : song_.instruments) {
      for (const auto& sample : instrument.samples) samples.push_back(&sample);
    }
    return samples;
  }

  xmtest::Module song_;
};

TEST_F(Song, IsACompleteModuleUnder64KiB) {
  EXPECT_LT(SongBytes().size(), 65536u);
  EXPECT_EQ(song_.id, "Extended Module: ");
  EXPECT_EQ(song_.bytesUsed, SongBytes().size()) << "nothing after the last sample, nothing missing";
  EXPECT_EQ(song_.headerSize, xmw::kHeaderSize);
  for (const auto& pattern : song_.patterns) EXPECT_EQ(pattern.headerLength, xmw::kPatternHeaderSize);
}

TEST_F(Song, HeaderSuitsThePlayer) {
  EXPECT_GE(song_.channels, 8);
  EXPECT_LE(song_.channels, 32) << "the sequencer holds 32 channels";
  EXPECT_EQ(song_.flags & 1, 1) << "linear frequency table";
  EXPECT_GT(song_.songLength, 0);
  EXPECT_LT(song_.restartPosition, song_.songLength);
  EXPECT_GT(song_.restartPosition, 0) << "the intro plays once; the loop goes back into the song";
  EXPECT_GE(song_.bpm, 32);
  EXPECT_GE(song_.speed, 1);
  for (int i = 0; i < song_.songLength; i++) EXPECT_LT(song_.orders[i], song_.patternCount);
}

TEST_F(Song, UsesBothSampleWidthsAndBothLoopKinds) {
  int eightBit = 0, sixteenBit = 0, forward = 0, pingPong = 0;
  for (const xmtest::Sample* sample : Samples()) {
    (sample->bits() == 16 ? sixteenBit : eightBit)++;
    if (sample->loopKind() == 1) forward++;
    if (sample->loopKind() == 2) pingPong++;
  }
  EXPECT_GE(eightBit, 1);
  EXPECT_GE(sixteenBit, 1);
  EXPECT_GE(forward, 1);
  EXPECT_GE(pingPong, 1);
}

TEST_F(Song, LoopsLieInsideTheirSamples) {
  for (const xmtest::Sample* sample : Samples()) {
    SCOPED_TRACE(sample->name.c_str());
    EXPECT_GT(sample->lengthBytes, 0u);
    if (sample->bits() == 16) {
      EXPECT_EQ(sample->lengthBytes % 2, 0u);
    }
    if (sample->loopKind() == 0) continue;
    EXPECT_GT(sample->loopLengthBytes, 0u);
    EXPECT_LE(sample->loopStartBytes + sample->loopLengthBytes, sample->lengthBytes);
  }
}

TEST_F(Song, EnvelopesAreWellFormedAndIncludeSustainAndLoop) {
  bool sustain = false, loop = false;
  for (const auto& instrument : song_.instruments) {
    SCOPED_TRACE(instrument.name.c_str());
    for (const xmtest::Envelope* envelope : {&instrument.volume, &instrument.panning}) {
      if (!(envelope->flags & xmw::kEnvelopeOn)) continue;
      ASSERT_GE(envelope->pointCount, 2);
      ASSERT_LE(envelope->pointCount, 12);
      for (int i = 0; i < envelope->pointCount; i++) {
        EXPECT_LE(envelope->points[i].value, 64);
        if (i) {
          EXPECT_GT(envelope->points[i].tick, envelope->points[i - 1].tick);
        }
      }
      if (envelope->flags & xmw::kEnvelopeSustain) {
        EXPECT_LT(envelope->sustainPoint, envelope->pointCount);
      }
      if (envelope->flags & xmw::kEnvelopeLoop) {
        EXPECT_LE(envelope->loopStart, envelope->loopEnd);
        EXPECT_LT(envelope->loopEnd, envelope->pointCount);
      }
    }
    sustain |= (instrument.volume.flags & (xmw::kEnvelopeOn | xmw::kEnvelopeSustain)) == 3;
    loop |= (instrument.volume.flags & (xmw::kEnvelopeOn | xmw::kEnvelopeLoop)) == 5;
  }
  EXPECT_TRUE(sustain) << "a volume envelope that holds until key-off";
  EXPECT_TRUE(loop) << "a volume envelope with a loop";
}

TEST_F(Song, PlaysTheEffectsPeopleUse) {
  std::set<int> used;
  ForEachPlayedCell([&](const xmtest::Cell& cell, int) {
    if (cell.effect == 0 && cell.parameter == 0) return;  // no effect
    used.insert(cell.effect);
  });
  for (int effect : {0x0, 0x1, 0x2, 0x3, 0x4, 0xA, 0xD}) {
    EXPECT_TRUE(used.count(effect)) << "effect " << std::hex << effect << " is not used";
  }
  bool columnSlide = false;
  ForEachPlayedCell([&](const xmtest::Cell& cell, int) { columnSlide |= cell.volume >= 0x60 && cell.volume < 0x80; });
  EXPECT_TRUE(columnSlide) << "volume-column slides";
}

TEST_F(Song, CellsNameExistingNotesAndInstruments) {
  ForEachPlayedCell([&](const xmtest::Cell& cell, int channel) {
    EXPECT_TRUE(cell.note <= 96 || cell.note == 97) << "channel " << channel;
    EXPECT_LE(cell.instrument, song_.instrumentCount);
    EXPECT_TRUE(cell.volume == 0 || (cell.volume >= 0x10 && cell.volume <= 0x50) || cell.volume >= 0x60);
    if (cell.note >= 1 && cell.note <= 96 && cell.effect != 0x3) {
      EXPECT_NE(cell.instrument, 0) << "a struck note names its instrument, channel " << channel;
    }
  });
}

// Everything that sounds a pitch stays in A minor (with G# for the dominant, E major);
// arpeggios are checked on all three of their notes.
TEST_F(Song, StaysInAMinor) {
  const std::set<int> scale = {9, 11, 0, 2, 4, 5, 7, 8};  // A B C D E F G G#
  const std::set<std::string> pitched = {"bass", "lead", "echo", "chip", "pad"};
  int checked = 0;
  ForEachPlayedCell([&](const xmtest::Cell& cell, int channel) {
    if (cell.note < 1 || cell.note > 96 || !cell.instrument) return;
    if (!pitched.count(InstrumentName(cell.instrument))) {
      EXPECT_EQ(cell.note, 49) << "drums play at C-4, channel " << channel;
      return;
    }
    int pitch = (cell.note - 1) % 12;
    std::vector<int> heard = {pitch};
    if (cell.effect == 0 && cell.parameter) {
      heard.push_back((pitch + (cell.parameter >> 4)) % 12);
      heard.push_back((pitch + (cell.parameter & 15)) % 12);
    }
    for (int p : heard) EXPECT_TRUE(scale.count(p)) << "pitch class " << p << " on channel " << channel;
    checked++;
  });
  EXPECT_GT(checked, 200);
}

// Rows until the order list ends, following pattern breaks, at the song's own tempo.
TEST_F(Song, LastsOneToTwoAndAHalfMinutesBeforeItLoops) {
  long rows = 0;
  int startRow = 0;
  for (int order = 0; order < song_.songLength; order++) {
    const xmtest::Pattern& pattern = song_.patterns[song_.orders[order]];
    int row = startRow;
    startRow = 0;
    for (; row < pattern.rows; row++) {
      rows++;
      bool broke = false;
      for (int channel = 0; channel < song_.channels; channel++) {
        const xmtest::Cell& cell = pattern.cells[size_t(row) * song_.channels + channel];
        ASSERT_NE(cell.effect, 0xF) << "tempo changes would need a longer walk";
        ASSERT_NE(cell.effect, 0xB) << "position jumps would need a longer walk";
        if (cell.effect == 0xD) {
          broke = true;
          startRow = (cell.parameter >> 4) * 10 + (cell.parameter & 15);
        }
      }
      if (broke) break;
    }
  }
  double seconds = rows * song_.speed * 2.5 / song_.bpm;
  EXPECT_GE(seconds, 60.0);
  EXPECT_LE(seconds, 150.0);
}

TEST(SongGenerator, TheCommittedSongIsWhatTheGeneratorWrites) {
  xmw::Module module;
  std::string error;
  ASSERT_TRUE(songgen::BuildSong(&module, &error)) << error;
  std::vector<uint8_t> bytes = xmw::WriteModule(module);
  xmw::Module again;
  ASSERT_TRUE(songgen::BuildSong(&again, &error)) << error;
  EXPECT_EQ(xmw::WriteModule(again), bytes) << "two runs must give the same bytes";
  ASSERT_FALSE(SongBytes().empty());
  EXPECT_TRUE(bytes == SongBytes())
      << "assets/music/song.xm is stale: rebuild it with the zav_song target and commit it";
}

}  // namespace
