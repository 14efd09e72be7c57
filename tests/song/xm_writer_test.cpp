// The XM writer: what it puts where, checked against an independent reader and against
// byte offsets of the format.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/song/xm_test_reader.h"
#include "tools/xmwriter/xm_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U32At(const Bytes& bytes, size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (uint32_t(bytes[at + 3]) << 24);
}
uint16_t U16At(const Bytes& bytes, size_t at) { return uint16_t(bytes[at] | (bytes[at + 1] << 8)); }

// Deterministic pseudo-random cells: about half the fields empty, so every packing mask occurs.
std::vector<xmw::Cell> RandomCells(size_t count, uint32_t seed) {
  std::vector<xmw::Cell> cells(count);
  auto next = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 24;
  };
  for (xmw::Cell& cell : cells) {
    uint8_t* fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect, &cell.parameter};
    for (uint8_t* field : fields) {
      if (next() & 1) *field = uint8_t(next());
    }
    if (cell.note >= 0x80) cell.note &= 0x7F;  // a note byte never has bit 7 in a valid file
  }
  return cells;
}

xmw::Module SmallModule(uint16_t channels, uint16_t rows) {
  xmw::Module module;
  module.channels = channels;
  module.orders = {0};
  module.AddPattern(rows);
  return module;
}

xmw::Sample MakeSample(uint8_t bits, std::vector<int16_t> pcm, xmw::LoopType loop,
                       uint32_t loopStart, uint32_t loopLength) {
  xmw::Sample sample;
  sample.bits = bits;
  sample.pcm = std::move(pcm);
  sample.loop = loop;
  sample.loopStart = loopStart;
  sample.loopLength = loopLength;
  return sample;
}

bool SameCells(const std::vector<xmw::Cell>& written, const std::vector<xmtest::Cell>& read) {
  if (written.size() != read.size()) return false;
  for (size_t i = 0; i < written.size(); i++) {
    const xmw::Cell& a = written[i];
    const xmtest::Cell& b = read[i];
    if (a.note != b.note || a.instrument != b.instrument || a.volume != b.volume ||
        a.effect != b.effect || a.parameter != b.parameter) {
      ADD_FAILURE() << "cell " << i << " differs";
      return false;
    }
  }
  return true;
}

// --- cells and patterns -----------------------------------------------------------------------

TEST(XmWriterCells, PackedCellsCarryOnlyTheFieldsPresent) {
  using xmw::CellEncoding;
  EXPECT_EQ(xmw::EncodeCell({}, CellEncoding::Packed), (Bytes{0x80}));
  EXPECT_EQ(xmw::EncodeCell({49, 0, 0, 0, 0}, CellEncoding::Packed), (Bytes{0x81, 49}));
  EXPECT_EQ(xmw::EncodeCell({0, 3, 0x40, 0, 0}, CellEncoding::Packed), (Bytes{0x86, 3, 0x40}));
  // Arpeggio is effect 0: only its parameter is stored, and it must not be lost.
  EXPECT_EQ(xmw::EncodeCell({0, 0, 0, 0, 0x37}, CellEncoding::Packed), (Bytes{0x90, 0x37}));
  EXPECT_EQ(xmw::EncodeCell({97, 0, 0, 0xD, 0}, CellEncoding::Packed), (Bytes{0x89, 97, 0xD}));
}

TEST(XmWriterCells, FullCellsAreFivePlainBytesUnlessForcedPacked) {
  xmw::Cell full{61, 2, 0x30, 0xA, 0x0F};
  Bytes plain{61, 2, 0x30, 0xA, 0x0F};
  EXPECT_EQ(xmw::EncodeCell(full, xmw::CellEncoding::Packed), plain);
  EXPECT_EQ(xmw::EncodeCell(full, xmw::CellEncoding::Unpacked), plain);
  EXPECT_EQ(xmw::EncodeCell(full, xmw::CellEncoding::PackedAlways),
            (Bytes{0x9F, 61, 2, 0x30, 0xA, 0x0F}));
  EXPECT_EQ(xmw::EncodeCell({}, xmw::CellEncoding::Unpacked), (Bytes{0, 0, 0, 0, 0}));
}

