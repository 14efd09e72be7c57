// The loader on well-formed modules: what each field of the file becomes in memory.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/music/xm_builder.h"

using namespace xmtest;

namespace {

const ::Cell& CellAt(const Module* module, int pattern, int row, int channel) {
  return module->patterns[pattern].cells[row * module->channelCount + channel];
}

TEST(ModuleHeader, FieldsAsReadAndPlaybackStateZero) {
  xmw::Module song = Song(6);
  song.AddPattern(32);
  song.orders = {1, 0, 1};
  song.restartPosition = 2;
  song.flags = 0;
  song.defaultSpeed = 3;
  song.defaultBpm = 150;
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->songLength, 3);
  EXPECT_EQ(module->restartPosition, 2);
  EXPECT_EQ(module->channelCount, 6);
  EXPECT_EQ(module->patternCount, 2);
  EXPECT_EQ(module->referencedPatternCount, 2);
  EXPECT_EQ(module->instrumentCount, 0);
  EXPECT_EQ(module->flags, 0);
  EXPECT_EQ(module->defaultSpeed, 3);
  EXPECT_EQ(module->defaultBpm, 150);
  EXPECT_EQ(module->orders[0], 1);
  EXPECT_EQ(module->orders[2], 1);
  EXPECT_EQ(module->initialGlobalVolume, 64);
  EXPECT_NE(module->tickRoutine, nullptr);
  EXPECT_EQ(module->patterns[1].rowCount, 32u);
  EXPECT_EQ(module->framesPerTick, 0);
  EXPECT_EQ(module->globalVolume, 0);
  EXPECT_EQ(module->nextRow, 0);
  EXPECT_EQ(module->speed, 0);
}

TEST(ModuleHeader, WrongIdTextIsRefused) {
  for (const char* id : {"Extended module: ", "Extended Module:_", "", "Extended Module: x"}) {
    xmw::Module song = Song();
    song.idText = id;
    Bytes xm = xmw::WriteModule(song);
    if (std::string(id).size() > 17) continue;  // cut to 17 bytes: still the right text
    EXPECT_FALSE(LoadXm(xm)) << id;
    EXPECT_EQ(ModuleLoadFailure, NotAnXmModule);
  }
  // An image of 16 bytes cannot hold the text.
  Bytes shortId = xmw::WriteModule(Song());
  shortId.resize(16);
  EXPECT_FALSE(LoadXm(shortId));
}

TEST(ModuleHeader, EmptyOrMissingImageIsRefused) {
  EXPECT_EQ(LoadModule(nullptr), nullptr);
  Bytes image = ImageOf({});
  EXPECT_EQ(LoadModule(image.data()), nullptr);
  EXPECT_EQ(ModuleLoadFailure, EmptyImage);
}

// --- Patterns -----------------------------------------------------------------------------

TEST(ModulePatterns, PackedAndPlainCellsDecodeAlike) {
  for (xmw::CellEncoding encoding : {xmw::CellEncoding::Packed, xmw::CellEncoding::PackedAlways,
                                     xmw::CellEncoding::Unpacked}) {
    xmw::Module song = Song(3);
    xmw::Pattern& pattern = song.patterns[0];
    pattern.encoding = encoding;
    pattern.At(0, 0) = {49, 1, 0x40, 0x0F, 0x06};
    pattern.At(0, 2) = {0, 0, 0, 0x0C, 0x20};
    pattern.At(5, 1) = {13, 2, 0, 0, 0};
    pattern.At(63, 2) = {96, 128, 0x10, 0x0E, 0xC3};
    ModulePtr module = LoadXm(song);
    ASSERT_TRUE(module);
    for (int row = 0; row < 64; ++row) {
      for (int channel = 0; channel < 3; ++channel) {
        const ::Cell& got = CellAt(module.get(), 0, row, channel);
        const xmw::Cell& want = pattern.At(row, channel);
        ASSERT_TRUE(got.note == want.note && got.instrument == want.instrument &&
                    got.volume == want.volume && got.effect == want.effect &&
                    got.parameter == want.parameter)
            << "row " << row << " channel " << channel << " encoding " << int(encoding);
      }
    }
  }
}

