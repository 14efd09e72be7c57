// The song's instruments: each one's sample is synthesised here, with its loop, envelopes,
// default volume and panning.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/xmwriter/xm_writer.h"

namespace songgen {

// Instrument numbers as they appear in the pattern cells (1-based, in file order).
enum Instrument : uint8_t {
  Kick = 1,
  Snare,
  ClosedHat,
  OpenHat,
  Crash,
  Bass,
  Lead,
  Echo,
  Chip,
  Pad,
  InstrumentCount = Pad,
};

// All instruments, index i holding instrument number i + 1.
std::vector<xmw::Instrument> BuildInstruments();

}  // namespace songgen
