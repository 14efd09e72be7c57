// The song as loaded: the records that the loader fills and that the sequencer, the voice
// update and the mixer read. Every block hanging off a Module belongs to it and is released
// by FreeModule.
#pragma once

#include <cstdint>

struct Module;

// Runs once per tick with the module being played.
typedef void (*TickRoutine)(Module* module);

// One pattern cell as stored in memory.
struct Cell {
  uint8_t note;        // 0 none, 1..96 a note, 255 key-off; other values as read
  uint8_t instrument;  // 0 none, 1..128
  uint8_t volume;      // volume-column byte as read
  uint8_t effect;
  uint8_t parameter;
};

// Cell values with a meaning of their own.
const uint8_t KeyOffNote = 255;
const uint8_t MaxCellInstrument = 128;

struct Pattern {
  uint32_t rowCount;
  Cell* cells;  // rowCount * channelCount cells; row r, channel c at r * channelCount + c
};

struct EnvelopePoint {
  uint16_t tick;
  uint16_t value;
};

// Sample::loopKind values (0 is left for EmptySample, which neither ends nor loops normally).
const uint8_t NoLoop = 1;
const uint8_t ForwardLoop = 2;
const uint8_t PingPongLoop = 4;

// Signed 16-bit PCM with length + 8 samples in its block: one guard sample after the loop end
// lets the mixer interpolate without bounds checks; the rest stay zero.
const uint32_t SampleGuardSamples = 8;

struct Sample {
  int16_t* data;        // null when length is 0
  uint32_t length;      // in samples
  uint32_t loopStart;   // in samples
  uint32_t loopLength;  // in samples; without a loop 0 and length, so the end is always
                        // loopStart + loopLength
  uint8_t volume;
  int8_t finetune;
  uint32_t panning;     // 0..255
  uint8_t bits;         // 16 once loaded
  uint8_t loopKind;     // NoLoop, ForwardLoop or PingPongLoop
  int8_t relativeNote;
};

const int MaxInstrumentSamples = 16;
const int InstrumentNotes = 96;
const int EnvelopePoints = 12;

struct Instrument {
  int32_t sampleCount;                        // 0..16
  Sample* samples[MaxInstrumentSamples];      // slots past sampleCount point at EmptySample
  uint8_t sampleMap[InstrumentNotes];         // sample slot for every note, as read
  EnvelopePoint volumeEnvelope[EnvelopePoints];
  EnvelopePoint panningEnvelope[EnvelopePoints];
  uint8_t volumePointCount;
  uint8_t panningPointCount;
  uint8_t volumeSustainPoint;
  uint8_t volumeLoopStart;
  uint8_t volumeLoopEnd;
  uint8_t panningSustainPoint;
  uint8_t panningLoopStart;
  uint8_t panningLoopEnd;
  uint8_t volumeEnvelopeFlags;   // bit 0 on, bit 1 sustain, bit 2 loop; 0 with fewer than 2 points
  uint8_t panningEnvelopeFlags;
  uint8_t vibratoType;
  uint8_t vibratoSweep;
  uint8_t vibratoDepth;
  uint8_t vibratoRate;
  uint16_t fadeout;              // twice the file's value
};

// Envelope type bits.
const uint8_t EnvelopeOn = 1;
const uint8_t EnvelopeSustain = 2;
const uint8_t EnvelopeLoop = 4;

// Module::flags bit 0: pitches follow the linear frequency table.
const uint16_t LinearFrequencyTable = 1;

const int OrderTableSize = 256;

struct Module {
  Pattern* patterns;            // patternCount records
  Instrument* instruments;      // instrumentCount records
  int32_t framesLeftInTick;     // output frames still to mix before the next tick
  int32_t framesPerTick;
  int16_t songLength;           // order entries that are played
  int16_t restartPosition;      // order position after the last one
  int16_t channelCount;         // columns of every pattern
  int32_t referencedPatternCount;  // 1 + highest pattern among the played orders
  int32_t patternCount;         // max(file's pattern count, referencedPatternCount)
  int16_t instrumentCount;
  uint16_t flags;
  int16_t defaultSpeed;         // ticks per row at the start
  int16_t defaultBpm;
  uint8_t orders[OrderTableSize];
  uint8_t initialGlobalVolume;  // 64 after loading

  // Playback state, zero after loading; set when playback starts and run by the sequencer.
  int32_t globalVolume;         // 0..64
  uint8_t globalVolumeSlideMemory;
  int32_t tick;                 // ticks elapsed in the current row
  int32_t speed;                // ticks per row
  int32_t bpm;
  int32_t row;
  int32_t orderPosition;
  int32_t patternDelayTicks;
  int32_t nextRow;              // -1 for none
  int32_t nextOrderPosition;    // -1 for none

  TickRoutine tickRoutine;
};

// Stands in for every missing sample; never freed.
extern Sample EmptySample;
