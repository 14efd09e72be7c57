// The sequencer's clock: installed as every loaded module's tick routine.
#pragma once

struct Module;

// Advances the song by one tick and updates the voices.
void SequencerTick(Module* module);
