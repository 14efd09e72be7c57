#include "music/playback.h"

volatile uint8_t FillBusy = 0;

// The feeder thread and the output buffers come with the audio output; with no playback
// running there is nothing to stop yet.
bool StopPlayback(Module* module) { return module != nullptr; }
