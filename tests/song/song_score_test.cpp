// The generator's score writing: note names, the melody notation and its modifiers, echoes,
// drum grids, and what happens when the score itself is wrong.
#include <gtest/gtest.h>

#include "tools/songgen/score.h"
#include "tools/songgen/synth.h"

namespace {

using songgen::Section;
using xmw::Cell;

struct Fixture {
  Fixture() : section(module, 1, &error) {}
  xmw::Module module;  // 8 channels
  std::string error;
  Section section;
};

songgen::LineStyle Style(uint8_t instrument) {
  songgen::LineStyle style;
  style.instrument = instrument;
  return style;
}

TEST(SongScore, NoteNamesAndValuesMatchBothWays) {
  EXPECT_EQ(songgen::NoteValue("C-0"), 1);
  EXPECT_EQ(songgen::NoteValue("C-4"), 49);
  EXPECT_EQ(songgen::NoteValue("A-4"), 58);
  EXPECT_EQ(songgen::NoteValue("B-7"), 96);
  for (int note = 1; note <= 96; note++) {
    EXPECT_EQ(songgen::NoteValue(songgen::NoteName(uint8_t(note))), note);
  }
  for (const char* bad : {"H-4", "C-8", "C4", "c-4", "C-44", ""}) EXPECT_EQ(songgen::NoteValue(bad), 0) << bad;
}

TEST(SongScore, ChordTemplatesLandOnTheRoot) {
  EXPECT_EQ(songgen::OnRoot("R:3 O:2 F:2 T:1 ---:4", songgen::NoteValue("A-2"), true),
            "A-2:3 A-3:2 E-3:2 C-3:1 ---:4");
  EXPECT_EQ(songgen::OnRoot("T:4@20", songgen::NoteValue("E-2"), false), "G#2:4@20");
}

TEST(SongScore, NotesRestsAndVelocitiesGoIntoTheirRows) {
  Fixture f;
  int end = songgen::WriteLine(f.section, 2, 4, Style(7), "E-5:6@40 ...:2 ---:1 C-5:3");
  EXPECT_TRUE(f.error.empty()) << f.error;
  EXPECT_EQ(end, 4 + 6 + 2 + 1 + 3);
  EXPECT_EQ(f.section.At(4, 2), (Cell{65, 7, 0x10 + 40, 0, 0}));
  for (int row = 5; row < 12; row++) EXPECT_EQ(f.section.At(row, 2), Cell{}) << row;
  EXPECT_EQ(f.section.At(12, 2), (Cell{97, 0, 0, 0, 0})) << "key-off, no instrument";
  EXPECT_EQ(f.section.At(13, 2), (Cell{61, 7, 0, 0, 0}));
  EXPECT_EQ(f.section.At(4, 3), Cell{}) << "other channels untouched";
}

TEST(SongScore, ModifiersBecomeEffects) {
  Fixture f;
  songgen::LineStyle style = Style(3);
  songgen::WriteLine(f.section, 0, 0, style, "D-5:8~ G-5:4^\\ A-4:6e037 B-4:8~V F-4:4v");
  ASSERT_TRUE(f.error.empty()) << f.error;
  // Vibrato from the third row of a long note on.
  EXPECT_EQ(f.section.At(1, 0).effect, 0);
  EXPECT_EQ(f.section.At(2, 0), (Cell{0, 0, 0, songgen::Vibrato, style.vibrato}));
  EXPECT_EQ(f.section.At(7, 0).effect, songgen::Vibrato);
  // A glide keeps the running note: tone portamento and no instrument.
  EXPECT_EQ(f.section.At(8, 0), (Cell{68, 0, 0, songgen::TonePortamento, style.glideSpeed}));
  EXPECT_EQ(f.section.At(10, 0), (Cell{0, 0, 0, songgen::PortamentoDown, style.fallSpeed}));
  EXPECT_EQ(f.section.At(11, 0).effect, songgen::PortamentoDown);
  // An explicit effect sits on every row of the note, the first included.
  for (int row = 12; row < 18; row++) EXPECT_EQ(f.section.At(row, 0).parameter, 0x37) << row;
  EXPECT_EQ(f.section.At(12, 0).instrument, 3);
  // Vibrato then vibrato with volume slide once the note fades.
  EXPECT_EQ(f.section.At(20, 0).effect, songgen::Vibrato);
  EXPECT_EQ(f.section.At(23, 0).effect, songgen::VibratoVolumeSlide);
  EXPECT_EQ(f.section.At(23, 0).parameter, style.fadeStep);
  // Volume-column fade through the second half (rows 28 and 29 of the note at 26).
  EXPECT_EQ(f.section.At(27, 0).volume, 0);
  EXPECT_EQ(f.section.At(28, 0).volume, songgen::kSlideDown | style.fadeStep);
  EXPECT_EQ(f.section.At(29, 0).volume, songgen::kSlideDown | style.fadeStep);
}

TEST(SongScore, EchoFollowsWithItsOwnInstrumentAndQuieter) {
  Fixture f;
  songgen::WriteLine(f.section, 1, 0, Style(7), "E-5:4@60 D-5:4^ ---:2");
  songgen::WriteLine(f.section, 5, 0, Style(9), "C-3:1");
  songgen::WriteEcho(f.section, 1, 5, 3, 8, 50);
  EXPECT_EQ(f.section.At(0, 5).note, 37) << "cells before the echo stay";
  EXPECT_EQ(f.section.At(3, 5), (Cell{65, 8, 0x10 + 30, 0, 0}));
  EXPECT_EQ(f.section.At(7, 5), (Cell{63, 0, 0, songgen::TonePortamento, 0x08}));
  EXPECT_EQ(f.section.At(11, 5).note, 97);
}

TEST(SongScore, EchoDropsWhatFallsPastTheSection) {
  Fixture f;
  songgen::WriteLine(f.section, 0, 62, Style(1), "C-4:2");
  songgen::WriteEcho(f.section, 0, 1, 3, 2, 100);
  EXPECT_TRUE(f.error.empty()) << f.error;
  for (int row = 0; row < 64; row++) EXPECT_EQ(f.section.At(row, 1), Cell{});
}

TEST(SongScore, DrumGridsStrikeTheirVoicesAtC4) {
  Fixture f;
  songgen::WriteDrums(f.section, 3, 16, "x..o ..X.", {{'x', 1, 40}, {'o', 1, 10}, {'X', 2, 64}});
  EXPECT_TRUE(f.error.empty()) << f.error;
  EXPECT_EQ(f.section.At(16, 3), (Cell{49, 1, 0x10 + 40, 0, 0}));
  EXPECT_EQ(f.section.At(19, 3), (Cell{49, 1, 0x10 + 10, 0, 0}));
  EXPECT_EQ(f.section.At(22, 3), (Cell{49, 2, 0x50, 0, 0})) << "spaces take no row";
  EXPECT_EQ(f.section.At(23, 3), Cell{});
}

TEST(SongScore, MistakesInTheScoreAreReportedNotWrittenAnywhere) {
  for (const char* bad : {"E-5", "E-5:", "H-5:4", "E-5:0", "E-5:4@65", "E-5:4q", "E-5:4e03"}) {
    Fixture f;
    songgen::WriteLine(f.section, 0, 0, Style(1), bad);
    EXPECT_NE(f.error.find("cannot read"), std::string::npos) << bad;
  }
  Fixture past;
  songgen::WriteLine(past.section, 0, 60, Style(1), "C-4:8 D-4:4");
  EXPECT_NE(past.error.find("outside"), std::string::npos);
  EXPECT_EQ(past.module.patterns.size(), 1u);
  Fixture drum;
  songgen::WriteDrums(drum.section, 0, 0, "x?", {{'x', 1, 40}});
  EXPECT_NE(drum.error.find("'?'"), std::string::npos);
  Fixture channel;
  songgen::WriteLine(channel.section, 8, 0, Style(1), "C-4:1");
  EXPECT_FALSE(channel.error.empty()) << "channel 8 of an 8-channel module";
}

TEST(SongSynth, QuantisingClipsAndRoundsToTheStoredRange) {
  songgen::Wave wave = {0.0f, 1.0f, -1.0f, 2.0f, -2.0f, 0.5f};
  EXPECT_EQ(songgen::Quantise(wave, 8), (std::vector<int16_t>{0, 127, -127, 127, -128, 64}));
  EXPECT_EQ(songgen::Quantise(wave, 16), (std::vector<int16_t>{0, 32767, -32767, 32767, -32768, 16384}));
}

TEST(SongSynth, EvolvingToneEndsOnOneSteadyPeriod) {
  auto saw = [](int k, float) { return 1.0f / k; };
  songgen::Wave tone = songgen::EvolvingTone(32, 3, 8, saw);
  ASSERT_EQ(tone.size(), 4u * 32);
  // A steady spectrum repeats exactly, so the loop (the last period) joins without a click.
  for (size_t i = 0; i < 32; i++) EXPECT_NEAR(tone[i], tone[96 + i], 1e-5f) << i;
}

}  // namespace
