// Writes the fuzzer's built seeds: small modules that between them hold every kind of record
// the loader reads (packed and plain patterns, missing patterns, empty and full instruments,
// 8- and 16-bit samples with every loop kind, envelopes) and the effects that keep state from
// tick to tick. usage: make_seeds DIRECTORY
#include <cstdio>
#include <string>

#include "tools/xmwriter/xm_writer.h"

namespace {

xmw::Sample MakeSample(uint8_t bits, size_t length, xmw::LoopType loop, uint32_t start,
                       uint32_t loopLength) {
  xmw::Sample sample;
  sample.bits = bits;
  for (size_t i = 0; i < length; ++i) sample.pcm.push_back(int16_t((i * 37) % 200 - 100));
  sample.loop = loop;
  sample.loopStart = start;
  sample.loopLength = loopLength;
  return sample;
}

xmw::Module Rich(xmw::CellEncoding encoding, uint16_t channels) {
  xmw::Module song;
  song.channels = channels;
  for (int p = 0; p < 2; ++p) {
    int index = song.AddPattern(uint16_t(8 + p));
    xmw::Pattern& pattern = song.patterns[index];
    pattern.encoding = encoding;
    pattern.At(0, 0) = {49, 1, 0x40, 0x0C, 0x20};
    pattern.At(1, channels - 1) = {97, 2, 0, 0x0F, 3};
    pattern.At(2 + p, 0) = {13, 129, 0xC8, 0x03, 0x10};
  }
  song.orders = {0, 1, 3, 0};
  song.restartPosition = 1;
  xmw::Instrument full;
  full.samples = {MakeSample(8, 40, xmw::LoopType::Forward, 5, 20),
                  MakeSample(16, 30, xmw::LoopType::PingPong, 3, 10),
                  MakeSample(16, 12, xmw::LoopType::None, 0, 0), MakeSample(8, 0, xmw::LoopType::None, 0, 0)};
  full.sampleMap = xmw::UniformSampleMap(1);
  full.volumeEnvelope.points = {{0, 64}, {10, 20}, {30, 0}};
  full.volumeEnvelope.flags = xmw::kEnvelopeOn | xmw::kEnvelopeSustain;
  full.panningEnvelope.points = {{0, 32}};
  full.panningEnvelope.flags = xmw::kEnvelopeOn;
  full.fadeout = 400;
  full.vibratoDepth = 3;
  xmw::Instrument one;
  one.samples = {MakeSample(8, 16, xmw::LoopType::Forward, 0, 16)};
  song.instruments = {full, xmw::Instrument{}, one};
  return song;
}

// The rich song with the effects whose state runs across ticks and rows: tremor times that
// change, note delays without a note, K00 beside a note and an instrument, tone portamento in
// both columns, an arpeggio at speed 31.
xmw::Module Effects() {
  xmw::Module song = Rich(xmw::CellEncoding::Packed, 4);
  xmw::Pattern& pattern = song.patterns[0];
  pattern.At(3, 1) = {0, 0, 0, 0x1D, 0x34};
  pattern.At(4, 1) = {0, 0, 0, 0x1D, 0x42};
  pattern.At(3, 2) = {0, 3, 0, 0x0E, 0xD2};
  pattern.At(4, 2) = {0, 0, 0x20, 0x0E, 0xD1};
  pattern.At(5, 2) = {97, 0, 0, 0x0E, 0xD2};
  pattern.At(5, 1) = {50, 1, 0x30, 0x14, 0};
  pattern.At(6, 1) = {60, 0, 0xF1, 0x03, 0x02};
  pattern.At(7, 3) = {0, 0, 0, 0x0F, 31};
  pattern.At(7, 1) = {0, 0, 0, 0x00, 0x47};
  return song;
}

bool Write(const std::string& folder, const char* name, const xmw::Module& module) {
  std::string error;
  if (xmw::WriteFileAtomically(folder + "/" + name, xmw::WriteModule(module), &error)) return true;
  fprintf(stderr, "make_seeds: %s\n", error.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_seeds DIRECTORY\n");
    return 2;
  }
  std::string folder = argv[1];
  xmw::Module empty;
  empty.channels = 2;
  empty.AddPattern(4);
  empty.orders = {0};
  xmw::Module wide = Rich(xmw::CellEncoding::Packed, 40);
  wide.instruments[0].samples[0].loopLengthBytesOverride = 1000;
  bool ok = Write(folder, "empty.xm", empty) &&
            Write(folder, "packed.xm", Rich(xmw::CellEncoding::Packed, 4)) &&
            Write(folder, "packed-always.xm", Rich(xmw::CellEncoding::PackedAlways, 3)) &&
            Write(folder, "unpacked.xm", Rich(xmw::CellEncoding::Unpacked, 6)) &&
            Write(folder, "wide.xm", wide) && Write(folder, "effects.xm", Effects());
  return ok ? 0 : 1;
}