TEST(ModulePatterns, KeyOffAndInstrumentRange) {
  xmw::Module song = Song(4);
  xmw::Pattern& pattern = song.patterns[0];
  pattern.encoding = xmw::CellEncoding::Unpacked;
  pattern.At(0, 0) = {97, 129, 0, 0, 0};
  pattern.At(0, 1) = {98, 128, 0, 0, 0};
  pattern.At(0, 2) = {0, 255, 0, 0, 0};
  pattern.At(0, 3) = {96, 0, 0, 0, 0};
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(CellAt(module.get(), 0, 0, 0).note, KeyOffNote);
  EXPECT_EQ(CellAt(module.get(), 0, 0, 0).instrument, 0);
  EXPECT_EQ(CellAt(module.get(), 0, 0, 1).note, 98);  // other values stay as read
  EXPECT_EQ(CellAt(module.get(), 0, 0, 1).instrument, 128);
  EXPECT_EQ(CellAt(module.get(), 0, 0, 2).instrument, 0);
  EXPECT_EQ(CellAt(module.get(), 0, 0, 3).note, 96);
}

TEST(ModulePatterns, LeadByteAloneAndPlainCellsConsumeOneAndFiveBytes) {
  // Row 0: 0x80 (empty cell, one byte) then a plain cell; row 1: plain cell then a packed
  // note only. Any miscount shifts every later cell.
  xmw::Module song = Song(2);
  xmw::Pattern& pattern = song.patterns[0];
  pattern.rows = 2;
  pattern.useRawData = true;
  pattern.rawData = {0x80, 10, 2, 0x30, 4, 5, 11, 3, 0x31, 6, 7, 0x81, 12};
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(CellAt(module.get(), 0, 0, 0).note, 0);
  EXPECT_EQ(CellAt(module.get(), 0, 0, 1).parameter, 5);
  EXPECT_EQ(CellAt(module.get(), 0, 1, 0).note, 11);
  EXPECT_EQ(CellAt(module.get(), 0, 1, 0).parameter, 7);
  EXPECT_EQ(CellAt(module.get(), 0, 1, 1).note, 12);
  EXPECT_EQ(CellAt(module.get(), 0, 1, 1).instrument, 0);
}

TEST(ModulePatterns, PackedMaskIgnoresBitsFiveAndSix) {
  xmw::Module song = Song(1);
  song.patterns[0].rows = 2;
  song.patterns[0].useRawData = true;
  song.patterns[0].rawData = {0xE0 | 0x08, 0x0F, 0x80 | 0x60 | 0x10, 0x33};
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(CellAt(module.get(), 0, 0, 0).effect, 0x0F);
  EXPECT_EQ(CellAt(module.get(), 0, 1, 0).parameter, 0x33);
  EXPECT_EQ(CellAt(module.get(), 0, 1, 0).effect, 0);
}

TEST(ModulePatterns, ZeroPackedSizeGivesEmptyRowsAndReadsNoData) {
  // The empty pattern is followed directly by the next pattern's header.
  xmw::Module song = Song(2);
  song.patterns[0].rows = 100;
  int second = song.AddPattern(3);
  song.patterns[second].At(2, 1) = {50, 1, 0, 0, 0};
  song.orders = {0, 1};
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->patterns[0].rowCount, 100u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(module->patterns[0].cells[i].note, 0);
  EXPECT_EQ(CellAt(module.get(), 1, 2, 1).note, 50);
}

