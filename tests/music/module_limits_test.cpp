// The loader on files beyond what the format promises: each is refused or held within its
// blocks, and whatever loads is fit for the sequencer and the mixer.
#include <gtest/gtest.h>

#include "tests/music/module_checks.h"
#include "tests/music/xm_builder.h"

using namespace xmtest;

namespace {

// A module with every kind of record: packed and plain patterns, a missing pattern, empty and
// full instruments, 8- and 16-bit samples with every loop kind.
xmw::Module RichSong() {
  xmw::Module song = Song(5);
  song.patterns[0].At(0, 0) = {49, 1, 0x40, 0x0C, 0x20};
  song.patterns[0].At(3, 4) = {97, 0, 0, 0, 0};
  int plain = song.AddPattern(4);
  song.patterns[plain].encoding = xmw::CellEncoding::Unpacked;
  song.patterns[plain].At(1, 2) = {60, 2, 0, 3, 0x10};
  song.orders = {0, 1, 2, 0};
  xmw::Instrument full = InstrumentWith(
      {MakeSample(8, Ramp8(50), xmw::LoopType::Forward, 10, 30),
       MakeSample(16, Wide16(40), xmw::LoopType::PingPong, 5, 20),
       MakeSample(16, Wide16(9))});
  full.volumeEnvelope.points = {{0, 64}, {20, 0}};
  full.volumeEnvelope.flags = xmw::kEnvelopeOn;
  full.fadeout = 300;
  song.instruments = {full, xmw::Instrument{}, InstrumentWith({MakeSample(8, Ramp8(33))})};
  return song;
}

TEST(ModuleLimits, RichSongLoadsWhole) {
  ModulePtr module = LoadXm(RichSong());
  ASSERT_TRUE(module);
  ExpectPlayable(module.get());
  EXPECT_EQ(module->patternCount, 3);
  EXPECT_EQ(module->instruments[2].samples[0]->length, 33u);
}

TEST(ModuleLimits, FileCutOffAtAnyByteLoadsOrIsRefusedCleanly) {
  Bytes whole = xmw::WriteModule(RichSong());
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    Bytes part(whole.begin(), whole.begin() + cut);
    ModulePtr module = LoadXm(part);
    // Too short for the ID text or the channel count: refused; from there on it loads.
    ASSERT_EQ(module != nullptr, cut >= kChannelCountOffset + 1) << "cut at " << cut;
    if (module) ExpectPlayable(module.get());
  }
}

TEST(ModuleLimits, CutSampleKeepsWhatTheFileHolds) {
  std::vector<int16_t> pcm = Wide16(100);
  Bytes xm = xmw::WriteModule(
      SongWithSamples({MakeSample(16, pcm, xmw::LoopType::Forward, 20, 70)}));
  xm.resize(xm.size() - 2 * 40 - 1);  // 59 whole values and half of the 60th are left
  ModulePtr module = LoadXm(xm);
  ASSERT_TRUE(module);
  const Sample& got = *module->instruments[0].samples[0];
  EXPECT_EQ(got.length, 59u);
  EXPECT_EQ(got.loopStart, 20u);
  EXPECT_EQ(got.loopLength, 39u);  // the loop now ends with the sample
  EXPECT_EQ(got.data[58], pcm[58]);
  EXPECT_EQ(got.data[59], pcm[20]);  // guard
}

TEST(ModuleLimits, ImageCountBeyondTheBytesIsCutToThem) {
  Bytes xm = xmw::WriteModule(SongWithSamples({MakeSample(8, Ramp8(64))}));
  Bytes image = ImageOf(xm, uint32_t(xm.size()) + 100000);
  Module* module = LoadModuleImage(image.data(), image.size() - 10);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->instruments[0].samples[0]->length, 54u);
  FreeModule(module);
  EXPECT_EQ(LoadModuleImage(image.data(), 3), nullptr);
  EXPECT_EQ(LoadModuleImage(nullptr, 100), nullptr);
  // A count smaller than the bytes is kept.
  image = ImageOf(xm, uint32_t(xm.size()) - 4);
  module = LoadModuleImage(image.data(), image.size());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->instruments[0].samples[0]->length, 60u);
  FreeModule(module);
}

TEST(ModuleLimits, NoChannelsIsRefused) {
  xmw::Module song = Song();
  song.channelCountOverride = 0;
  EXPECT_FALSE(LoadXm(song));
  EXPECT_EQ(ModuleLoadFailure, NoChannels);
}

