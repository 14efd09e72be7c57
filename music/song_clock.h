// The sequencer's clock: installed as every loaded module's tick routine, it runs a row's first
// tick or one of its later ticks and moves the song on through rows and orders, with pattern
// jumps, breaks, loops and delays.
#pragma once

struct Module;

// Advances the song by one tick and updates the voices. The first call plays row 0 of order
// position 0; after the last row of the last order the song goes on at the restart position
// (order 0 when the module's restart position lies outside the song). It never ends by itself.
void SequencerTick(Module* module);