TEST(XmWriterCells, EveryEncodingRoundTripsThroughAReader) {
  for (xmw::CellEncoding encoding : {xmw::CellEncoding::Packed, xmw::CellEncoding::PackedAlways,
                                     xmw::CellEncoding::Unpacked}) {
    xmw::Module module = SmallModule(7, 50);
    xmw::Pattern& pattern = module.patterns[0];
    pattern.cells = RandomCells(pattern.cells.size(), 12345);
    pattern.encoding = encoding;
    Bytes data = xmw::EncodePatternData(pattern);
    std::vector<xmtest::Cell> decoded;
    size_t used = 0;
    ASSERT_TRUE(xmtest::DecodeCells(data.data(), data.size(), pattern.cells.size(), &decoded, &used));
    EXPECT_EQ(used, data.size()) << "no bytes left over or missing";
    EXPECT_TRUE(SameCells(pattern.cells, decoded));
    if (encoding == xmw::CellEncoding::Unpacked) {
      EXPECT_EQ(data.size(), 5u * 7 * 50);
    }

    xmtest::Module read;
    std::string error;
    ASSERT_TRUE(xmtest::ReadModule(xmw::WriteModule(module), &read, &error)) << error;
    ASSERT_EQ(read.patterns.size(), 1u);
    EXPECT_EQ(read.patterns[0].packedSize, data.size());
    EXPECT_TRUE(SameCells(pattern.cells, read.patterns[0].cells));
  }
}

TEST(XmWriterCells, AllEmptyPatternHasNoDataUnlessAskedFor) {
  xmw::Module module = SmallModule(4, 32);
  module.AddPattern(16);
  module.patterns[1].At(3, 2).note = 50;
  Bytes bytes = xmw::WriteModule(module);
  size_t first = 60 + xmw::kHeaderSize;
  EXPECT_EQ(U16At(bytes, first + 5), 32) << "row count";
  EXPECT_EQ(U16At(bytes, first + 7), 0) << "packed size of an empty pattern";
  size_t second = first + xmw::kPatternHeaderSize;  // directly after the empty one
  EXPECT_EQ(U16At(bytes, second + 5), 16);
  EXPECT_EQ(U16At(bytes, second + 7), 4 * 16 + 1) << "63 empty cells, one with a note";

  module.patterns[0].writeEmptyCells = true;
  bytes = xmw::WriteModule(module);
  EXPECT_EQ(U16At(bytes, first + 7), 4 * 32);
  EXPECT_EQ(bytes[first + 9], 0x80);
}

// --- samples -----------------------------------------------------------------------------------

TEST(XmWriterSamples, DeltaEncodingStoresDifferencesModuloTheWidth) {
  // Values 1, 2, 3 are stored as the deltas 1, 1, 1.
  EXPECT_EQ(xmw::DeltaEncode({1, 2, 3}, 8), (Bytes{1, 1, 1}));
  // 8-bit deltas wrap: 127 -> -128 is +1 modulo 256, -128 -> 127 is -1.
  EXPECT_EQ(xmw::DeltaEncode({127, -128, 127, 0}, 8), (Bytes{0x7F, 0x01, 0xFF, 0x81}));
  // 16-bit deltas are little-endian and wrap modulo 65536.
  EXPECT_EQ(xmw::DeltaEncode({1000, -1000, 32767, -32768}, 16),
            (Bytes{0xE8, 0x03, 0x30, 0xF8, 0xE7, 0x83, 0x01, 0x00}));
  EXPECT_TRUE(xmw::DeltaEncode({}, 16).empty());
}