TEST(ModuleLimits, ChannelsBeyondThirtyTwoAreReadPastNotKept) {
  for (uint16_t channels : {33, 64, 1000}) {
    xmw::Module song;
    song.channels = channels;
    song.AddPattern(2);
    song.AddPattern(1);
    song.orders = {0, 1};
    song.patterns[0].At(0, 31) = {31, 0, 0, 0, 0};
    song.patterns[0].At(0, 32) = {32, 0, 0, 0, 0};
    song.patterns[0].At(1, channels - 1) = {33, 0, 0, 0, 0};
    song.patterns[0].At(1, 0) = {34, 0, 0, 0, 0};
    song.patterns[1].At(0, 0) = {35, 0, 0, 0, 0};
    song.instruments = {InstrumentWith({MakeSample(8, {1, 2})})};
    ModulePtr module = LoadXm(song);
    ASSERT_TRUE(module) << channels;
    ExpectPlayable(module.get());
    EXPECT_EQ(module->channelCount, 32);
    EXPECT_EQ(module->patterns[0].cells[31].note, 31);
    EXPECT_EQ(module->patterns[0].cells[32].note, 34);  // row 1, channel 0
    EXPECT_EQ(module->patterns[1].cells[0].note, 35);
    EXPECT_EQ(module->instruments[0].samples[0]->data[1], 2 * 256);
  }
}

TEST(ModuleLimits, SongLengthKeptWithinTheOrderTable) {
  xmw::Module song = Song();
  song.orders.assign(256, 0);
  song.orders[255] = 7;
  song.songLengthOverride = 0xFFFF;
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->songLength, 256);
  EXPECT_EQ(module->referencedPatternCount, 8);
  ExpectPlayable(module.get());

  // No order to play at all: the first one is played.
  song = Song();
  song.orders = {2};
  song.songLengthOverride = 0;
  module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->songLength, 1);
  EXPECT_EQ(module->patternCount, 3);
  ExpectPlayable(module.get());
}

TEST(ModuleLimits, RestartPositionOutsideTheSongStartsOver) {
  xmw::Module song = Song();
  song.orders = {0, 0, 0};
  song.restartPosition = 3;
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->restartPosition, 0);
  song.restartPosition = 2;
  module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->restartPosition, 2);
}

TEST(ModuleLimits, InstrumentsBeyondWhatCellsCanNameAreNotRead) {
  xmw::Module song = Song();
  song.instruments.assign(129, InstrumentWith({MakeSample(8, {1})}));
  song.instruments[127] = InstrumentWith({MakeSample(8, {5})});
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instrumentCount, 128);
  EXPECT_EQ(module->instruments[127].samples[0]->data[0], 5 * 256);

  // A count of 65,535 in a file that holds two.
  song.instruments.resize(2);
  song.instrumentCountOverride = 0xFFFF;
  module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instrumentCount, 128);
  EXPECT_EQ(module->instruments[100].sampleCount, 0);
  ExpectPlayable(module.get());
}

TEST(ModuleLimits, SongHeaderSizePastTheImageLeavesEmptyPatternsAndInstruments) {
  xmw::Module song = RichSong();
  song.headerSizeOverride = 0xFFFFFFF0;  // 60 + this wraps to 44 in 32 bits
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  ExpectPlayable(module.get());
  EXPECT_EQ(module->patterns[0].rowCount, 0u);
  EXPECT_EQ(module->instruments[0].sampleCount, 0);
}

TEST(ModuleLimits, SongHeaderSizeBeforeTheOrdersReadsFromThere) {
  // The file's word for where patterns begin is taken, even inside the header.
  for (uint32_t headerSize : {0u, 4u, 20u, 100u}) {
    xmw::Module song = RichSong();
    song.headerSizeOverride = headerSize;
    ModulePtr module = LoadXm(song);
    if (module) ExpectPlayable(module.get());
  }
}

TEST(ModuleLimits, InstrumentHeaderSizesPastOrBeforeThemselves) {
  for (int64_t headerSize : {int64_t(0), int64_t(3), int64_t(40), int64_t(0xFFFFFFFF)}) {
    xmw::Module song = RichSong();
    song.instruments[0].headerSizeOverride = headerSize;
    song.instruments[1].headerSizeOverride = headerSize;
    ModulePtr module = LoadXm(song);
    ASSERT_TRUE(module) << headerSize;
    ExpectPlayable(module.get());
  }
}

TEST(ModuleLimits, EmptyInstrumentsThatPointBackAtThemselvesEndWithTheCount) {
  xmw::Module song = Song();
  song.instruments.assign(3, xmw::Instrument{});
  song.instruments[0].headerSizeOverride = 0;
  song.instrumentCountOverride = 128;
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instrumentCount, 128);
}

