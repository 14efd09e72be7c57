// Playback of a loaded module into the output ring.
#pragma once

#include <cstdint>

struct Module;

// 1 while the feeder is inside a block fill; whoever frees a module waits for it to clear.
extern volatile uint8_t FillBusy;

// Stops the feeder and releases the output buffers of `module`'s playback.
// Returns false for a null module, true otherwise.
bool StopPlayback(Module* module);