TEST(XmWriterSamples, SampleDataRoundTripsAtBothWidths) {
  std::vector<int16_t> wide, narrow;
  for (int i = 0; i < 700; i++) {
    wide.push_back(int16_t((i * 7919) ^ (i << 9)));
    narrow.push_back(int16_t(int8_t(i * 37)));
  }
  xmw::Module module = SmallModule(2, 1);
  xmw::Instrument instrument;
  instrument.samples.push_back(MakeSample(16, wide, xmw::LoopType::PingPong, 100, 300));
  instrument.samples.push_back(MakeSample(8, narrow, xmw::LoopType::Forward, 10, 20));
  module.instruments.push_back(instrument);
  Bytes bytes = xmw::WriteModule(module);

  xmtest::Module read;
  std::string error;
  ASSERT_TRUE(xmtest::ReadModule(bytes, &read, &error)) << error;
  EXPECT_EQ(read.bytesUsed, bytes.size());
  const auto& samples = read.instruments.at(0).samples;
  ASSERT_EQ(samples.size(), 2u);
  EXPECT_EQ(samples[0].pcm, wide);
  EXPECT_EQ(samples[1].pcm, narrow);
  // Lengths and loops are counted in bytes: twice the samples for 16-bit data.
  EXPECT_EQ(samples[0].lengthBytes, 1400u);
  EXPECT_EQ(samples[0].loopStartBytes, 200u);
  EXPECT_EQ(samples[0].loopLengthBytes, 600u);
  EXPECT_EQ(samples[0].type, 0x12);
  EXPECT_EQ(samples[1].lengthBytes, 700u);
  EXPECT_EQ(samples[1].loopStartBytes, 10u);
  EXPECT_EQ(samples[1].type, 0x01);
}

TEST(XmWriterSamples, ASampleWithoutLoopStoresNoLoopFields) {
  xmw::Module module = SmallModule(1, 1);
  xmw::Instrument instrument;
  instrument.samples.push_back(MakeSample(8, {1, 2, 3, 4}, xmw::LoopType::None, 1, 2));
  module.instruments.push_back(instrument);
  xmtest::Module read;
  std::string error;
  ASSERT_TRUE(xmtest::ReadModule(xmw::WriteModule(module), &read, &error)) << error;
  const xmtest::Sample& sample = read.instruments.at(0).samples.at(0);
  EXPECT_EQ(sample.type, 0);
  EXPECT_EQ(sample.loopStartBytes, 0u);
  EXPECT_EQ(sample.loopLengthBytes, 0u);
}

// --- header and instruments --------------------------------------------------------------------

TEST(XmWriterLayout, HeaderFieldsLieAtTheirOffsets) {
  xmw::Module module = SmallModule(12, 64);
  module.name = "a name longer than twenty bytes";
  module.orders = {0, 0, 0};
  module.restartPosition = 1;
  module.defaultSpeed = 5;
  module.defaultBpm = 140;
  module.instruments.resize(2);
  Bytes bytes = xmw::WriteModule(module);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");
  EXPECT_EQ(std::string(bytes.begin() + 17, bytes.begin() + 37), "a name longer than t");
  EXPECT_EQ(bytes[37], 0x1A);
  EXPECT_EQ(U16At(bytes, 58), 0x0104);
  EXPECT_EQ(U32At(bytes, 60), 276u);
  EXPECT_EQ(U16At(bytes, 64), 3) << "song length";
  EXPECT_EQ(U16At(bytes, 66), 1) << "restart position";
  EXPECT_EQ(U16At(bytes, 68), 12) << "channels";
  EXPECT_EQ(U16At(bytes, 70), 1) << "patterns";
  EXPECT_EQ(U16At(bytes, 72), 2) << "instruments";
  EXPECT_EQ(U16At(bytes, 74), 1) << "linear frequency table";
  EXPECT_EQ(U16At(bytes, 76), 5);
  EXPECT_EQ(U16At(bytes, 78), 140);
  EXPECT_EQ(U32At(bytes, 336), 9u) << "first pattern header right after the order table";
}

