#include "music/song_clock.h"

// The tick routine that every loaded module carries. The row processing and the song clock
// live here once the sequencer is written; until then a tick changes nothing.
void SequencerTick(Module*) {}
