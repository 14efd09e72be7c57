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

RowDecisions CurrentRowDecisions = {false, -1};

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

void TonePortamentoRow(RowStep& s) {
  KeepIfNonzero(&s.channel->portaSpeed, s.cell->parameter);
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

// 9xx: an offset inside the sample starts the next trigger there; one at or past its end
// does not start the note anew but puts the playing voice back to the start.
void SampleOffset(RowStep& s) {
  Channel* channel = s.channel;
  if (s.cell->parameter) channel->sampleOffsetMemory = s.cell->parameter;
  uint64_t offset = uint64_t(channel->sampleOffsetMemory) * SampleOffsetUnit;
  const Sample* sample = s.sound.sample;
  if (offset < uint64_t(sample->loopStart) + sample->loopLength) {
    if (channel->voice) channel->voice->startOffset = uint32_t(offset);
  } else {
    channel->updateFlags = uint8_t((channel->updateFlags & ~TriggerNote) | RewindVoice);
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

// Lxx moves the volume envelope to tick xx: onto the segment that holds it, or to the last
// point when it lies beyond the envelope.
void SetEnvelopePosition(RowStep& s) {
  const Instrument* instrument = s.sound.instrument;
  if (!(instrument->volumeEnvelopeFlags & EnvelopeOn)) return;
  Channel* channel = s.channel;
  const EnvelopePoint* points = instrument->volumeEnvelope;
  int32_t count = instrument->volumePointCount;
  if (count > EnvelopePoints) count = EnvelopePoints;
  if (count < 1) return;
  int32_t tick = s.cell->parameter;
  int32_t segment = 0;
  while (segment <= count - 2 && tick > points[segment + 1].tick) ++segment;
  if (segment > count - 2) {
    channel->volumeEnvelopeValue = points[count - 1].value;
    channel->volumeEnvelopeDone = 1;
    channel->volumeEnvelopePoint = count - 1;
    return;
  }
  const EnvelopePoint& from = points[segment];
  const EnvelopePoint& to = points[segment + 1];
  int64_t ticks = int64_t(to.tick) - from.tick;
  int32_t slope =
      ticks == 0 ? 0 : SaturateToInt32((int64_t(to.value) - from.value) * 65536 / ticks);
  int64_t level = int64_t(from.value) * 65536 + int64_t(tick - from.tick) * slope;
  channel->volumeEnvelopeDone = 0;
  channel->volumeEnvelopeTick = tick;
  channel->volumeEnvelopeSlope = slope;
  channel->volumeEnvelopePoint = segment + 1;
  channel->volumeEnvelopeLevel = int32_t(uint32_t(uint64_t(level)));
  channel->volumeEnvelopeValue = channel->volumeEnvelopeLevel >> 16;
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

void TremorRow(RowStep& s) {
  if (s.cell->parameter) {
    s.channel->tremorOnTicks = uint8_t(s.x + 1);
    s.channel->tremorOffTicks = uint8_t(s.y + 1);
  }
  ApplyTremor(s.channel);
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

// E5y sets the finetune of the sample itself, so every later note of it in any channel hears
// it; the current period stays. The stand-in for missing samples is shared by every module
// and stays as it is.
void SetFinetune(RowStep& s) {
  if (s.sound.sample != &EmptySample) s.sound.sample->finetune = int8_t(s.y);
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
  KeepIfNonzero(&channel->fineVolumeSlideMemory, s.y);
  int32_t volume = channel->volume + channel->fineVolumeSlideMemory;
  channel->volume = volume > MaxVolume ? MaxVolume : volume;
  channel->updateFlags |= UpdateVolume;
}

void FineVolumeDown(RowStep& s) {
  Channel* channel = s.channel;
  KeepIfNonzero(&channel->fineVolumeSlideMemory, s.y);
  int32_t volume = channel->volume - channel->fineVolumeSlideMemory;
  channel->volume = volume < 0 ? 0 : volume;
  channel->updateFlags |= UpdateVolume;
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
    Nothing,            // E9y retrigger: later ticks
    FineVolumeUp,       // EAy
    FineVolumeDown,     // EBy
    Nothing,            // ECy note cut: later ticks
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
    TremorRow,                     // 29 T
    Nothing,                       // 30
    Nothing,                       // 31
    Nothing,                       // 32
    ExtraFinePortamento,           // 33 X
};
const int RowEffectCount = int(sizeof RowEffects / sizeof RowEffects[0]);

const uint8_t TonePortamentoEffect = 3;
const uint8_t TonePortamentoVolumeSlideEffect = 5;
const uint8_t TremoloEffect = 7;
const uint8_t VolumeColumnTonePortamento = 0xF0;

bool PlaysNote(uint8_t note) { return note != 0 && note != KeyOffNote; }

// 3xx, 5xy and the volume column's Fx slide to the cell's note instead of starting it.
bool IsTonePortamentoRow(const Cell* cell) {
  return cell->effect == TonePortamentoEffect || cell->effect == TonePortamentoVolumeSlideEffect ||
         cell->volume >= VolumeColumnTonePortamento;
}

// Steps 1 to 5: which instrument and note the channel now has, and what it was before.
RowStep BeginChannelRow(Module* module, Channel* channel, const Cell* cell) {
  bool tonePortamento = IsTonePortamentoRow(cell);
  if (cell->instrument && !tonePortamento) channel->instrumentIndex = uint8_t(cell->instrument - 1);
  if (PlaysNote(cell->note) && !tonePortamento) channel->noteIndex = uint8_t(cell->note - 1);
  RowStep step = {module, channel, cell, ResolveSound(module, channel),
                  uint8_t(cell->parameter >> 4), uint8_t(cell->parameter & 0x0F),
                  channel->volume, channel->period, channel->panning};
  // The tremolo's offset of the last tick stays in the volume once the tremolo ends.
  if (channel->lastEffect == TremoloEffect && cell->effect != TremoloEffect) {
    channel->volume += channel->volumeDelta;
  }
  channel->lastEffect = cell->effect;
  channel->volumeDelta = 0;
  channel->updateFlags = 0;
  return step;
}

// Steps 6 to 10: the note, the instrument reset, a key-off and the volume column.
void TakeNoteAndInstrument(RowStep& s) {
  Channel* channel = s.channel;
  const Cell* cell = s.cell;
  bool tonePortamento = IsTonePortamentoRow(cell);
  if (PlaysNote(cell->note)) {
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
  StepEnvelopes(channel, step.sound.instrument);
  FadeReleasedNote(channel, step.sound.instrument);
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
