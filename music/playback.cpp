#include "music/playback.h"

#include "music/block_fill.h"

volatile uint8_t FillBusy = 0;
void (*PlaybackStopHook)() = nullptr;

// Freeing some other module, one that was loaded but never played, must not stop the song
// that is playing, nor take its buffers away.
bool StopPlayback(Module* module) {
  if (!module) return false;
  if (module != PlayingModule) return true;
  if (PlaybackStopHook) PlaybackStopHook();
  ReleaseMixBuffer();
  PlayingModule = nullptr;
  return true;
}