TEST(XmWriterLayout, InstrumentHeadersHoldEnvelopesAndShortenWithoutSamples) {
  xmw::Module module = SmallModule(1, 1);
  xmw::Instrument full;
  full.samples.push_back(MakeSample(8, {0, 0}, xmw::LoopType::None, 0, 0));
  full.sampleMap[95] = 3;
  full.volumeEnvelope.points = {{0, 64}, {10, 32}, {20, 0}};
  full.volumeEnvelope.flags = xmw::kEnvelopeOn | xmw::kEnvelopeSustain;
  full.volumeEnvelope.sustainPoint = 1;
  full.panningEnvelope.points = {{0, 0}, {5, 64}};
  full.panningEnvelope.flags = xmw::kEnvelopeOn | xmw::kEnvelopeLoop;
  full.panningEnvelope.loopEnd = 1;
  full.vibratoRate = 7;
  full.fadeout = 261;
  module.instruments = {xmw::Instrument(), full};
  Bytes bytes = xmw::WriteModule(module);

  size_t empty = 60 + xmw::kHeaderSize + xmw::kPatternHeaderSize;
  EXPECT_EQ(U32At(bytes, empty), 29u);
  EXPECT_EQ(U16At(bytes, empty + 27), 0) << "no samples";
  size_t at = empty + 29;
  EXPECT_EQ(U32At(bytes, at), 263u);
  EXPECT_EQ(U16At(bytes, at + 27), 1);
  EXPECT_EQ(U32At(bytes, at + 29), 40u) << "sample header size";
  EXPECT_EQ(bytes[at + 33 + 95], 3) << "sample map";
  EXPECT_EQ(U16At(bytes, at + 129 + 4), 10) << "second volume point tick";
  EXPECT_EQ(U16At(bytes, at + 129 + 6), 32);
  EXPECT_EQ(U16At(bytes, at + 177 + 6), 64) << "second panning point value";
  EXPECT_EQ(bytes[at + 225], 3) << "volume points";
  EXPECT_EQ(bytes[at + 226], 2) << "panning points";
  EXPECT_EQ(bytes[at + 227], 1) << "volume sustain point";
  EXPECT_EQ(bytes[at + 232], 1) << "panning loop end";
  EXPECT_EQ(bytes[at + 233], 3) << "volume type";
  EXPECT_EQ(bytes[at + 234], 5) << "panning type";
  EXPECT_EQ(bytes[at + 238], 7) << "vibrato rate";
  EXPECT_EQ(U16At(bytes, at + 239), 261) << "fadeout";
  EXPECT_EQ(U32At(bytes, at + 263), 2u) << "sample header right after the 263 bytes";
  EXPECT_EQ(bytes.size(), at + 263 + 40 + 2);
}