// A header of 13 bytes, and cell data with bytes after the last cell that the packed size
// counts: the cells come after the whole header, the next pattern after the whole data.
TEST(ModulePatterns, HeaderLengthAndPackedSizeFindTheCellsAndTheNextPattern) {
  xmw::Module song = Song(1);
  song.patterns[0].rows = 1;
  song.patterns[0].headerPadding = Bytes(4, 0x99);
  song.patterns[0].useRawData = true;
  song.patterns[0].rawData = {0x81, 20, 0x81, 30, 0x99};
  int second = song.AddPattern(1);
  song.patterns[second].At(0, 0) = {40, 0, 0, 0, 0};
  song.orders = {0, 1};
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(CellAt(module.get(), 0, 0, 0).note, 20);
  EXPECT_EQ(CellAt(module.get(), 1, 0, 0).note, 40);
}

TEST(ModulePatterns, OrdersNamingMissingPatternsGetSixtyFourEmptyRows) {
  xmw::Module song = Song(5);
  song.orders = {0, 3, 0};
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->referencedPatternCount, 4);
  EXPECT_EQ(module->patternCount, 4);
  for (int index = 1; index < 4; ++index) {
    const Pattern& pattern = module->patterns[index];
    ASSERT_EQ(pattern.rowCount, 64u);
    ASSERT_NE(pattern.cells, nullptr);
    for (int i = 0; i < 64 * 5; ++i) ASSERT_EQ(pattern.cells[i].effect, 0);
  }
}

TEST(ModulePatterns, OrdersAfterSongLengthDoNotCount) {
  xmw::Module song = Song(2);
  song.orders = {0, 0, 200, 255};
  song.songLengthOverride = 2;
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->referencedPatternCount, 1);
  EXPECT_EQ(module->patternCount, 1);
  EXPECT_EQ(module->orders[3], 255);
}

TEST(ModulePatterns, FilePatternsBeyondTheOrdersAreKept) {
  xmw::Module song = Song(2);
  song.AddPattern(8);
  song.AddPattern(9);
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->referencedPatternCount, 1);
  EXPECT_EQ(module->patternCount, 3);
  EXPECT_EQ(module->patterns[2].rowCount, 9u);
}

TEST(ModulePatterns, ZeroRowsGiveNoCells) {
  xmw::Module song = Song(2);
  song.patterns[0].rows = 0;
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->patterns[0].rowCount, 0u);
  EXPECT_EQ(module->patterns[0].cells, nullptr);
}

// --- Instruments --------------------------------------------------------------------------

TEST(ModuleInstruments, SlotsBeyondTheSamplesPointAtEmptySample) {
  xmw::Module song = Song();
  song.instruments.push_back(xmw::Instrument{});
  song.instruments.push_back(InstrumentWith({MakeSample(8, {1}), MakeSample(8, {2}),
                                             MakeSample(16, {3})}));
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  ASSERT_EQ(module->instrumentCount, 2);
  const Instrument& empty = module->instruments[0];
  EXPECT_EQ(empty.sampleCount, 0);
  for (Sample* slot : empty.samples) EXPECT_EQ(slot, &EmptySample);
  const Instrument& three = module->instruments[1];
  EXPECT_EQ(three.sampleCount, 3);
  for (int slot = 0; slot < 3; ++slot) EXPECT_NE(three.samples[slot], &EmptySample);
  for (int slot = 3; slot < 16; ++slot) EXPECT_EQ(three.samples[slot], &EmptySample);
  EXPECT_EQ(three.samples[2]->data[0], 3);
  EXPECT_EQ(EmptySample.data, nullptr);
  EXPECT_EQ(EmptySample.loopKind, 0);
}

