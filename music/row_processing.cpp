#include "music/row_processing.h"

#include "music/auto_vibrato.h"
#include "music/effect_engines.h"
#include "music/envelopes.h"
#include "music/mixer.h"
#include "music/pitch.h"
#include "music/rounding.h"
#include "music/row_cells.h"
#include "music/sequencer_state.h"
#include "music/song_clock.h"
#include "music/voice_update.h"

// Set by ProcessRow before anything reads it.
RowDecisions CurrentRowDecisions;

namespace {

const int32_t MaxVolume = 64;
const int32_t MaxBreakRow = 63;
const int32_t SampleOffsetUnit = 256;
const uint8_t ToneFlagsCleared = uint8_t(~(UpdateFrequency | TriggerNote));
const uint8_t DelayFlagsCleared =
    uint8_t(~(UpdateFrequency | UpdateVolume | UpdatePanning | TriggerNote));

// One channel's row on tick 0, as the effect handlers see it.
struct RowStep {
  Module* module;
  Channel* channel;
  const Cell* cell;
  ChannelSound sound;
  uint8_t x, y;  // the parameter's high and low nibble
  // The channel's volume, period and panning before the row, for a delayed note.
  int32_t volumeBefore, periodBefore, panningBefore;
};

typedef void (*RowEffect)(RowStep& step);

const uint8_t TonePortamentoEffect = 3;
const uint8_t TonePortamentoVolumeSlideEffect = 5;
const uint8_t VolumeColumnTonePortamento = 0xF0;

bool PlaysNote(uint8_t note) { return note != 0 && note != KeyOffNote; }

// Songs never heard a note that the sample's relative note lifts above the highest one, B-9
// (0-based 118), nor one beside K00, which releases instead: such a cell's note is left out
// and the channel goes on as it was.
const int32_t HighestNote = 118;
bool PlaysTransposedNote(const Cell* cell, const Sample* sample) {
  if (cell->effect == KeyOffEffect && cell->parameter == 0) return false;
  return PlaysNote(cell->note) && sample->relativeNote + cell->note - 1 <= HighestNote;
}

// 3xx, 5xy and the volume column's Fx slide to the cell's note instead of starting it.
bool IsTonePortamentoRow(const Cell* cell) {
  return cell->effect == TonePortamentoEffect || cell->effect == TonePortamentoVolumeSlideEffect ||
         cell->volume >= VolumeColumnTonePortamento;
}

void Nothing(RowStep&) {}

void KeepIfNonzero(uint8_t* memory, uint8_t value) {
  if (value) *memory = value;
}

int32_t Offset(int32_t period, int64_t by) { return SaturateToInt32(int64_t(period) + by); }

// 1xx, 2xx: the slide itself runs on the later ticks.
void PortamentoUp(RowStep& s) { KeepIfNonzero(&s.channel->portaUpMemory, s.cell->parameter); }
void PortamentoDown(RowStep& s) { KeepIfNonzero(&s.channel->portaDownMemory, s.cell->parameter); }

// 3xx and 5xy aim at the cell's note instead of starting it; the frequency is raised again by
// the auto-vibrato, so it is recomputed from the unchanged period.
void AimTonePortamento(Channel* channel) {
  channel->portaTarget = channel->notePeriod;
  channel->updateFlags &= ToneFlagsCleared;
}

// Beside the volume column's tone portamento, 3xx's parameter is not taken: the column's
// speed (or, for F0, the one kept) drives the slides of both.
void TonePortamentoRow(RowStep& s) {
  if (s.cell->volume < VolumeColumnTonePortamento) {
    KeepIfNonzero(&s.channel->portaSpeed, s.cell->parameter);
  }
  AimTonePortamento(s.channel);
}

void TonePortamentoVolumeSlideRow(RowStep& s) {
  AimTonePortamento(s.channel);
  KeepIfNonzero(&s.channel->volumeSlideMemory, s.cell->parameter);
}

void VibratoRow(RowStep& s) {
  KeepIfNonzero(&s.channel->vibratoSpeed, s.x);
  KeepIfNonzero(&s.channel->vibratoDepth, s.y);
  ApplyVibrato(s.channel);
}

void VibratoVolumeSlideRow(RowStep& s) {
  KeepIfNonzero(&s.channel->volumeSlideMemory, s.cell->parameter);
  ApplyVibrato(s.channel);
}

void TremoloRow(RowStep& s) {
  KeepIfNonzero(&s.channel->tremoloSpeed, s.x);
  KeepIfNonzero(&s.channel->tremoloDepth, s.y);
}

void SetPanning(RowStep& s) {
  s.channel->panning = s.cell->parameter;
  s.channel->updateFlags |= UpdatePanning;
}

// 9xx starts the row's note at an offset; one at or past the sample's end leaves nothing to
// play, so the note falls silent. On a row that starts no note there is nothing to offset, and
// the offset is not kept for a later note.
void SampleOffset(RowStep& s) {
  Channel* channel = s.channel;
  if (s.cell->parameter) channel->sampleOffsetMemory = s.cell->parameter;
  if (!(channel->updateFlags & TriggerNote) || !channel->voice) return;
  uint64_t offset = uint64_t(channel->sampleOffsetMemory) * SampleOffsetUnit;
  const Sample* sample = s.sound.sample;
  if (offset < uint64_t(sample->loopStart) + sample->loopLength) {
    channel->voice->startOffset = uint32_t(offset);
  } else {
    channel->updateFlags |= StopVoice;
  }
}

void VolumeSlideRow(RowStep& s) {
  KeepIfNonzero(&s.channel->volumeSlideMemory, s.cell->parameter);
}

void PositionJump(RowStep& s) {
  Module* module = s.module;
  module->nextRow = 0;
  int32_t order = s.cell->parameter;
  module->nextOrderPosition = order < module->songLength ? order : 0;
  CurrentRowDecisions.positionJump = true;
}

void SetVolume(RowStep& s) {
  s.channel->volume = s.cell->parameter;  // no limit at 64
  s.channel->updateFlags |= UpdateVolume;
}

// Dxy: the row is decimal. Past the last order the song goes to order 0, not to the restart
// position that the natural end of the song uses.
void PatternBreak(RowStep& s) {
  Module* module = s.module;
  int32_t row = 10 * s.x + s.y;
  module->nextRow = row > MaxBreakRow ? 0 : row;
  if (!CurrentRowDecisions.positionJump) module->nextOrderPosition = module->orderPosition + 1;
  if (module->nextOrderPosition >= module->songLength) module->nextOrderPosition = 0;
}

void SetSpeedOrTempo(RowStep& s) {
  if (s.cell->parameter < 32) {
    s.module->speed = s.cell->parameter;
  } else {
    SetTempo(s.module, s.cell->parameter);
  }
}

void SetGlobalVolume(RowStep& s) {
  s.module->globalVolume = s.cell->parameter > MaxVolume ? MaxVolume : s.cell->parameter;
  s.channel->updateFlags |= UpdateVolume;
}

void GlobalVolumeSlideRow(RowStep& s) {
  KeepIfNonzero(&s.module->globalVolumeSlideMemory, s.cell->parameter);
}

// Lxx moves the volume envelope to tick xx. Songs also hear the panning envelope move with
// it, but only where the instrument's volume envelope has a sustain point switched on.
void SetEnvelopePosition(RowStep& s) {
  const Instrument* instrument = s.sound.instrument;
  if (!(instrument->volumeEnvelopeFlags & EnvelopeOn)) return;
  MoveEnvelopeTo(VolumeEnvelopeOf(instrument), VolumeEnvelopeStateOf(s.channel),
                 s.cell->parameter);
  if ((instrument->volumeEnvelopeFlags & EnvelopeSustain) &&
      (instrument->panningEnvelopeFlags & EnvelopeOn)) {
    MoveEnvelopeTo(PanningEnvelopeOf(instrument), PanningEnvelopeStateOf(s.channel),
                   s.cell->parameter);
  }
}

void PanningSlideRow(RowStep& s) {
  if (!s.cell->parameter) return;
  s.channel->panningSlideMemory = s.cell->parameter;
  s.channel->updateFlags |= UpdatePanning;
}

void MultiRetrigRow(RowStep& s) {
  if (!s.cell->parameter) return;
  s.channel->retrigVolumeMode = s.x;
  s.channel->retrigInterval = s.y;
}

// X1y and X2y move the period by single units; the other X sub-effects do nothing.
void ExtraFinePortamento(RowStep& s) {
  Channel* channel = s.channel;
  if (s.x == 1) {
    KeepIfNonzero(&channel->extraFinePortaUpMemory, s.y);
    channel->period = Offset(channel->period, -int64_t(channel->extraFinePortaUpMemory));
  } else if (s.x == 2) {
    KeepIfNonzero(&channel->extraFinePortaDownMemory, s.y);
    channel->period = Offset(channel->period, channel->extraFinePortaDownMemory);
  }
}

// Extended effects, by x.

void FinePortamentoUp(RowStep& s) {
  KeepIfNonzero(&s.channel->finePortaUpMemory, s.y);
  s.channel->period = Offset(s.channel->period, -4 * int64_t(s.channel->finePortaUpMemory));
}

void FinePortamentoDown(RowStep& s) {
  KeepIfNonzero(&s.channel->finePortaDownMemory, s.y);
  s.channel->period = Offset(s.channel->period, 4 * int64_t(s.channel->finePortaDownMemory));
}

void VibratoControl(RowStep& s) {
  s.channel->waveforms = uint8_t((s.channel->waveforms & 0xF0) | s.y);
}

// E5y plays the row's note with finetune (y - 8) x 16 instead of its sample's, which stays as
// it is for every other note. Without a note there is nothing to tune.
void SetFinetune(RowStep& s) {
  Channel* channel = s.channel;
  if (!PlaysTransposedNote(s.cell, s.sound.sample)) return;
  channel->notePeriod = PeriodOfNote(s.module, channel->realNote, int8_t((s.y - 8) * 16));
  if (!IsTonePortamentoRow(s.cell)) channel->period = channel->notePeriod;
}

void PatternLoop(RowStep& s) {
  Channel* channel = s.channel;
  if (s.y == 0) {
    channel->patternLoopRow = s.module->row;
    return;
  }
  channel->patternLoopCount = channel->patternLoopCount == 0 ? s.y : channel->patternLoopCount - 1;
  if (channel->patternLoopCount != 0) CurrentRowDecisions.loopBackRow = channel->patternLoopRow;
}

void TremoloControl(RowStep& s) {
  s.channel->waveforms = uint8_t((s.channel->waveforms & 0x0F) | (s.y << 4));
}

void CoarsePanning(RowStep& s) {
  s.channel->panning = 16 * s.y;
  s.channel->updateFlags |= UpdatePanning;
}

void FineVolumeUp(RowStep& s) {
  Channel* channel = s.channel;
  KeepIfNonzero(&channel->fineVolumeUpMemory, s.y);
  int32_t volume = channel->volume + channel->fineVolumeUpMemory;
  channel->volume = volume > MaxVolume ? MaxVolume : volume;
  channel->updateFlags |= UpdateVolume;
}

void FineVolumeDown(RowStep& s) {
  Channel* channel = s.channel;
  KeepIfNonzero(&channel->fineVolumeDownMemory, s.y);
  int32_t volume = channel->volume - channel->fineVolumeDownMemory;
  channel->volume = volume < 0 ? 0 : volume;
  channel->updateFlags |= UpdateVolume;
}

// E90 starts the note again on the row's first tick; E9y with y above 0 on later ticks.
void RetriggerRow(RowStep& s) {
  if (s.y == 0) s.channel->updateFlags |= TriggerNote;
}

// EC0 cuts on the row's first tick; ECy with y above 0 on tick y.
void NoteCutRow(RowStep& s) {
  if (s.y != 0) return;
  s.channel->volume = 0;
  s.channel->updateFlags |= UpdateVolume;
}

// EDy: the row's note waits for tick y; until then the channel keeps what it had. ED0 is no
// delay at all.
void NoteDelayRow(RowStep& s) {
  if (!DelaysNote(s.cell)) return;
  Channel* channel = s.channel;
  channel->volume = s.volumeBefore;
  channel->period = s.periodBefore;
  channel->panning = s.panningBefore;
  channel->updateFlags &= DelayFlagsCleared;
}

void PatternDelay(RowStep& s) { s.module->patternDelayTicks = s.module->speed * s.y; }

const RowEffect ExtendedRowEffects[16] = {
    Nothing,            // E0y
    FinePortamentoUp,   // E1y
    FinePortamentoDown, // E2y
    Nothing,            // E3y
    VibratoControl,     // E4y
    SetFinetune,        // E5y
    PatternLoop,        // E6y
    TremoloControl,     // E7y
    CoarsePanning,      // E8y
    RetriggerRow,       // E9y
    FineVolumeUp,       // EAy
    FineVolumeDown,     // EBy
    NoteCutRow,         // ECy
    NoteDelayRow,       // EDy
    PatternDelay,       // EEy
    Nothing,            // EFy
};

void Extended(RowStep& s) { ExtendedRowEffects[s.x](s); }

// Tick-0 actions by effect number; numbers past the table do nothing.
const RowEffect RowEffects[] = {
    Nothing,                       // 0 arpeggio: later ticks
    PortamentoUp,                  // 1
    PortamentoDown,                // 2
    TonePortamentoRow,             // 3
    VibratoRow,                    // 4
    TonePortamentoVolumeSlideRow,  // 5
    VibratoVolumeSlideRow,         // 6
    TremoloRow,                    // 7
    SetPanning,                    // 8
    SampleOffset,                  // 9
    VolumeSlideRow,                // 10 A
    PositionJump,                  // 11 B
    SetVolume,                     // 12 C
    PatternBreak,                  // 13 D
    Extended,                      // 14 E
    SetSpeedOrTempo,               // 15 F
    SetGlobalVolume,               // 16 G
    GlobalVolumeSlideRow,          // 17 H
    Nothing,                       // 18
    Nothing,                       // 19
    Nothing,                       // 20 K: key-off is taken before the envelopes
    SetEnvelopePosition,           // 21 L
    Nothing,                       // 22
    Nothing,                       // 23
    Nothing,                       // 24
    PanningSlideRow,               // 25 P
    Nothing,                       // 26
    MultiRetrigRow,                // 27 R
    Nothing,                       // 28
    Nothing,                       // 29 T: the tremor and its times are the later ticks'
    Nothing,                       // 30
    Nothing,                       // 31
    Nothing,                       // 32
    ExtraFinePortamento,           // 33 X
};
const int RowEffectCount = int(sizeof RowEffects / sizeof RowEffects[0]);

// Steps 1 to 5: which instrument and note the channel now has, and what it was before.
RowStep BeginChannelRow(Module* module, Channel* channel, const Cell* cell) {
  bool tonePortamento = IsTonePortamentoRow(cell);
  if (cell->instrument && !tonePortamento) channel->instrumentIndex = uint8_t(cell->instrument - 1);
  if (PlaysNote(cell->note) && !tonePortamento) channel->noteIndex = uint8_t(cell->note - 1);
  RowStep step = {module, channel, cell, ResolveSound(module, channel),
                  uint8_t(cell->parameter >> 4), uint8_t(cell->parameter & 0x0F),
                  channel->volume, channel->period, channel->panning};
  // A tremolo's or a tremor's offset is the output's alone: the volume underneath stays as
  // it was, and the row's first tick plays it (a tremor's silence mutes it on its own).
  channel->volumeDelta = 0;
  channel->updateFlags = 0;
  return step;
}

// Steps 6 to 10: the note, the instrument reset, a key-off and the volume column.
void TakeNoteAndInstrument(RowStep& s) {
  Channel* channel = s.channel;
  const Cell* cell = s.cell;
  bool tonePortamento = IsTonePortamentoRow(cell);
  if (PlaysTransposedNote(cell, s.sound.sample)) {
    const Sample* sample = s.sound.sample;
    channel->realNote = uint8_t(sample->relativeNote + cell->note - 1);
    channel->notePeriod = PeriodOfNote(s.module, channel->realNote, sample->finetune);
    if (!tonePortamento) channel->period = channel->notePeriod;
    channel->updateFlags = TriggerNote;
  }
  channel->periodDelta = 0;
  channel->updateFlags |= UpdateFrequency | UpdateVolume;
  // A delayed note takes its instrument, key-off and volume column when it plays.
  if (!DelaysNote(cell)) {
    ApplyCellInstrumentAndVolume(channel, cell, s.sound.instrument, s.sound.sample);
  }
}

void ProcessChannelRow(Module* module, Channel* channel, const Cell* fileCell) {
  const Cell* cell = PlayedCell(module, fileCell);
  RowStep step = BeginChannelRow(module, channel, cell);
  TakeNoteAndInstrument(step);
  StepEnvelopesAndFadeOut(channel, step.sound.instrument);
  if (cell->effect < RowEffectCount) RowEffects[cell->effect](step);
  ApplyAutoVibrato(channel, step.sound.instrument);
  UpdateVoice(channel, step.sound.sample, module);
}

}  // namespace

void ProcessRow(Module* module) {
  module->nextRow = -1;
  module->nextOrderPosition = -1;
  CurrentRowDecisions = RowDecisions{false, -1};
  const Cell* cells = CurrentRowCells(module);
  if (!cells) return;
  int32_t channels = PlayedChannelCount(module);
  for (int32_t c = 0; c < channels; ++c) ProcessChannelRow(module, &Channels[c], &cells[c]);
}
