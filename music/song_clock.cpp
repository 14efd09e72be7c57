#include "music/song_clock.h"

#include "music/module.h"
#include "music/row_cells.h"
#include "music/row_processing.h"
#include "music/tick_effects.h"
#include "music/voice_update.h"

namespace {

int32_t RestartPositionOf(const Module* module) {
  int32_t restart = module->restartPosition;
  return restart >= 0 && restart < module->songLength ? restart : 0;
}

// After a row's first tick, unless the row jumped or broke: the row a pattern loop goes back
// to, or the next row, or row 0 of the next order once the pattern is over.
void ChooseNextRow(Module* module) {
  if (module->nextRow != -1) return;
  if (CurrentRowDecisions.loopBackRow >= 0) {
    module->nextRow = CurrentRowDecisions.loopBackRow;
    return;
  }
  module->nextRow = module->row + 1;
  if (uint32_t(module->nextRow) < RowCountAt(module, module->orderPosition)) return;
  module->nextOrderPosition = module->orderPosition + 1;
  if (module->nextOrderPosition >= module->songLength) {
    module->nextOrderPosition = RestartPositionOf(module);
  }
  module->nextRow = 0;
}

}  // namespace

void SequencerTick(Module* module) {
  int32_t globalVolume = module->globalVolume;
  if (module->tick != 0) {
    ProcessTickEffects(module);
  } else {
    if (module->nextOrderPosition >= 0) module->orderPosition = module->nextOrderPosition;
    if (module->nextRow >= 0) module->row = module->nextRow;
    ProcessRow(module);
    ChooseNextRow(module);
  }
  // Gxx and Hxy reach every channel on the tick they act, also the channels to their left.
  if (module->globalVolume != globalVolume) UpdateVoiceVolumes(module);
  // Speed 0 thus plays like speed 1: every tick is a row's first.
  module->tick += 1;
  if (module->tick >= module->speed + module->patternDelayTicks) {
    module->patternDelayTicks = 0;
    module->tick = 0;
  }
}
