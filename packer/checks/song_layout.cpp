#include "packer/checks/song_layout.h"

#include <algorithm>
#include <string>

#include "packer/byte_order.h"

namespace {

// Where the song header's fields lie; the header's size counts from its own field at 60.
const size_t HeaderSizeField = 60;
const uint64_t HeaderEnd = 80 + 256;  // the fields and the order table, which every file has
const size_t PatternCountField = 70;
const size_t InstrumentCountField = 72;
const uint64_t PatternFieldBytes = 9;      // a shorter pattern header still has these
const uint64_t InstrumentLeadBytes = 29;   // size, name, type, number of samples
const uint64_t InstrumentFieldBytes = 241; // ... up to the fade-out, when it has samples
const uint64_t SampleHeaderBytes = 40;
const unsigned MaxSamples = 16;
const char* const CutShort = "; the file was cut short: get a whole copy, or save it again in a tracker";

// The header values the format bounds: FastTracker 2's limits, the channels as later trackers
// save them (the player plays the first 32 of those and warns of the rest).
struct Bound {
  size_t field;
  const char* what;
  const char* unit;
  unsigned lowest, highest;
};
const Bound Bounds[] = {
    {64, "a song length of", " orders", 1, 256},
    {68, "a channel count of", "", 1, 127},
    {PatternCountField, "a pattern count of", "", 0, 256},
    {InstrumentCountField, "an instrument count of", "", 0, 128},
    {76, "a speed of", " ticks a row", 1, 31},
    {78, "a tempo of", " BPM", 32, 255},
};

std::string Range(const Bound& bound) {
  return bound.lowest == 0 ? "at most " + std::to_string(bound.highest)
                           : std::to_string(bound.lowest) + " to " + std::to_string(bound.highest);
}

// The walk over the file's parts in the order the loader reads them.
struct Walk {
  const std::vector<uint8_t>& xm;
  uint64_t at = 0;
  uint64_t sampleBytesPresent = 0;