TEST(XmWriterLayout, RawOverridesAreWrittenAsTold) {
  xmw::Module module = SmallModule(4, 8);
  module.idText = "Extended Mode";  // padded with spaces to 17
  module.headerSizeOverride = 300;
  module.headerPadding = Bytes(24, 0xEE);
  module.songLengthOverride = 999;
  module.channelCountOverride = 64;
  module.patternCountOverride = 7;
  module.instrumentCountOverride = 0;
  xmw::Pattern& pattern = module.patterns[0];
  pattern.headerLengthOverride = 20;
  pattern.packedSizeOverride = 3;
  pattern.useRawData = true;
  pattern.rawData = {0x81, 0x61, 0x61, 0x61, 0x61};
  xmw::Instrument instrument;
  instrument.headerSizeOverride = 1000;
  instrument.sampleHeaderSizeOverride = 12;
  instrument.sampleCountOverride = 17;
  xmw::Sample sample = MakeSample(16, {1, 2}, xmw::LoopType::Forward, 0, 1);
  sample.lengthBytesOverride = 0xFFFFFFFF;
  sample.loopLengthBytesOverride = 0;
  sample.typeOverride = 0x13;
  sample.useRawData = true;
  sample.rawData = {9};
  instrument.samples.push_back(sample);
  module.instruments.push_back(instrument);
  module.trailingBytes = {1, 2, 3};
  Bytes bytes = xmw::WriteModule(module);

  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Mode    ");
  EXPECT_EQ(U32At(bytes, 60), 300u);
  EXPECT_EQ(U16At(bytes, 64), 999);
  EXPECT_EQ(U16At(bytes, 68), 64);
  EXPECT_EQ(U16At(bytes, 70), 7);
  EXPECT_EQ(U16At(bytes, 72), 0);
  EXPECT_EQ(bytes[336], 0xEE) << "header padding follows the order table";
  size_t at = 360;
  EXPECT_EQ(U32At(bytes, at), 20u);
  EXPECT_EQ(U16At(bytes, at + 7), 3);
  EXPECT_EQ(bytes[at + 9], 0x81) << "raw data, not the cells";
  at += 9 + 5;
  EXPECT_EQ(U32At(bytes, at), 1000u);
  EXPECT_EQ(U16At(bytes, at + 27), 17);
  EXPECT_EQ(U32At(bytes, at + 29), 12u);
  at += 263;
  EXPECT_EQ(U32At(bytes, at), 0xFFFFFFFFu);
  EXPECT_EQ(U32At(bytes, at + 8), 0u);
  EXPECT_EQ(bytes[at + 14], 0x13);
  EXPECT_EQ(bytes[at + 40], 9);
  EXPECT_EQ(bytes.size(), at + 41 + 3);
  EXPECT_EQ(bytes.back(), 3);
}

TEST(XmWriterLayout, PaddingIsCountedInTheDerivedSizes) {
  xmw::Module module = SmallModule(1, 1);
  module.headerPadding = {0, 0, 0, 0};
  module.patterns[0].headerPadding = {0xAA};
  xmw::Instrument instrument;
  instrument.samples.push_back(MakeSample(8, {5}, xmw::LoopType::None, 0, 0));
  instrument.headerPadding = Bytes(6, 0);
  module.instruments.push_back(instrument);
  Bytes bytes = xmw::WriteModule(module);
  xmtest::Module read;
  std::string error;
  ASSERT_TRUE(xmtest::ReadModule(bytes, &read, &error)) << error;
  EXPECT_EQ(read.headerSize, 280u);
  EXPECT_EQ(read.patterns[0].headerLength, 10u);
  EXPECT_EQ(read.instruments[0].headerSize, 269u);
  EXPECT_EQ(read.instruments[0].samples[0].pcm, (std::vector<int16_t>{5}));
  EXPECT_EQ(read.bytesUsed, bytes.size());
}

// --- files -------------------------------------------------------------------------------------

TEST(XmWriterFiles, WritesThroughATemporaryFileAndReplacesTheOld) {
  char folder[] = "/tmp/zav-xmwriter-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  std::string path = std::string(folder) + "/out.xm";
  std::string error;
  ASSERT_TRUE(xmw::WriteFileAtomically(path, Bytes(1000, 7), &error)) << error;
  ASSERT_TRUE(xmw::WriteFileAtomically(path, Bytes{1, 2, 3}, &error)) << error;
  EXPECT_EQ(xmtest::ReadFile(path), (Bytes{1, 2, 3})) << "the shorter file replaces the longer";
  EXPECT_NE(access((path + ".tmp").c_str(), F_OK), 0) << "no temporary file left";
  std::remove(path.c_str());
  rmdir(folder);
}

TEST(XmWriterFiles, AFailedWriteSaysWhyAndLeavesNothing) {
  std::string path = "/tmp/zav-xmwriter-no-such-folder/sub/out.xm";
  std::string error;
  EXPECT_FALSE(xmw::WriteFileAtomically(path, Bytes{1}, &error));
  EXPECT_NE(error.find("zav-xmwriter-no-such-folder"), std::string::npos) << error;
  EXPECT_NE(access(path.c_str(), F_OK), 0);
}

}  // namespace
