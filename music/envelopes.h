// Volume and panning envelopes: each tick moves a channel's envelope one tick along the
// instrument's points, with sustain and loop, and raises the update flag for the voice.
#pragma once

#include <cstdint>

#include "music/module.h"

struct Channel;

// One envelope of an instrument, as the stepping reads it.
struct Envelope {
  const EnvelopePoint* points;  // EnvelopePoints of them
  uint8_t pointCount;
  uint8_t sustainPoint;
  uint8_t loopStart;
  uint8_t loopEnd;
  uint8_t flags;  // EnvelopeOn, EnvelopeSustain, EnvelopeLoop
};

// The six fields of one envelope in the channel.
struct EnvelopeState {
  int32_t* tick;
  int32_t* point;  // the point that ends the current segment
  int32_t* level;  // 16.16
  int32_t* value;  // integer part of level
  int32_t* slope;  // 16.16 per tick
  uint8_t* done;
};

Envelope VolumeEnvelopeOf(const Instrument* instrument);
Envelope PanningEnvelopeOf(const Instrument* instrument);
EnvelopeState VolumeEnvelopeStateOf(Channel* channel);
EnvelopeState PanningEnvelopeStateOf(Channel* channel);

// Moves the envelope one tick and raises `updateFlag` on the channel. Callers step only an
// enabled envelope that is not done. Between points the level moves by the slope; at a point
// the loop end jumps back to the loop start (before anything else, so a loop keeps going
// after key-off and passes over a sustain point at its end), the last point ends the envelope,
// a sustain point holds until key-off, and any other point starts the slope to the next one.
//
// Envelopes come from the file as they are: a point count above the 12 points is taken as 12,
// and a loop that starts beyond the last point is ignored, so no point outside the 12 is read.
void StepEnvelope(Channel* channel, const Envelope& envelope, const EnvelopeState& state,
                  uint8_t updateFlag);

// Puts the envelope at `tick` (Lxx): onto the segment that holds it, or at its last point,
// done, when the tick lies beyond the envelope.
void MoveEnvelopeTo(const Envelope& envelope, const EnvelopeState& state, int32_t tick);

// StepEnvelope on the instrument's volume envelope (UpdateVolume) or panning envelope
// (UpdatePanning).
void StepVolumeEnvelope(Channel* channel, const Instrument* instrument);
void StepPanningEnvelope(Channel* channel, const Instrument* instrument);

// Every tick: both envelopes of the instrument move, each if it is enabled and not done, and
// after key-off the note fades by the instrument's fade-out, down to 0.
void StepEnvelopesAndFadeOut(Channel* channel, const Instrument* instrument);