  uint64_t Size() const { return xm.size(); }
  bool Has(uint64_t end) const { return end <= Size(); }
};

std::string Bytes(uint64_t count) { return count == 1 ? "1 byte" : WithThousands(count) + " bytes"; }

// "patterns 4 to 8", "pattern 8", or "" when `first` is past `count`.
std::string Rest(const char* what, uint64_t first, uint64_t count) {
  if (first > count) return "";
  std::string numbers = first == count ? std::to_string(first) : std::to_string(first) + " to " + std::to_string(count);
  return std::string(what) + (first == count ? " " : "s ") + numbers;
}

// ", and patterns 6 to 12 and instrument 1 are not there", or "" when nothing follows.
std::string AndMissing(const std::string& first, const std::string& second) {
  std::string missing = first.empty() || second.empty() ? first + second : first + " and " + second;
  if (missing.empty()) return "";
  bool several = missing.find(" to ") != std::string::npos || missing.find(" and ") != std::string::npos;
  return ", and " + missing + (several ? " are" : " is") + " not there";
}

// False, with the problem added, when the file ends inside a pattern.
bool WalkPatterns(Walk* walk, const Input& song, unsigned patterns, unsigned instruments, Diagnostics* diagnostics) {
  for (unsigned index = 0; index < patterns; ++index) {
    uint64_t end = walk->at + PatternFieldBytes;
    if (walk->Has(end)) end = walk->at + std::max<uint64_t>(ReadU32(walk->xm, walk->at), PatternFieldBytes) +
                              ReadU16(walk->xm, walk->at + 7);
    if (!walk->Has(end)) {
      diagnostics->Problem(song, "ends inside pattern " + std::to_string(index + 1) + " of " + std::to_string(patterns) +
                                     ": at least " + Bytes(end - walk->Size()) + " of it are missing" +
                                     AndMissing(Rest("pattern", index + 2, patterns), Rest("instrument", 1, instruments)) + CutShort);
      return false;
    }
    walk->at = end;
  }
  return true;
}

// Whether the file ends inside the instrument's headers, and, if not, how much of each sample's
// data is there.
bool WalkInstrument(Walk* walk, unsigned index, unsigned instruments, const Input& song, Diagnostics* diagnostics) {
  uint64_t start = walk->at;
  unsigned samples = walk->Has(start + InstrumentLeadBytes) ? ReadU16(walk->xm, start + 27) : 0;
  uint64_t headerSize = walk->Has(start + 4) ? ReadU32(walk->xm, start) : 0;
  uint64_t headersEnd = std::max(start + (samples ? InstrumentFieldBytes : InstrumentLeadBytes),
                                 start + headerSize + SampleHeaderBytes * samples);
  if (!walk->Has(headersEnd) || samples > MaxSamples) {
    diagnostics->Problem(song, "ends inside the header of instrument " + std::to_string(index + 1) + " of " +
                                   std::to_string(instruments) + ": at least " + Bytes(headersEnd - std::min(headersEnd, walk->Size())) +
                                   " of it are missing" + AndMissing("", Rest("instrument", index + 2, instruments)) + CutShort);
    return false;
  }
  walk->at = start + headerSize + SampleHeaderBytes * samples;
  for (unsigned slot = 0; slot < samples; ++slot) {
    uint64_t data = ReadU32(walk->xm, start + headerSize + SampleHeaderBytes * slot);
    uint64_t present = walk->Has(walk->at) ? std::min(data, walk->Size() - walk->at) : 0;
    walk->sampleBytesPresent += present;
    walk->at += data;
    if (present == data) continue;
    std::string which = "sample " + std::to_string(slot + 1) + " of instrument " + std::to_string(index + 1);
    std::string missing = Bytes(data - present) + " of its " + Bytes(data) + " of data";
    bool lastOfAll = index + 1 == instruments && slot + 1 == samples;
    // Old trackers sometimes saved the last sample a few bytes short; what is there still plays.
    if (lastOfAll && 2 * present > data) {
      diagnostics->Warning(song, "lacks the last " + missing + " (" + which + ": the file ends there), and the player "
                                 "plays only what is there; save the song again in a tracker");
      return true;
    }
    std::string laterSamples = slot + 1 < samples ? Rest("sample", slot + 2, samples) + " of it" : "";
    diagnostics->Problem(song, "ends inside the data of " + which + ": " + missing + " are missing" +
                                   AndMissing(laterSamples, Rest("instrument", index + 2, instruments)) + CutShort);
    return false;
  }
  return true;
}

void CheckBounds(const Input& song, const std::vector<uint8_t>& xm, Diagnostics* diagnostics) {
  for (const Bound& bound : Bounds) {
    unsigned value = ReadU16(xm, bound.field);
    if (value >= bound.lowest && value <= bound.highest) continue;
    diagnostics->Problem(song, "its header gives " + std::string(bound.what) + " " + WithThousands(value) + bound.unit +
                                   ", and the format allows " + Range(bound) +
                                   "; the file is damaged, or was not saved by a tracker: save it again in one");
  }
}

}  // namespace

void CheckSongLayout(const Input& song, const std::vector<uint8_t>& xm, Diagnostics* diagnostics) {
  if (xm.size() < HeaderEnd) {
    diagnostics->Problem(song, "ends inside its header: " + Bytes(HeaderEnd - xm.size()) + " of it are missing" + CutShort);
    return;
  }
  CheckBounds(song, xm, diagnostics);
  Walk walk = {xm};
  walk.at = HeaderSizeField + uint64_t(ReadU32(xm, HeaderSizeField));
  unsigned patterns = ReadU16(xm, PatternCountField), instruments = ReadU16(xm, InstrumentCountField);
  if (!WalkPatterns(&walk, song, patterns, instruments, diagnostics)) return;
  for (unsigned index = 0; index < instruments; ++index) {
    if (!WalkInstrument(&walk, index, instruments, song, diagnostics)) return;
  }
  if (walk.sampleBytesPresent == 0)
    diagnostics->Problem(song, "has no sample data at all, so the installer would play silence; "
                               "give a song whose instruments have samples");
}
