#include "music/row_cells.h"

#include <cstddef>

#include "music/sequencer_state.h"

namespace {

// Stands for a row past its pattern's end.
const Cell EmptyRow[MaxChannels] = {};

const uint8_t ExtendedEffect = 14;
const uint8_t NoteDelayCommand = 0xD;

}  // namespace

int32_t PlayedChannelCount(const Module* module) {
  int32_t count = module->channelCount;
  if (count < 0) return 0;
  return count > MaxChannels ? MaxChannels : count;
}

const Pattern* PatternAt(const Module* module, int32_t orderPosition) {
  if (orderPosition < 0 || orderPosition >= module->songLength ||
      orderPosition >= OrderTableSize || !module->patterns) {
    return nullptr;
  }
  int32_t index = module->orders[orderPosition];
  if (index >= module->patternCount) return nullptr;
  return &module->patterns[index];
}

uint32_t RowCountAt(const Module* module, int32_t orderPosition) {
  const Pattern* pattern = PatternAt(module, orderPosition);
  return pattern ? pattern->rowCount : 0;
}

const Cell* CurrentRowCells(const Module* module) {
  const Pattern* pattern = PatternAt(module, module->orderPosition);
  if (!pattern || !pattern->cells || PlayedChannelCount(module) == 0) return nullptr;
  if (module->row < 0 || uint32_t(module->row) >= pattern->rowCount) return EmptyRow;
  // Rows hold the module's channelCount cells; only the first 32 of them are played.
  return pattern->cells + size_t(module->row) * size_t(module->channelCount);
}

ChannelSound ResolveSound(const Module* module, const Channel* channel) {
  if (channel->instrumentIndex >= module->instrumentCount || !module->instruments) {
    return ChannelSound{&EmptyInstrument, &EmptySample};
  }
  const Instrument* instrument = &module->instruments[channel->instrumentIndex];
  uint8_t slot = channel->noteIndex < InstrumentNotes ? instrument->sampleMap[channel->noteIndex]
                                                      : MaxInstrumentSamples;
  Sample* sample = slot < MaxInstrumentSamples ? instrument->samples[slot] : &EmptySample;
  return ChannelSound{instrument, sample ? sample : &EmptySample};
}

bool DelaysNote(const Cell* cell) {
  return cell->effect == ExtendedEffect && (cell->parameter >> 4) == NoteDelayCommand &&
         (cell->parameter & 0x0F) != 0;
}

const Cell* PlayedCell(const Module* module, const Cell* cell) {
  if (!DelaysNote(cell)) return cell;
  return (cell->parameter & 0x0F) >= module->speed ? &EmptyRow[0] : cell;
}