TEST(ModuleInstruments, FieldsAsReadFadeoutDoubled) {
  xmw::Instrument instrument = InstrumentWith({MakeSample(8, {0, 0})});
  for (int note = 0; note < 96; ++note) instrument.sampleMap[note] = uint8_t(note % 3 == 2 ? 17 : 0);
  instrument.volumeEnvelope.points = {{0, 64}, {10, 32}, {300, 0}};
  instrument.volumeEnvelope.sustainPoint = 1;
  instrument.volumeEnvelope.loopStart = 0;
  instrument.volumeEnvelope.loopEnd = 2;
  instrument.volumeEnvelope.flags = xmw::kEnvelopeOn | xmw::kEnvelopeLoop;
  instrument.panningEnvelope.points = {{0, 32}, {65535, 64}};
  instrument.panningEnvelope.sustainPoint = 1;
  instrument.panningEnvelope.loopStart = 5;
  instrument.panningEnvelope.loopEnd = 6;
  instrument.panningEnvelope.flags = xmw::kEnvelopeOn | xmw::kEnvelopeSustain;
  instrument.vibratoType = 2;
  instrument.vibratoSweep = 3;
  instrument.vibratoDepth = 4;
  instrument.vibratoRate = 5;
  instrument.fadeout = 261;
  xmw::Module song = Song();
  song.instruments.push_back(instrument);
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  const Instrument& got = module->instruments[0];
  EXPECT_EQ(got.sampleMap[2], 17);  // as read, also beyond 16
  EXPECT_EQ(got.sampleMap[3], 0);
  EXPECT_EQ(got.volumeEnvelope[2].tick, 300);
  EXPECT_EQ(got.volumeEnvelope[1].value, 32);
  EXPECT_EQ(got.panningEnvelope[1].tick, 65535);
  EXPECT_EQ(got.panningEnvelope[1].value, 64);
  EXPECT_EQ(got.volumePointCount, 3);
  EXPECT_EQ(got.panningPointCount, 2);
  EXPECT_EQ(got.volumeSustainPoint, 1);
  EXPECT_EQ(got.volumeLoopStart, 0);
  EXPECT_EQ(got.volumeLoopEnd, 2);
  EXPECT_EQ(got.panningSustainPoint, 1);
  EXPECT_EQ(got.panningLoopStart, 5);
  EXPECT_EQ(got.panningLoopEnd, 6);
  EXPECT_EQ(got.volumeEnvelopeFlags, EnvelopeOn | EnvelopeLoop);
  EXPECT_EQ(got.panningEnvelopeFlags, EnvelopeOn | EnvelopeSustain);
  EXPECT_EQ(got.vibratoType, 2);
  EXPECT_EQ(got.vibratoSweep, 3);
  EXPECT_EQ(got.vibratoDepth, 4);
  EXPECT_EQ(got.vibratoRate, 5);
  EXPECT_EQ(got.fadeout, 522);
}

TEST(ModuleInstruments, FadeoutDoublesModulo65536) {
  xmw::Instrument instrument = InstrumentWith({MakeSample(8, {0})});
  instrument.fadeout = 0x8001;
  xmw::Module song = Song();
  song.instruments.push_back(instrument);
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instruments[0].fadeout, 2);
}

TEST(ModuleInstruments, EnvelopeOfFewerThanTwoPointsIsOff) {
  xmw::Instrument instrument = InstrumentWith({MakeSample(8, {0})});
  instrument.volumeEnvelope.points = {{0, 64}};
  instrument.volumeEnvelope.flags = xmw::kEnvelopeOn | xmw::kEnvelopeSustain;
  instrument.panningEnvelope.flags = xmw::kEnvelopeOn;
  xmw::Module song = Song();
  song.instruments.push_back(instrument);
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instruments[0].volumeEnvelopeFlags, 0);
  EXPECT_EQ(module->instruments[0].panningEnvelopeFlags, 0);
}

TEST(ModuleInstruments, FieldsOfAnInstrumentWithoutSamplesAreNotRead) {
  // A full header with a sample map, but no samples: none of it is taken.
  xmw::Instrument instrument;
  instrument.fullHeaderWhenEmpty = true;
  instrument.sampleMap = xmw::UniformSampleMap(5);
  instrument.fadeout = 100;
  xmw::Module song = Song();
  song.instruments = {instrument, InstrumentWith({MakeSample(8, {7})})};
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instruments[0].sampleMap[0], 0);
  EXPECT_EQ(module->instruments[0].fadeout, 0);
  EXPECT_EQ(module->instruments[1].samples[0]->data[0], 7 * 256);
}

