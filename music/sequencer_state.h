// The state the sequencer works on and the channel operations that the row processing and the
// per-tick effects share. The song-wide part (PlayerState: global volume, tick, speed, tempo,
// row, order position, pattern delay, pending jumps) lives in the playback fields at the end
// of the Module record; the per-column part is the Channel table here.
#pragma once

#include <cstdint>

#include "music/module.h"

struct Voice;

// Channel::updateFlags: what the voice update must recompute this tick.
const uint8_t UpdateFrequency = 1;
const uint8_t UpdateVolume = 2;
const uint8_t UpdatePanning = 4;
const uint8_t TriggerNote = 8;
const uint8_t StopVoice = 32;  // the voice falls silent: a sample offset beyond the sample's end

// Kxx: K00 releases the note on the row's first tick, Kxx on its tick xx.
const uint8_t KeyOffEffect = 20;

// Channel::tremorPhase: the bit of the sounding phase, the silence bit, and below them the
// ticks left in the phase (at most 15).
const uint8_t TremorOn = 0x80;
// Set by a tremor tick of the silent phase; only a tick of the sounding phase or an instrument
// restart clears it. It mutes the output, not the channel's volume, and outlasts the tremor's
// rows: songs written for it stay silent through rows without it, while slides and set-volume
// commands go on changing the volume that the next sounding tick plays. It is not the absence
// of TremorOn: after an instrument the phase is silent with no tick left, yet sounds.
const uint8_t TremorSilenced = 0x40;
const uint8_t TremorTicksLeft = 0x0F;

// The playback state of one pattern column. Channel c plays through voice c or c + 32.
struct Channel {
  uint8_t noteIndex;        // 0-based note of the last note cell; picks the sample
  uint8_t updateFlags;
  Voice* voice;             // the voice this channel plays through now
  int32_t period;           // pitch; smaller is higher
  int32_t volume;           // normally 0..64
  int32_t panning;          // normally 0..255
  int32_t volumeDelta;      // tremolo or tremor offset for this tick
  int32_t periodDelta;      // vibrato, arpeggio and auto-vibrato offset for this tick
  int32_t volumeEnvelopeTick;
  int32_t volumeEnvelopePoint;   // the point that ends the current segment
  int32_t volumeEnvelopeLevel;   // 16.16
  int32_t volumeEnvelopeValue;   // 0..64
  int32_t volumeEnvelopeSlope;   // 16.16 per tick
  uint8_t volumeEnvelopeDone;    // 1 once the last point is reached
  int32_t panningEnvelopeTick;
  int32_t panningEnvelopePoint;
  int32_t panningEnvelopeLevel;
  int32_t panningEnvelopeValue;  // 0..64, 32 is the centre
  int32_t panningEnvelopeSlope;
  uint8_t panningEnvelopeDone;
  int32_t fadeoutVolume;         // 65536 after an instrument reset, falls after key-off
  int32_t autoVibratoPosition;   // 0..255
  int32_t autoVibratoSweepTicks; // 0 up to the instrument's vibratoSweep
  uint8_t keyOff;
  uint8_t instrumentIndex;       // 0-based
  uint8_t realNote;              // note plus the sample's relative note, modulo 256
  int32_t notePeriod;            // period of realNote, the tone portamento's target
  int32_t sampleOffsetMemory;
  uint8_t portaDownMemory;
  uint8_t portaUpMemory;
  uint8_t extraFinePortaDownMemory;
  uint8_t extraFinePortaUpMemory;
  uint8_t volumeSlideMemory;     // shared by Axy, 5xy and 6xy
  uint8_t panningSlideMemory;
  uint8_t retrigVolumeMode;
  uint8_t retrigInterval;
  int32_t portaTarget;
  uint8_t portaSpeed;
  int8_t vibratoPosition;        // -32..31
  uint8_t vibratoSpeed;
  uint8_t vibratoDepth;
  int8_t tremoloPosition;        // -32..31
  uint8_t tremoloSpeed;
  uint8_t tremoloDepth;
  uint8_t tremorPhase;           // TremorOn while sounding, TremorSilenced, the phase's ticks left
  uint8_t tremorMemory;          // last nonzero Txy
  int32_t patternLoopRow;
  int32_t patternLoopCount;
  uint8_t waveforms;             // low nibble vibrato control, high nibble tremolo control
  uint8_t fineVolumeUpMemory;    // EAy
  uint8_t fineVolumeDownMemory;  // EBy
  uint8_t finePortaUpMemory;
  uint8_t finePortaDownMemory;
};

const int MaxChannels = 32;
extern Channel Channels[MaxChannels];

// Stands in for a missing instrument, always together with EmptySample: no envelopes, no
// auto-vibrato, no fade-out.
extern const Instrument EmptyInstrument;

// Playback start: song position at the start of the first order, speed, tempo and global
// volume from the module's defaults, nothing pending.
void ResetPlayerState(Module* module);

// Zeroes the first `channelCount` channels (at most 32) and puts channel c on voice c. A
// channel that has never seen an instrument has volume, envelopes and fade-out at 0: silent.
void ResetChannels(int32_t channelCount);

// Stores the tempo and sets the module's framesPerTick from it: 2.5 seconds per beat over
// the BPM, in output frames, rounded. A tempo of 0 or below counts as 1 BPM, and the result is
// at least one frame, so that the block filler always moves on.
void SetTempo(Module* module, int32_t bpm);

// The reset when a cell names an instrument, or a delayed note plays: volume and panning from
// the sample (ResetChannelVolumes), then RestartInstrument.
void ResetChannelInstrument(Channel* channel, const Sample* sample);
void ResetChannelVolumes(Channel* channel, const Sample* sample);

// Both envelopes back to their start, the note held again at full fade-out volume, the
// auto-vibrato, the tremor and (unless their control keeps them) the vibrato and tremolo
// positions from the start.
void RestartInstrument(Channel* channel);

// The volume column's action on a row's first tick.
void ApplyVolumeColumn(Channel* channel, uint8_t volumeByte);

// Key-off: the note is released and fades from now on. An instrument without a volume
// envelope has no release of its own, so its volume drops to 0 unless `keepVolume` (an
// instrument in the same cell sets it again); the note is not muted for good: whatever sets
// the volume later makes it heard again, still fading.
void ReleaseNote(Channel* channel, const Instrument* instrument, bool keepVolume);

// What a cell's instrument, key-off and volume column do to the channel, in that order: so
// the volume column can make a released note heard again.
void ApplyCellInstrumentAndVolume(Channel* channel, const Cell* cell, const Instrument* instrument,
                                  const Sample* sample);
