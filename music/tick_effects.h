// The later ticks of a row: every channel's continuous effects move one step (slides,
// portamentos, vibrato, tremolo, tremor, arpeggio, retriggers, note cut and delay, the volume
// column's slides), its envelopes and fade-out go on, and its voice is updated.
#pragma once

struct Module;

// Every tick of a row but the first. Reads the same row's cells as the first tick did; a
// pattern without cells leaves every channel as it is.
void ProcessTickEffects(Module* module);
