#include "tools/xmwriter/xm_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace xmw {
namespace {

using Bytes = std::vector<uint8_t>;

void PutU8(Bytes& out, uint64_t value) { out.push_back(uint8_t(value)); }

void PutU16(Bytes& out, uint64_t value) {
  out.push_back(uint8_t(value));
  out.push_back(uint8_t(value >> 8));
}

void PutU32(Bytes& out, uint64_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(value >> shift));
}

// Fixed-width text field: cut to `width` bytes, padded with `pad`.
void PutText(Bytes& out, const std::string& text, size_t width, char pad) {
  for (size_t i = 0; i < width; i++) out.push_back(uint8_t(i < text.size() ? text[i] : pad));
}

uint64_t Pick(int64_t override_value, uint64_t derived) {
  return override_value == kDerived ? derived : uint64_t(override_value);
}

uint8_t PackMask(const Cell& cell) {
  uint8_t mask = 0;
  if (cell.note) mask |= kPackedNote;
  if (cell.instrument) mask |= kPackedInstrument;
  if (cell.volume) mask |= kPackedVolume;
  if (cell.effect) mask |= kPackedEffect;
  if (cell.parameter) mask |= kPackedParameter;
  return mask;
}

bool AllCellsEmpty(const Pattern& pattern) {
  return std::all_of(pattern.cells.begin(), pattern.cells.end(),
                     [](const Cell& cell) { return PackMask(cell) == 0; });
}

void WriteHeader(Bytes& out, const Module& module) {
  PutText(out, module.idText, 17, ' ');
  PutText(out, module.name, 20, '\0');
  PutU8(out, 0x1A);
  PutText(out, module.trackerName, 20, ' ');
  PutU16(out, module.version);
  size_t orderCount = std::min<size_t>(module.orders.size(), 256);
  uint64_t headerSize = kHeaderSize + module.headerPadding.size();  // the padding counts
  PutU32(out, Pick(module.headerSizeOverride, headerSize));
  PutU16(out, Pick(module.songLengthOverride, orderCount));
  PutU16(out, module.restartPosition);
  PutU16(out, Pick(module.channelCountOverride, module.channels));
  PutU16(out, Pick(module.patternCountOverride, module.patterns.size()));
  PutU16(out, Pick(module.instrumentCountOverride, module.instruments.size()));
  PutU16(out, module.flags);
  PutU16(out, module.defaultSpeed);
  PutU16(out, module.defaultBpm);
  for (size_t i = 0; i < 256; i++) PutU8(out, i < orderCount ? module.orders[i] : 0);
  out.insert(out.end(), module.headerPadding.begin(), module.headerPadding.end());
}

void WritePattern(Bytes& out, const Pattern& pattern) {
  Bytes data;
  if (pattern.useRawData) {
    data = pattern.rawData;
  } else if (pattern.writeEmptyCells || !AllCellsEmpty(pattern)) {
    data = EncodePatternData(pattern);
  }
  PutU32(out, Pick(pattern.headerLengthOverride, kPatternHeaderSize + pattern.headerPadding.size()));
  PutU8(out, pattern.packingType);
  PutU16(out, pattern.rows);
  PutU16(out, Pick(pattern.packedSizeOverride, data.size()));
  out.insert(out.end(), pattern.headerPadding.begin(), pattern.headerPadding.end());
  out.insert(out.end(), data.begin(), data.end());
}

void WriteEnvelopePoints(Bytes& out, const Envelope& envelope) {
  for (size_t i = 0; i < 12; i++) {
    EnvelopePoint point = i < envelope.points.size() ? envelope.points[i] : EnvelopePoint{};
    PutU16(out, point.tick);
    PutU16(out, point.value);
  }
}

uint64_t EnvelopePointCount(const Envelope& envelope) {
  return Pick(envelope.pointCountOverride, std::min<size_t>(envelope.points.size(), 12));
}

uint8_t SampleType(const Sample& sample) {
  uint8_t type = uint8_t(sample.loop);
  if (sample.bits == 16) type |= 0x10;
  return uint8_t(Pick(sample.typeOverride, type));
}

void WriteSampleHeader(Bytes& out, const Sample& sample) {
  uint64_t bytesPerSample = sample.bits == 16 ? 2 : 1;
  bool loops = sample.loop != LoopType::None;
  PutU32(out, Pick(sample.lengthBytesOverride, sample.pcm.size() * bytesPerSample));
  PutU32(out, Pick(sample.loopStartBytesOverride, loops ? sample.loopStart * bytesPerSample : 0));
  PutU32(out, Pick(sample.loopLengthBytesOverride, loops ? sample.loopLength * bytesPerSample : 0));
  PutU8(out, sample.volume);
  PutU8(out, uint8_t(sample.finetune));
  PutU8(out, SampleType(sample));
  PutU8(out, sample.panning);
  PutU8(out, uint8_t(sample.relativeNote));
  PutU8(out, 0);
  PutText(out, sample.name, 22, '\0');
}

