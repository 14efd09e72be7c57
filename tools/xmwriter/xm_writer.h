// Describes an Extended Module field by field and turns it into the bytes of an XM file.
//
// Used by the song generator to write the program's music and by tests to build modules,
// including broken ones: every size and count that a reader trusts can be overridden with a
// raw value, so a test can state exactly which lie the file tells.
//
// Tool code: it runs on the build machine only, never inside the program.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xmw {

// Sizes of the parts of a well-formed file, as this writer emits them by default.
constexpr uint32_t kHeaderSize = 276;            // counted from offset 60: 20 bytes + 256 orders
constexpr uint32_t kPatternHeaderSize = 9;
constexpr uint32_t kInstrumentHeaderSize = 263;  // with samples: 241 bytes of fields + 22 reserved
constexpr uint32_t kEmptyInstrumentHeaderSize = 29;  // without samples the header ends after the count
constexpr uint32_t kSampleHeaderSize = 40;
constexpr uint16_t kVersion = 0x0104;

// Header flag bit 0: pitches follow the linear frequency table instead of Amiga periods.
constexpr uint16_t kLinearFrequencyTable = 1;

// Special cell values.
constexpr uint8_t kKeyOff = 97;  // the note that releases the playing note

// Envelope type bits.
constexpr uint8_t kEnvelopeOn = 1;
constexpr uint8_t kEnvelopeSustain = 2;
constexpr uint8_t kEnvelopeLoop = 4;

// Bits of the packed-cell lead byte.
constexpr uint8_t kPackedFlag = 0x80;
constexpr uint8_t kPackedNote = 0x01;
constexpr uint8_t kPackedInstrument = 0x02;
constexpr uint8_t kPackedVolume = 0x04;
constexpr uint8_t kPackedEffect = 0x08;
constexpr uint8_t kPackedParameter = 0x10;

// A raw override that is "not set" uses the value the writer derives itself.
constexpr int64_t kDerived = -1;

struct Cell {
  uint8_t note = 0;        // 0 none, 1..96 C-0..B-7, 97 key-off
  uint8_t instrument = 0;  // 0 none, 1..128
  uint8_t volume = 0;      // volume column byte
  uint8_t effect = 0;
  uint8_t parameter = 0;
};

inline bool operator==(const Cell& a, const Cell& b) {
  return a.note == b.note && a.instrument == b.instrument && a.volume == b.volume &&
         a.effect == b.effect && a.parameter == b.parameter;
}

enum class CellEncoding {
  Packed,        // lead byte with bit 7 and a mask, then only the fields present; a cell with
                 // all five fields is written as its five plain bytes, which is one byte shorter
  PackedAlways,  // lead byte and mask for every cell, also when all five fields are present
  Unpacked,      // always five bytes: note, instrument, volume, effect, parameter
};

struct Pattern {
  uint16_t rows = 64;
  uint16_t channels = 0;     // cells per row; Module::AddPattern sets it
  std::vector<Cell> cells;   // rows * channels, row by row

  CellEncoding encoding = CellEncoding::Packed;
  // A pattern whose cells are all empty is written with packed size 0 and no data, as
  // trackers do; set this to write its cells anyway.
  bool writeEmptyCells = false;

  // Raw overrides for hostile files.
  int64_t headerLengthOverride = kDerived;  // the 32-bit pattern header length field
  uint8_t packingType = 0;
  int64_t packedSizeOverride = kDerived;    // the 16-bit packed data size field (0..65535)
  std::vector<uint8_t> headerPadding;       // extra bytes after the 9 header bytes (counted)
  bool useRawData = false;                  // write rawData instead of the encoded cells
  std::vector<uint8_t> rawData;

  Cell& At(int row, int channel) { return cells[size_t(row) * channels + channel]; }
  const Cell& At(int row, int channel) const { return cells[size_t(row) * channels + channel]; }
};

struct EnvelopePoint {
  uint16_t tick = 0;
  uint16_t value = 0;
};

struct Envelope {
  std::vector<EnvelopePoint> points;  // at most 12 are written; the rest of the 12 slots are 0
  uint8_t sustainPoint = 0;
  uint8_t loopStart = 0;
  uint8_t loopEnd = 0;
  uint8_t flags = 0;  // kEnvelopeOn | kEnvelopeSustain | kEnvelopeLoop
  int64_t pointCountOverride = kDerived;  // the 8-bit point count field
};

