// Test-side helpers over the XM writer: modules made for one rule each, loaded through the
// loader and released again; plus the raw patches that a hostile file needs beyond the
// writer's overrides.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "music/module_loader.h"
#include "tools/xmwriter/xm_writer.h"

namespace xmtest {

using Bytes = std::vector<uint8_t>;

// Offsets of the song header fields in every XM file.
constexpr size_t kHeaderSizeOffset = 60;
constexpr size_t kSongLengthOffset = 64;
constexpr size_t kRestartOffset = 66;
constexpr size_t kChannelCountOffset = 68;
constexpr size_t kFirstPatternOffset = 60 + xmw::kHeaderSize;  // with the writer's header

struct ModuleFree {
  void operator()(Module* module) const { FreeModule(module); }
};
using ModulePtr = std::unique_ptr<Module, ModuleFree>;

// The image the player takes: a 32-bit little-endian count, then the XM bytes.
inline Bytes ImageOf(const Bytes& xm, uint32_t count) {
  Bytes image = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16), uint8_t(count >> 24)};
  image.insert(image.end(), xm.begin(), xm.end());
  return image;
}
inline Bytes ImageOf(const Bytes& xm) { return ImageOf(xm, uint32_t(xm.size())); }

inline ModulePtr LoadXm(const Bytes& xm) {
  Bytes image = ImageOf(xm);
  return ModulePtr(LoadModule(image.data()));
}
inline ModulePtr LoadXm(const xmw::Module& module) { return LoadXm(xmw::WriteModule(module)); }

inline void PutU16At(Bytes& bytes, size_t offset, uint16_t value) {
  bytes.at(offset) = uint8_t(value);
  bytes.at(offset + 1) = uint8_t(value >> 8);
}
inline void PutU32At(Bytes& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = uint8_t(value >> (8 * i));
}

// A song of `channels` channels with one empty 64-row pattern played once.
inline xmw::Module Song(uint16_t channels = 4) {
  xmw::Module module;
  module.channels = channels;
  module.AddPattern(64);
  module.orders = {0};
  return module;
}

inline xmw::Sample MakeSample(uint8_t bits, std::vector<int16_t> pcm,
                              xmw::LoopType loop = xmw::LoopType::None, uint32_t loopStart = 0,
                              uint32_t loopLength = 0) {
  xmw::Sample sample;
  sample.bits = bits;
  sample.pcm = std::move(pcm);
  sample.loop = loop;
  sample.loopStart = loopStart;
  sample.loopLength = loopLength;
  return sample;
}

inline xmw::Instrument InstrumentWith(std::vector<xmw::Sample> samples) {
  xmw::Instrument instrument;
  instrument.samples = std::move(samples);
  return instrument;
}

// A song whose only instrument holds `samples`.
inline xmw::Module SongWithSamples(std::vector<xmw::Sample> samples) {
  xmw::Module module = Song();
  module.instruments.push_back(InstrumentWith(std::move(samples)));
  return module;
}

// Where instrument `index` starts in the written file.
inline size_t InstrumentOffset(xmw::Module module, size_t index) {
  module.instruments.resize(index);
  module.trailingBytes.clear();
  return xmw::WriteModule(module).size();
}

// A sample ramp that touches every 8-bit value: -128, -127, ..., 127, -128, ...
inline std::vector<int16_t> Ramp8(size_t length) {
  std::vector<int16_t> pcm(length);
  for (size_t i = 0; i < length; ++i) pcm[i] = int16_t(int8_t(uint8_t(i)));
  return pcm;
}

// 16-bit values that jump across the whole range.
inline std::vector<int16_t> Wide16(size_t length) {
  std::vector<int16_t> pcm(length);
  for (size_t i = 0; i < length; ++i) pcm[i] = int16_t(uint16_t(i * 40503u + 12345u));
  return pcm;
}

}  // namespace xmtest
