// Playback of a loaded module into the output ring.
#pragma once

#include <cstdint>

struct Module;

// 1 while the feeder is inside a block fill; whoever frees a module waits for it to clear.
extern volatile uint8_t FillBusy;

// Set by the sound output while a device plays the ring: StopPlayback runs it first, so that
// the feeder thread has ended and the device lets go of the ring before buffers are released.
extern void (*PlaybackStopHook)();

// Ends the playback of `module`: the stop hook runs, it is no longer the playing module and
// the mix buffer is released (the ring stays for whoever owns the device). A module that is
// not the one playing is left to play on. Returns false for a null module, true otherwise.
bool StopPlayback(Module* module);
