// A small, independent reader of XM files for the tests: it follows the file's own size
// fields, checks every read against the end of the data, and keeps everything it reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xmtest {

struct Cell {
  uint8_t note = 0, instrument = 0, volume = 0, effect = 0, parameter = 0;
};

struct Pattern {
  uint32_t headerLength = 0;
  uint8_t packingType = 0;
  uint16_t rows = 0;
  uint16_t packedSize = 0;
  std::vector<Cell> cells;  // rows * channels
};

struct EnvelopePoint {
  uint16_t tick = 0, value = 0;
};

struct Envelope {
  EnvelopePoint points[12];
  uint8_t pointCount = 0, sustainPoint = 0, loopStart = 0, loopEnd = 0, flags = 0;
};

struct Sample {
  uint32_t lengthBytes = 0, loopStartBytes = 0, loopLengthBytes = 0;
  uint8_t volume = 0;
  int8_t finetune = 0;
  uint8_t type = 0;
  uint8_t panning = 0;
  int8_t relativeNote = 0;
  std::string name;
  std::vector<int16_t> pcm;  // delta-decoded; 8-bit data as -128..127

  int bits() const { return (type & 0x10) ? 16 : 8; }
  int loopKind() const { return type & 3; }  // 0 none, 1 forward, 2 ping-pong
};

struct Instrument {
  uint32_t headerSize = 0;
  std::string name;
  uint16_t sampleCount = 0;
  uint32_t sampleHeaderSize = 0;
  uint8_t sampleMap[96] = {};
  Envelope volume, panning;
  uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
  uint16_t fadeout = 0;
  std::vector<Sample> samples;
};

struct Module {
  std::string id, name, tracker;
  uint16_t version = 0;
  uint32_t headerSize = 0;
  uint16_t songLength = 0, restartPosition = 0, channels = 0, patternCount = 0;
  uint16_t instrumentCount = 0, flags = 0, speed = 0, bpm = 0;
  uint8_t orders[256] = {};
  std::vector<Pattern> patterns;
  std::vector<Instrument> instruments;
  size_t bytesUsed = 0;  // where the reader stopped
};

// Parses `bytes`; returns false with a reason in `error` when the data ends early or
// a field is out of range.
bool ReadModule(const std::vector<uint8_t>& bytes, Module* module, std::string* error);

// Decodes packed pattern data into `cells` cells; false when the data ends early.
bool DecodeCells(const uint8_t* data, size_t size, size_t cells, std::vector<Cell>* out,
                 size_t* used);

std::vector<uint8_t> ReadFile(const std::string& path);

}  // namespace xmtest