TEST(ModuleInstruments, HeaderSizeDecidesWhereSampleHeadersStart) {
  xmw::Instrument instrument = InstrumentWith({MakeSample(8, {9, 9})});
  instrument.headerPadding = Bytes(37, 0xEE);
  xmw::Module song = Song();
  song.instruments = {instrument, InstrumentWith({MakeSample(16, {-5})})};
  song.instruments[0].sampleHeaderSizeOverride = 99;  // ignored: sample headers are 40 bytes
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instruments[0].samples[0]->length, 2u);
  EXPECT_EQ(module->instruments[0].samples[0]->data[1], 9 * 256);
  EXPECT_EQ(module->instruments[1].samples[0]->data[0], -5);
}

TEST(ModuleInstruments, SeventeenSamplesRefuseTheWholeLoad) {
  xmw::Module song = Song();
  song.instruments.push_back(InstrumentWith({MakeSample(8, {1})}));
  song.instruments.push_back(InstrumentWith(std::vector<xmw::Sample>(17, MakeSample(8, {1, 2}))));
  EXPECT_FALSE(LoadXm(song));
  EXPECT_EQ(ModuleLoadFailure, TooManySamples);
  song.instruments[1].samples.resize(16);
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instruments[1].sampleCount, 16);
}

// --- Samples ------------------------------------------------------------------------------

TEST(ModuleSamples, FieldsAsRead) {
  xmw::Sample sample = MakeSample(8, {1, 2, 3});
  sample.volume = 40;
  sample.finetune = -100;
  sample.panning = 255;
  sample.relativeNote = -24;
  ModulePtr module = LoadXm(SongWithSamples({sample}));
  ASSERT_TRUE(module);
  const Sample& got = *module->instruments[0].samples[0];
  EXPECT_EQ(got.volume, 40);
  EXPECT_EQ(got.finetune, -100);
  EXPECT_EQ(got.panning, 255u);
  EXPECT_EQ(got.relativeNote, -24);
  EXPECT_EQ(got.bits, 16);
}

TEST(ModuleSamples, EightBitDeltasBecomeSixteenBitValues) {
  xmw::Sample sample = MakeSample(8, {});
  sample.useRawData = true;
  sample.rawData = {1, 1, 1};
  sample.lengthBytesOverride = 3;
  ModulePtr module = LoadXm(SongWithSamples({sample}));
  ASSERT_TRUE(module);
  const Sample& got = *module->instruments[0].samples[0];
  ASSERT_EQ(got.length, 3u);
  EXPECT_EQ(got.data[0], 256);
  EXPECT_EQ(got.data[1], 512);
  EXPECT_EQ(got.data[2], 768);
  EXPECT_EQ(got.bits, 16);
}

TEST(ModuleSamples, EveryValueOfBothWidthsSurvivesTheDeltas) {
  std::vector<int16_t> ramp = Ramp8(700);
  std::vector<int16_t> wide = Wide16(700);
  ModulePtr module = LoadXm(SongWithSamples({MakeSample(8, ramp), MakeSample(16, wide)}));
  ASSERT_TRUE(module);
  const Sample& eight = *module->instruments[0].samples[0];
  const Sample& sixteen = *module->instruments[0].samples[1];
  ASSERT_EQ(eight.length, 700u);
  ASSERT_EQ(sixteen.length, 700u);
  for (size_t i = 0; i < 700; ++i) {
    ASSERT_EQ(eight.data[i], ramp[i] * 256) << i;
    ASSERT_EQ(sixteen.data[i], wide[i]) << i;
  }
  for (uint32_t i = 700; i < 708; ++i) {
    EXPECT_EQ(eight.data[i], 0);  // no loop: the samples after the end stay zero
    EXPECT_EQ(sixteen.data[i], 0);
  }
}

