// The instrument's auto-vibrato: a pitch offset that follows one of four waveforms, fading in
// over the instrument's sweep after each instrument reset.
#pragma once

#include "music/module.h"

struct Channel;

// Adds this tick's auto-vibrato to the channel's periodDelta, moves the sweep and the phase
// on, and raises UpdateFrequency. Runs for every channel on every tick, after the effects.
// Waveform types above 3, which no valid file holds, play the sine.
void ApplyAutoVibrato(Channel* channel, const Instrument* instrument);
