// Where the sequencer finds a row's cells and a channel's instrument and sample. Both lookups
// stay inside the module whatever the song position, the cell values or the channel state
// hold, so a malformed song can only sound wrong, never read outside its blocks.
#pragma once

#include <cstdint>

#include "music/module.h"

struct Channel;

// The channels the sequencer plays: the module's channelCount, at most 32, 0 for none.
int32_t PlayedChannelCount(const Module* module);

// The pattern that order position `orderPosition` names, or null for a position outside the
// played orders or a pattern the module does not have.
const Pattern* PatternAt(const Module* module, int32_t orderPosition);

// The rows of that pattern; 0 when there is none.
uint32_t RowCountAt(const Module* module, int32_t orderPosition);

// The cells of the current row (module's row at its orderPosition), one per channel; null
// when the pattern has no cells at all, which skips the row. A row at or past the pattern's
// end (a break or loop that names it) reads as an empty row.
const Cell* CurrentRowCells(const Module* module);

// The instrument and sample that a channel plays: its instrument, and the sample that the
// instrument's map gives for its note. An instrument the module does not have is
// EmptyInstrument with EmptySample; a map entry of 16 or more, or a note beyond the map's 96,
// gives EmptySample.
struct ChannelSound {
  const Instrument* instrument;
  Sample* sample;
};
ChannelSound ResolveSound(const Module* module, const Channel* channel);

// EDy with y of 1 or more: the cell's note, instrument, key-off and volume column wait for
// tick y of the row (of each repeat of it under a pattern delay).
bool DelaysNote(const Cell* cell);

// The cell as the row plays it: a note delay at or beyond the row's ticks never comes, so the
// whole cell is left out, its instrument and volume column included, and the empty cell is
// returned.
const Cell* PlayedCell(const Module* module, const Cell* cell);