TEST(ModuleSamples, SixteenBitLoopHalvedWithGuard) {
  // 1,000 bytes with a loop of 200 bytes from byte 100.
  std::vector<int16_t> pcm = Wide16(500);
  xmw::Sample sample = MakeSample(16, pcm, xmw::LoopType::Forward, 50, 100);
  ModulePtr module = LoadXm(SongWithSamples({sample}));
  ASSERT_TRUE(module);
  const Sample& got = *module->instruments[0].samples[0];
  EXPECT_EQ(got.length, 500u);
  EXPECT_EQ(got.loopStart, 50u);
  EXPECT_EQ(got.loopLength, 100u);
  EXPECT_EQ(got.loopKind, ForwardLoop);
  EXPECT_EQ(got.data[150], pcm[50]);  // the guard repeats the loop start
  EXPECT_EQ(got.data[151], pcm[151]);  // the sample itself goes on after the loop
}

TEST(ModuleSamples, PingPongGuardRepeatsTheLastLoopSample) {
  std::vector<int16_t> pcm = Ramp8(64);
  for (uint8_t type : {2, 3}) {  // bit 1 alone and both loop bits loop ping-pong
    xmw::Sample sample = MakeSample(8, pcm, xmw::LoopType::PingPong, 10, 20);
    sample.typeOverride = type;
    ModulePtr module = LoadXm(SongWithSamples({sample}));
    ASSERT_TRUE(module);
    const Sample& got = *module->instruments[0].samples[0];
    EXPECT_EQ(got.loopKind, PingPongLoop);
    EXPECT_EQ(got.data[30], pcm[29] * 256);
  }
}

TEST(ModuleSamples, GuardAtTheEndOfALoopThatEndsTheSample) {
  std::vector<int16_t> pcm = Ramp8(40);
  pcm[0] = 5;
  ModulePtr module = LoadXm(SongWithSamples(
      {MakeSample(8, pcm, xmw::LoopType::Forward, 0, 40),
       MakeSample(16, {-7, 8, -9}, xmw::LoopType::PingPong, 1, 2)}));
  ASSERT_TRUE(module);
  const Sample& forward = *module->instruments[0].samples[0];
  EXPECT_EQ(forward.data[40], 5 * 256);
  const Sample& pingPong = *module->instruments[0].samples[1];
  EXPECT_EQ(pingPong.data[3], -9);
  for (uint32_t i = 41; i < 48; ++i) EXPECT_EQ(forward.data[i], 0);
}

TEST(ModuleSamples, WithoutLoopStartIsZeroAndLengthIsTheEnd) {
  xmw::Sample sample = MakeSample(8, Ramp8(30));
  sample.loopStartBytesOverride = 7;  // a loop start without a loop bit means nothing
  sample.loopLengthBytesOverride = 3;
  ModulePtr module = LoadXm(SongWithSamples({sample}));
  ASSERT_TRUE(module);
  const Sample& got = *module->instruments[0].samples[0];
  EXPECT_EQ(got.loopKind, NoLoop);
  EXPECT_EQ(got.loopStart, 0u);
  EXPECT_EQ(got.loopLength, 30u);
  EXPECT_EQ(got.data[30], 0);
}

TEST(ModuleSamples, LoopFlagWithLoopLengthZeroIsNoLoop) {
  for (uint8_t bits : {8, 16}) {
    xmw::Sample sample = MakeSample(bits, Wide16(20), xmw::LoopType::Forward, 5, 0);
    // One byte of loop in a 16-bit sample halves to 0 as well.
    if (bits == 16) sample.loopLengthBytesOverride = 1;
    ModulePtr module = LoadXm(SongWithSamples({sample}));
    ASSERT_TRUE(module);
    const Sample& got = *module->instruments[0].samples[0];
    EXPECT_EQ(got.loopKind, NoLoop);
    EXPECT_EQ(got.loopStart, 0u);
    EXPECT_EQ(got.loopLength, 20u);
  }
}