void WriteInstrument(Bytes& out, const Instrument& instrument) {
  size_t start = out.size();
  bool full = !instrument.samples.empty() || instrument.fullHeaderWhenEmpty;
  uint64_t headerSize = (full ? kInstrumentHeaderSize : kEmptyInstrumentHeaderSize) +
                        instrument.headerPadding.size();
  PutU32(out, Pick(instrument.headerSizeOverride, headerSize));
  PutText(out, instrument.name, 22, '\0');
  PutU8(out, instrument.type);
  PutU16(out, Pick(instrument.sampleCountOverride, instrument.samples.size()));
  if (full) {
    PutU32(out, Pick(instrument.sampleHeaderSizeOverride, kSampleHeaderSize));
    out.insert(out.end(), instrument.sampleMap.begin(), instrument.sampleMap.end());
    WriteEnvelopePoints(out, instrument.volumeEnvelope);
    WriteEnvelopePoints(out, instrument.panningEnvelope);
    PutU8(out, EnvelopePointCount(instrument.volumeEnvelope));
    PutU8(out, EnvelopePointCount(instrument.panningEnvelope));
    const Envelope& v = instrument.volumeEnvelope;
    const Envelope& p = instrument.panningEnvelope;
    for (uint8_t field : {v.sustainPoint, v.loopStart, v.loopEnd, p.sustainPoint, p.loopStart,
                          p.loopEnd, v.flags, p.flags, instrument.vibratoType,
                          instrument.vibratoSweep, instrument.vibratoDepth,
                          instrument.vibratoRate}) {
      PutU8(out, field);
    }
    PutU16(out, instrument.fadeout);
    out.resize(start + kInstrumentHeaderSize, 0);  // 22 reserved bytes
  }
  out.insert(out.end(), instrument.headerPadding.begin(), instrument.headerPadding.end());
  for (const Sample& sample : instrument.samples) WriteSampleHeader(out, sample);
  for (const Sample& sample : instrument.samples) {
    Bytes data = sample.useRawData ? sample.rawData : DeltaEncode(sample.pcm, sample.bits);
    out.insert(out.end(), data.begin(), data.end());
  }
}

}  // namespace

int Module::AddPattern(uint16_t rows) {
  Pattern pattern;
  pattern.rows = rows;
  pattern.channels = channels;
  pattern.cells.assign(size_t(rows) * channels, Cell{});
  patterns.push_back(std::move(pattern));
  return int(patterns.size()) - 1;
}

std::vector<uint8_t> EncodeCell(const Cell& cell, CellEncoding encoding) {
  Bytes out;
  uint8_t mask = PackMask(cell);
  bool plain = encoding == CellEncoding::Unpacked ||
               (encoding == CellEncoding::Packed && mask == 0x1F);
  if (plain) {
    out = {cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter};
    return out;
  }
  out.push_back(uint8_t(kPackedFlag | mask));
  if (mask & kPackedNote) out.push_back(cell.note);
  if (mask & kPackedInstrument) out.push_back(cell.instrument);
  if (mask & kPackedVolume) out.push_back(cell.volume);
  if (mask & kPackedEffect) out.push_back(cell.effect);
  if (mask & kPackedParameter) out.push_back(cell.parameter);
  return out;
}

std::vector<uint8_t> EncodePatternData(const Pattern& pattern) {
  Bytes out;
  for (const Cell& cell : pattern.cells) {
    Bytes encoded = EncodeCell(cell, pattern.encoding);
    out.insert(out.end(), encoded.begin(), encoded.end());
  }
  return out;
}

std::vector<uint8_t> DeltaEncode(const std::vector<int16_t>& pcm, uint8_t bits) {
  Bytes out;
  uint16_t previous = 0;
  for (int16_t value : pcm) {
    uint16_t delta = uint16_t(uint16_t(value) - previous);
    previous = uint16_t(value);
    out.push_back(uint8_t(delta));
    if (bits == 16) out.push_back(uint8_t(delta >> 8));
  }
  return out;
}

std::array<uint8_t, 96> UniformSampleMap(uint8_t slot) {
  std::array<uint8_t, 96> map;
  map.fill(slot);
  return map;
}

std::vector<uint8_t> WriteModule(const Module& module) {
  Bytes out;
  WriteHeader(out, module);
  for (const Pattern& pattern : module.patterns) WritePattern(out, pattern);
  for (const Instrument& instrument : module.instruments) WriteInstrument(out, instrument);
  out.insert(out.end(), module.trailingBytes.begin(), module.trailingBytes.end());
  return out;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error) {
  std::string temporary = path + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    if (error) *error = "cannot create " + temporary + ": " + std::strerror(errno);
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int writeErrno = errno;
  bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    if (error) *error = "cannot write " + temporary + ": " + std::strerror(written ? errno : writeErrno);
    std::remove(temporary.c_str());
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    if (error) *error = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace xmw
