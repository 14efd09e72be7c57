// A row's first tick: for every channel the note, the instrument, the volume column and the
// first-tick part of its effect, then the envelopes, the auto-vibrato and the voice update.
#pragma once

#include <cstdint>

struct Module;

// What the row decided about the song position beyond nextRow and nextOrderPosition: whether
// a position jump (Bxx) came first, so that a later break keeps its order, and the row that a
// pattern loop goes back to, -1 for none (the highest-numbered channel that loops back wins).
struct RowDecisions {
  bool positionJump;
  int32_t loopBackRow;
};
extern RowDecisions CurrentRowDecisions;

// Tick 0 of the current row. Starts by clearing nextRow, nextOrderPosition and the row's
// decisions; a pattern without cells leaves it at that.
void ProcessRow(Module* module);