TEST(ModuleSamples, EmptySampleHasNoData) {
  xmw::Sample empty = MakeSample(8, {}, xmw::LoopType::Forward, 0, 0);
  ModulePtr module = LoadXm(SongWithSamples({empty, MakeSample(8, {4})}));
  ASSERT_TRUE(module);
  const Sample& got = *module->instruments[0].samples[0];
  EXPECT_EQ(got.data, nullptr);
  EXPECT_EQ(got.length, 0u);
  EXPECT_EQ(got.loopStart + got.loopLength, 0u);
  EXPECT_EQ(module->instruments[0].samples[1]->data[0], 4 * 256);
}

TEST(ModuleSamples, DataOfEverySampleInSlotOrderThenTheNextInstrument) {
  xmw::Module song = Song();
  song.instruments.push_back(
      InstrumentWith({MakeSample(16, {100, 200}), MakeSample(8, {}), MakeSample(8, {3, 4, 5})}));
  song.instruments.push_back(InstrumentWith({MakeSample(16, {-1})}));
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instruments[0].samples[0]->data[1], 200);
  EXPECT_EQ(module->instruments[0].samples[2]->data[2], 5 * 256);
  EXPECT_EQ(module->instruments[1].samples[0]->data[0], -1);
}

// --- Reader -------------------------------------------------------------------------------

TEST(ModuleReaderTest, ReadsAreCutAtTheEndAndLeaveTheRestOfTheDestination) {
  const uint8_t bytes[5] = {1, 2, 3, 4, 5};
  ModuleReader reader = {bytes, 5, 3};
  uint8_t out[4] = {9, 9, 9, 9};
  ReadBytes(&reader, out, 4);
  EXPECT_EQ(out[0], 4);
  EXPECT_EQ(out[1], 5);
  EXPECT_EQ(out[2], 9);
  EXPECT_EQ(reader.position, 5);
  ReadBytes(&reader, out, 1);
  EXPECT_EQ(out[0], 4);
  EXPECT_EQ(reader.position, 5);
  ReadBytes(nullptr, out, 1);
  ReadBytes(&reader, out, -3);
  EXPECT_EQ(reader.position, 5);
}

TEST(ModuleReaderTest, SeekOriginsStayInsideTheImage) {
  const uint8_t bytes[10] = {};
  ModuleReader reader = {bytes, 10, 0};
  SeekReader(&reader, 4, SeekFromStart);
  EXPECT_EQ(reader.position, 4);
  SeekReader(&reader, 3, SeekFromCurrent);
  EXPECT_EQ(reader.position, 7);
  SeekReader(&reader, -2, SeekFromEnd);
  EXPECT_EQ(reader.position, 8);
  SeekReader(&reader, 5, SeekFromCurrent);
  EXPECT_EQ(reader.position, 10);
  SeekReader(&reader, 0, 3);  // unknown origin: no move
  EXPECT_EQ(reader.position, 10);
  SeekReader(&reader, -20, SeekFromCurrent);
  EXPECT_EQ(reader.position, 0);
  SeekReader(&reader, INT32_MAX, SeekFromEnd);
  EXPECT_EQ(reader.position, 10);
  SeekReader(&reader, INT32_MIN, SeekFromStart);
  EXPECT_EQ(reader.position, 0);
  SeekReader(nullptr, 1, SeekFromStart);
}

TEST(ModuleFreeing, NullIsRefusedAndEverythingElseReleased) {
  EXPECT_FALSE(FreeModule(nullptr));
  // The sanitizer build checks that this releases every block.
  Bytes image = ImageOf(xmw::WriteModule(SongWithSamples({MakeSample(8, {1}), MakeSample(16, {})})));
  Module* module = LoadModule(image.data());
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(FreeModule(module));
}

}  // namespace