TEST(ModuleLimits, HugeRowCountsAreHeldOrRefusedNotOverflowed) {
  // One pattern of 65,535 rows of 32 channels fits; three hundred of them would take 3 GiB,
  // far beyond what one module may take, and are refused.
  xmw::Module song = Song(32);
  song.patterns[0].rows = 0xFFFF;
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->patterns[0].rowCount, 0xFFFFu);
  EXPECT_EQ(module->patterns[0].cells[0xFFFF * 32 - 1].note, 0);

  song.patterns.assign(300, song.patterns[0]);
  EXPECT_FALSE(LoadXm(song));
  EXPECT_EQ(ModuleLoadFailure, OutOfMemory);
}

TEST(ModuleLimits, PackedDataShorterThanThePatternLeavesTheRestEmpty) {
  xmw::Module song = Song(4);
  song.patterns[0].rows = 0xFFFF;
  song.patterns[0].useRawData = true;
  song.patterns[0].rawData = {0x81, 10};
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->patterns[0].cells[0].note, 10);
  EXPECT_EQ(module->patterns[0].cells[4].note, 0);
}

TEST(ModuleLimits, SampleLengthsBeyondTheFileAreCutToIt) {
  for (uint32_t lengthBytes : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFF9u}) {
    for (uint8_t bits : {8, 16}) {
      xmw::Sample sample = MakeSample(bits, Wide16(10), xmw::LoopType::Forward, 2, 5);
      sample.lengthBytesOverride = lengthBytes;
      sample.loopLengthBytesOverride = 0xFFFFFFFF;
      ModulePtr module = LoadXm(SongWithSamples({sample}));
      ASSERT_TRUE(module);
      ExpectPlayable(module.get());
      const Sample& got = *module->instruments[0].samples[0];
      EXPECT_EQ(got.length, 10u);
      EXPECT_EQ(got.loopStart + got.loopLength, 10u);
    }
  }
}

TEST(ModuleLimits, LoopsReachingPastTheSampleEndWithIt) {
  struct Case {
    uint32_t loopStart, loopLength, wantStart, wantLength;
    uint8_t wantKind;
  };
  const Case cases[] = {
      {10, 30, 10, 22, ForwardLoop},          // end past the sample: cut to the end
      {31, 1, 31, 1, ForwardLoop},            // the last sample alone
      {32, 4, 0, 32, NoLoop},                 // starts at the end: no loop
      {0xFFFFFFF0, 0x20, 0, 32, NoLoop},      // start + length wraps in 32 bits
      {5, 0xFFFFFFFF, 5, 27, ForwardLoop},
  };
  for (const Case& c : cases) {
    xmw::Sample sample = MakeSample(8, Ramp8(32), xmw::LoopType::Forward, c.loopStart, c.loopLength);
    ModulePtr module = LoadXm(SongWithSamples({sample}));
    ASSERT_TRUE(module);
    ExpectPlayable(module.get());
    const Sample& got = *module->instruments[0].samples[0];
    EXPECT_EQ(got.loopKind, c.wantKind) << c.loopStart << "+" << c.loopLength;
    EXPECT_EQ(got.loopStart, c.wantStart) << c.loopStart << "+" << c.loopLength;
    EXPECT_EQ(got.loopLength, c.wantLength) << c.loopStart << "+" << c.loopLength;
    if (c.wantKind == ForwardLoop) {
      EXPECT_EQ(got.data[c.wantStart + c.wantLength], got.data[c.wantStart]);
    }
  }
}

TEST(ModuleLimits, OddSixteenBitByteCountDoesNotShiftTheNextSample) {
  xmw::Sample odd = MakeSample(16, {1000, 2000, 3000});
  odd.useRawData = true;
  odd.rawData = xmw::DeltaEncode({1000, 2000, 3000}, 16);
  odd.rawData.push_back(0x55);  // a stray seventh byte
  odd.lengthBytesOverride = 7;
  ModulePtr module = LoadXm(SongWithSamples({odd, MakeSample(16, {-1234, 99})}));
  ASSERT_TRUE(module);
  EXPECT_EQ(module->instruments[0].samples[0]->length, 3u);
  EXPECT_EQ(module->instruments[0].samples[0]->data[2], 3000);
  EXPECT_EQ(module->instruments[0].samples[1]->data[0], -1234);
  EXPECT_EQ(module->instruments[0].samples[1]->data[1], 99);
}

TEST(ModuleLimits, ManyPatternsInATinyFileStayCheap) {
  // 65,535 pattern headers that the file does not hold all read as 0 rows.
  xmw::Module song = Song();
  song.patternCountOverride = 0xFFFF;
  ModulePtr module = LoadXm(song);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->patternCount, 0xFFFF);
  EXPECT_EQ(module->patterns[0].rowCount, 64u);
  EXPECT_EQ(module->patterns[1].rowCount, 0u);
}

}  // namespace
