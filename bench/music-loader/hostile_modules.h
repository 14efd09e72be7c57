// The costliest modules a file can describe for the loader: each makes it allocate, decode or
// skip as much as the limits let it, for the smallest file.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/xmwriter/xm_writer.h"

namespace loaderbench {

inline xmw::Sample LongSample(uint8_t bits, size_t length) {
  xmw::Sample sample;
  sample.bits = bits;
  sample.pcm.assign(length, 0);
  for (size_t i = 0; i < length; ++i) sample.pcm[i] = int16_t(i * 7);
  sample.loop = xmw::LoopType::PingPong;
  sample.loopStart = uint32_t(length / 4);
  sample.loopLength = uint32_t(length / 2);
  return sample;
}

// name, file bytes
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> HostileModules() {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> modules;
  {
    // Empty patterns of 65,535 rows of 32 channels until the module's memory runs out.
    xmw::Module song;
    song.channels = 32;
    xmw::Pattern empty;
    empty.rows = 0xFFFF;
    empty.channels = 32;
    empty.useRawData = true;  // no data bytes: packed size 0
    song.patterns.assign(256, empty);
    song.orders = {0};
    modules.push_back({"huge-empty-patterns.xm", xmw::WriteModule(song)});
  }
  {
    // 65,535 one-row patterns of 32 channels in a file that holds none of them: 65,535
    // allocations, and 256 missing patterns of 64 empty rows named by the orders.
    xmw::Module song;
    song.channels = 32;
    song.orders.assign(256, 0);
    for (int i = 0; i < 256; ++i) song.orders[i] = uint8_t(i);
    song.patternCountOverride = 0xFFFF;
    modules.push_back({"many-patterns.xm", xmw::WriteModule(song)});
  }
  {
    // 1,000 channels of packed data: 968 of every row are read and dropped.
    xmw::Module song;
    song.channels = 1000;
    song.AddPattern(60);
    for (auto& cell : song.patterns[0].cells) cell = {1, 1, 0x10, 1, 1};
    song.orders = {0};
    modules.push_back({"wide-patterns.xm", xmw::WriteModule(song)});
  }
  {
    // 128 instruments of 16 samples each, 2,048 blocks of sample data.
    xmw::Module song;
    song.channels = 2;
    song.AddPattern(1);
    song.orders = {0};
    xmw::Instrument instrument;
    for (int i = 0; i < 16; ++i) instrument.samples.push_back(LongSample(i % 2 ? 16 : 8, 64));
    song.instruments.assign(128, instrument);
    song.instrumentCountOverride = 0xFFFF;
    modules.push_back({"many-samples.xm", xmw::WriteModule(song)});
  }
  {
    // A long 8-bit sample: 4 MiB of deltas to decode and widen.
    xmw::Module song;
    song.channels = 2;
    song.AddPattern(1);
    song.orders = {0};
    xmw::Instrument instrument;
    instrument.samples = {LongSample(8, 4 << 20)};
    song.instruments = {instrument};
    modules.push_back({"long-sample.xm", xmw::WriteModule(song)});
  }
  return modules;
}

}  // namespace loaderbench
