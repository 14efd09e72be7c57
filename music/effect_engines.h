// The engines behind the continuous effects: tone portamento, vibrato, tremolo, tremor and the
// volume slides. The row's first tick and its later ticks both drive them, each as its table
// says; they work on one channel and keep their state in its record.
#pragma once

#include <cstdint>

struct Channel;
struct Instrument;

// One step of `portaSpeed` x 4 towards `portaTarget`, never past it. Raises UpdateFrequency
// also when the target is already reached.
void TonePortamento(Channel* channel);

// The vibrato's period offset at the current position (the position does not move): the
// waveform value times the depth over 32, to a multiple of 4. A position of 0 or above lowers
// the period, a negative one raises it.
void ApplyVibrato(Channel* channel);

// Moves the vibrato position on by its speed; past 31 it wraps into the negative half.
void MoveVibrato(Channel* channel);

// The tremolo's volume offset at the current position, kept so that volume plus offset stays
// within 0..64, then moves the position on.
void ApplyTremolo(Channel* channel);

// One later tick of Txy (`parameter`, 0 for the last nonzero one): the phase, sounding or
// silent, counts its ticks down; when none is left it flips and lasts x + 1 ticks (sounding)
// or y + 1 (silent) of the times in force then, so that new times take effect at the next
// flip instead of being read against a count of the old ones. A silent tick mutes the output
// until a sounding tick or an instrument ends it; the channel's volume is not touched.
void ApplyTremor(Channel* channel, uint8_t parameter);

// A slide by a memory byte xy: up by x if x is nonzero, otherwise down by y, kept within
// 0..64. Used for the channel volume (Axy, 5xy, 6xy) and the global volume (Hxy).
int32_t SlideWithin64(int32_t value, uint8_t memory);

// The volume slide of Axy, 5xy and 6xy with the channel's shared memory; raises UpdateVolume
// even when the memory is 0.
void SlideChannelVolume(Channel* channel);
