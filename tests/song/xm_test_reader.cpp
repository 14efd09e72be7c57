#include "tests/song/xm_test_reader.h"

#include <cstdio>

namespace xmtest {
namespace {

class Cursor {
 public:
  Cursor(const std::vector<uint8_t>& bytes, std::string* error) : bytes_(bytes), error_(error) {}

  bool Fits(size_t count) {
    if (at_ + count <= bytes_.size()) return true;
    if (ok_ && error_) {
      *error_ = "data ends at " + std::to_string(bytes_.size()) + ", wanted " +
                std::to_string(count) + " bytes at " + std::to_string(at_);
    }
    ok_ = false;
    return false;
  }
  uint8_t U8() { return Fits(1) ? bytes_[at_++] : 0; }
  uint16_t U16() {
    uint16_t low = U8();
    return uint16_t(low | (U8() << 8));
  }
  uint32_t U32() {
    uint32_t low = U16();
    return low | (uint32_t(U16()) << 16);
  }
  std::string Text(size_t count) {
    std::string text;
    for (size_t i = 0; i < count; i++) text += char(U8());
    return text;
  }
  const uint8_t* Here() const { return bytes_.data() + at_; }
  size_t Left() const { return bytes_.size() - at_; }
  size_t At() const { return at_; }
  void Seek(size_t to) {
    if (to > bytes_.size()) Fits(to - at_);  // records the error
    at_ = to > bytes_.size() ? bytes_.size() : to;
  }
  bool ok() const { return ok_; }

 private:
  const std::vector<uint8_t>& bytes_;
  std::string* error_;
  size_t at_ = 0;
  bool ok_ = true;
};

void ReadEnvelopePoints(Cursor& in, Envelope& envelope) {
  for (EnvelopePoint& point : envelope.points) {
    point.tick = in.U16();
    point.value = in.U16();
  }
}

void ReadSampleHeader(Cursor& in, Sample& sample) {
  sample.lengthBytes = in.U32();
  sample.loopStartBytes = in.U32();
  sample.loopLengthBytes = in.U32();
  sample.volume = in.U8();
  sample.finetune = int8_t(in.U8());
  sample.type = in.U8();
  sample.panning = in.U8();
  sample.relativeNote = int8_t(in.U8());
  in.U8();
  sample.name = in.Text(22);
}

void ReadSampleData(Cursor& in, Sample& sample) {
  if (!in.Fits(sample.lengthBytes)) return;
  uint16_t sum = 0;
  if (sample.bits() == 16) {
    for (uint32_t i = 0; i + 1 < sample.lengthBytes; i += 2) {
      sum = uint16_t(sum + in.U16());
      sample.pcm.push_back(int16_t(sum));
    }
    if (sample.lengthBytes & 1) in.U8();
  } else {
    uint8_t sum8 = 0;
    for (uint32_t i = 0; i < sample.lengthBytes; i++) {
      sum8 = uint8_t(sum8 + in.U8());
      sample.pcm.push_back(int8_t(sum8));
    }
  }
}

bool ReadInstrument(Cursor& in, Instrument& instrument) {
  size_t start = in.At();
  instrument.headerSize = in.U32();
  instrument.name = in.Text(22);
  in.U8();  // type
  instrument.sampleCount = in.U16();
  if (instrument.sampleCount > 0) {
    instrument.sampleHeaderSize = in.U32();
    for (uint8_t& slot : instrument.sampleMap) slot = in.U8();
    ReadEnvelopePoints(in, instrument.volume);
    ReadEnvelopePoints(in, instrument.panning);
    instrument.volume.pointCount = in.U8();
    instrument.panning.pointCount = in.U8();
    for (Envelope* envelope : {&instrument.volume, &instrument.panning}) {
      envelope->sustainPoint = in.U8();
      envelope->loopStart = in.U8();
      envelope->loopEnd = in.U8();
    }
    instrument.volume.flags = in.U8();
    instrument.panning.flags = in.U8();
    instrument.vibratoType = in.U8();
    instrument.vibratoSweep = in.U8();
    instrument.vibratoDepth = in.U8();
    instrument.vibratoRate = in.U8();
    instrument.fadeout = in.U16();
  }
  in.Seek(start + instrument.headerSize);
  instrument.samples.resize(instrument.sampleCount);
  for (Sample& sample : instrument.samples) {
    size_t header = in.At();
    ReadSampleHeader(in, sample);
    if (instrument.sampleHeaderSize > 40) in.Seek(header + instrument.sampleHeaderSize);
  }
  for (Sample& sample : instrument.samples) ReadSampleData(in, sample);
  return in.ok();
}

}  // namespace

bool DecodeCells(const uint8_t* data, size_t size, size_t cells, std::vector<Cell>* out,
                 size_t* used) {
  size_t at = 0;
  auto next = [&](uint8_t* field) {
    if (at >= size) return false;
    *field = data[at++];
    return true;
  };
  out->assign(cells, Cell{});
  for (Cell& cell : *out) {
    uint8_t lead = 0;
    if (!next(&lead)) return false;
    if (lead & 0x80) {
      uint8_t* fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect, &cell.parameter};
      for (int bit = 0; bit < 5; bit++) {
        if ((lead & (1 << bit)) && !next(fields[bit])) return false;
      }
    } else {
      cell.note = lead;
      if (!next(&cell.instrument) || !next(&cell.volume) || !next(&cell.effect) ||
          !next(&cell.parameter)) {
        return false;
      }
    }
  }
  if (used) *used = at;
  return true;
}

bool ReadModule(const std::vector<uint8_t>& bytes, Module* module, std::string* error) {
  Cursor in(bytes, error);
  module->id = in.Text(17);
  module->name = in.Text(20);
  in.U8();
  module->tracker = in.Text(20);
  module->version = in.U16();
  module->headerSize = in.U32();
  module->songLength = in.U16();
  module->restartPosition = in.U16();
  module->channels = in.U16();
  module->patternCount = in.U16();
  module->instrumentCount = in.U16();
  module->flags = in.U16();
  module->speed = in.U16();
  module->bpm = in.U16();
  for (uint8_t& order : module->orders) order = in.U8();
  in.Seek(60 + size_t(module->headerSize));

  module->patterns.resize(module->patternCount);
  for (Pattern& pattern : module->patterns) {
    size_t start = in.At();
    pattern.headerLength = in.U32();
    pattern.packingType = in.U8();
    pattern.rows = in.U16();
    pattern.packedSize = in.U16();
    in.Seek(start + pattern.headerLength);
    if (!in.ok() || !in.Fits(pattern.packedSize)) break;
    size_t cells = size_t(pattern.rows) * module->channels;
    size_t used = 0;
    if (pattern.packedSize == 0) {
      pattern.cells.assign(cells, Cell{});
    } else if (!DecodeCells(in.Here(), pattern.packedSize, cells, &pattern.cells, &used) ||
               used != pattern.packedSize) {
      if (error) *error = "pattern data does not match its packed size";
      return false;
    }
    in.Seek(in.At() + pattern.packedSize);
  }
  module->instruments.resize(module->instrumentCount);
  for (Instrument& instrument : module->instruments) {
    if (!in.ok() || !ReadInstrument(in, instrument)) break;
  }
  module->bytesUsed = in.At();
  return in.ok();
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + count);
  }
  std::fclose(file);
  return bytes;
}

}  // namespace xmtest