enum class LoopType : uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct Sample {
  std::string name;
  uint8_t bits = 8;            // 8 or 16
  std::vector<int16_t> pcm;    // sample values; for 8-bit data -128..127 (the low byte is written)
  LoopType loop = LoopType::None;
  uint32_t loopStart = 0;      // in samples
  uint32_t loopLength = 0;     // in samples
  uint8_t volume = 64;
  int8_t finetune = 0;
  uint8_t panning = 128;
  int8_t relativeNote = 0;

  // Raw overrides for hostile files. Byte fields are written as given.
  int64_t lengthBytesOverride = kDerived;
  int64_t loopStartBytesOverride = kDerived;
  int64_t loopLengthBytesOverride = kDerived;
  int64_t typeOverride = kDerived;      // the type byte (loop bits 0-1, 16-bit flag bit 4)
  bool useRawData = false;              // write rawData verbatim instead of the delta-coded pcm
  std::vector<uint8_t> rawData;
};

struct Instrument {
  std::string name;
  uint8_t type = 0;
  std::vector<Sample> samples;
  std::array<uint8_t, 96> sampleMap{};  // sample slot for every note
  Envelope volumeEnvelope;
  Envelope panningEnvelope;
  uint8_t vibratoType = 0;
  uint8_t vibratoSweep = 0;
  uint8_t vibratoDepth = 0;
  uint8_t vibratoRate = 0;
  uint16_t fadeout = 0;

  // Raw overrides for hostile files.
  int64_t headerSizeOverride = kDerived;        // the 32-bit instrument header size field
  int64_t sampleHeaderSizeOverride = kDerived;  // the 32-bit sample header size field
  int64_t sampleCountOverride = kDerived;       // the 16-bit number of samples field
  // Write the full 263-byte header (with sample map, envelopes, ...) even without samples.
  bool fullHeaderWhenEmpty = false;
  std::vector<uint8_t> headerPadding;  // extra bytes after the header, before the sample headers (counted)
};

struct Module {
  std::string name;
  std::string trackerName = "zav-xmwriter";
  uint16_t version = kVersion;
  uint16_t channels = 8;
  uint16_t restartPosition = 0;
  uint16_t flags = kLinearFrequencyTable;
  uint16_t defaultSpeed = 6;
  uint16_t defaultBpm = 125;
  std::vector<uint8_t> orders;  // at most 256 are written
  std::vector<Pattern> patterns;
  std::vector<Instrument> instruments;

  // Raw overrides for hostile files.
  std::string idText = "Extended Module: ";  // written as 17 bytes, padded with spaces / cut
  int64_t headerSizeOverride = kDerived;       // the 32-bit header size field
  int64_t songLengthOverride = kDerived;       // the 16-bit song length field
  int64_t channelCountOverride = kDerived;     // the 16-bit channel count field
  int64_t patternCountOverride = kDerived;     // the 16-bit pattern count field
  int64_t instrumentCountOverride = kDerived;  // the 16-bit instrument count field
  // Bytes written after the order table (when the header size says the header is longer)
  std::vector<uint8_t> headerPadding;
  std::vector<uint8_t> trailingBytes;          // appended after the last instrument

  // Appends an empty pattern of `rows` rows with this module's channel count; returns its index.
  int AddPattern(uint16_t rows);
};

// Serialises the module. Never fails: whatever the overrides say is written as told.
std::vector<uint8_t> WriteModule(const Module& module);

// The encoded bytes of one cell (1 to 6 bytes).
std::vector<uint8_t> EncodeCell(const Cell& cell, CellEncoding encoding);

// The cells of a pattern as they are stored in the file (without the 9-byte header).
std::vector<uint8_t> EncodePatternData(const Pattern& pattern);

// Sample values as stored: each value minus its predecessor, modulo 2^8 or 2^16,
// little-endian for 16-bit data.
std::vector<uint8_t> DeltaEncode(const std::vector<int16_t>& pcm, uint8_t bits);

// A sample map that sends every note to `slot`.
std::array<uint8_t, 96> UniformSampleMap(uint8_t slot);

// Writes bytes to `path` through a temporary file beside it that is then renamed, so a
// failed run never leaves a half-written file. Returns false and sets `error` on failure.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error);

}  // namespace xmw
