#include "music/tick_effects.h"

#include "music/auto_vibrato.h"
#include "music/effect_engines.h"
#include "music/envelopes.h"
#include "music/pitch.h"
#include "music/rounding.h"
#include "music/row_cells.h"
#include "music/sequencer_state.h"
#include "music/voice_update.h"

namespace {

const int32_t LowestPortamentoPeriod = 56;
const int32_t MaxVolume = 64;
const int32_t MaxPanning = 255;
const int32_t SemitonePeriods = 64;  // linear table
const uint8_t TonePortamentoEffect = 3;
const uint8_t DelayFlagsCleared =
    uint8_t(~(UpdateFrequency | UpdateVolume | UpdatePanning | TriggerNote));

// One channel on a later tick, as the effect handlers see it.
struct TickStep {
  Module* module;
  Channel* channel;
  const Cell* cell;
  ChannelSound sound;
  uint8_t x, y;  // the parameter's high and low nibble
  int32_t tick;
};

typedef void (*TickEffect)(TickStep& step);

void Nothing(TickStep&) {}

// Which of base (0), +x (1) and +y (2) a tick plays. Songs were written against a tick counter
// that runs down from the speed, so the order over a row depends on the speed: at speed 6 it
// is base, +y, +x, base, +y, +x. Under a pattern delay each repeat of the row counts down anew.
// The steps came from a table of 16 counts, followed by a base and then +y for every count
// beyond: at speeds of 17 and more the row starts with a run of +y.
int32_t ArpeggioStep(int32_t tick, int32_t speed) {
  if (speed < 1) return 0;
  int32_t count = speed - tick % speed;
  if (count > 16) return 2;
  return count == 16 ? 0 : count % 3;
}

// Tick 0 plays the base note; the later ticks step through the three notes.
void Arpeggio(TickStep& s) {
  if (!s.cell->parameter) return;
  int32_t step = ArpeggioStep(s.tick, s.module->speed);
  int32_t semitones = step == 1 ? s.x : step == 2 ? s.y : 0;
  Channel* channel = s.channel;
  if (semitones) {
    if (s.module->flags & LinearFrequencyTable) {
      channel->periodDelta = SemitonePeriods * semitones;
    } else {
      int32_t finetune = s.sound.sample->finetune;
      channel->periodDelta = SaturateToInt32(
          int64_t(AmigaPeriod(channel->realNote + semitones, finetune)) -
          AmigaPeriod(channel->realNote, finetune));
    }
  }
  channel->updateFlags |= UpdateFrequency;
}

// Up stops at period 56; down has no limit.
void PortamentoUp(TickStep& s) {
  Channel* channel = s.channel;
  int64_t period = int64_t(channel->period) - 4 * int64_t(channel->portaUpMemory);
  channel->period = period < LowestPortamentoPeriod ? LowestPortamentoPeriod : int32_t(period);
  channel->updateFlags |= UpdateFrequency;
}

void PortamentoDown(TickStep& s) {
  Channel* channel = s.channel;
  channel->period = SaturateToInt32(int64_t(channel->period) + 4 * int64_t(channel->portaDownMemory));
  channel->updateFlags |= UpdateFrequency;
}

void TonePortamentoTick(TickStep& s) { TonePortamento(s.channel); }

void TonePortamentoVolumeSlide(TickStep& s) {
  TonePortamento(s.channel);
  SlideChannelVolume(s.channel);
}

void Vibrato(TickStep& s) {
  ApplyVibrato(s.channel);
  MoveVibrato(s.channel);
}

void VibratoVolumeSlide(TickStep& s) {
  Vibrato(s);
  SlideChannelVolume(s.channel);
}

void Tremolo(TickStep& s) { ApplyTremolo(s.channel); }

void VolumeSlide(TickStep& s) { SlideChannelVolume(s.channel); }

void Retrigger(TickStep& s) {
  if (s.y == 0 || s.tick % s.y != 0) return;
  s.channel->updateFlags |= TriggerNote | UpdateVolume | UpdateFrequency;
}

// ECy beyond the row's ticks never cuts; EC0 cuts on the row's first tick.
void NoteCut(TickStep& s) {
  if (s.tick != s.y) return;
  s.channel->volume = 0;
  s.channel->updateFlags |= UpdateVolume;
}

// The channel's last note as the sample now resolved plays it: a delayed instrument may bring
// a sample of another relative note and finetune.
void RetuneLastNote(TickStep& s) {
  Channel* channel = s.channel;
  const Sample* sample = s.sound.sample;
  channel->realNote = uint8_t(sample->relativeNote + channel->noteIndex);
  channel->notePeriod = PeriodOfNote(s.module, channel->realNote, sample->finetune);
}

// EDy plays the row's cell at tick y; before that tick the channel goes on with the sound it
// had. Under a pattern delay every repeat of the row counts its own ticks. ED0 is no delay at
// all. At tick y the instrument restarts (envelopes, fade-out) and:
// - a note starts as it would have on tick 0 with an instrument, volume from the sample;
// - without a note, the channel's last note starts again from the sample's beginning, with
//   the sample of the cell's instrument if it names one (then with that sample's volume too);
// - a key-off releases the note, whose envelope starts over released, the sample going on.
// The envelopes then take this tick's step from their start, as a note on tick 0 does.
void NoteDelay(TickStep& s) {
  if (!DelaysNote(s.cell)) return;
  Channel* channel = s.channel;
  const Cell* cell = s.cell;
  int32_t tickInRepeat = s.module->speed > 0 ? s.tick % s.module->speed : s.tick;
  if (tickInRepeat < s.y) channel->updateFlags &= DelayFlagsCleared;
  if (tickInRepeat != s.y || !channel->notePeriod) return;  // no note ever: nothing to play
  bool keyOff = cell->note == KeyOffNote;
  if (!keyOff) {
    if (!cell->note) RetuneLastNote(s);
    channel->period = channel->notePeriod;
    channel->updateFlags |= UpdateFrequency | TriggerNote;
  }
  if (cell->instrument || (cell->note && !keyOff)) ResetChannelVolumes(channel, s.sound.sample);
  RestartInstrument(channel);
  if (keyOff) ReleaseNote(channel, s.sound.instrument, cell->instrument != 0);
  if (cell->volume) ApplyVolumeColumn(channel, cell->volume);
  StepEnvelopesAndFadeOut(channel, s.sound.instrument);
}

// Kxx releases the note at tick xx (K00 on the row's first tick).
void KeyOffAtTick(TickStep& s) {
  if (s.tick == s.cell->parameter) ReleaseNote(s.channel, s.sound.instrument, false);
}

void Extended(TickStep& s) {
  switch (s.x) {
    case 0x9: Retrigger(s); break;
    case 0xC: NoteCut(s); break;
    case 0xD: NoteDelay(s); break;
    default: break;  // the other extended effects act on tick 0 only
  }
}

// Hxy changes the global volume only; each channel hears it when its own volume is next
// recomputed.
void GlobalVolumeSlide(TickStep& s) {
  s.module->globalVolume = SlideWithin64(s.module->globalVolume, s.module->globalVolumeSlideMemory);
}

void PanningSlide(TickStep& s) {
  Channel* channel = s.channel;
  uint8_t memory = channel->panningSlideMemory;
  int32_t right = memory >> 4;
  int32_t left = memory & 0x0F;
  if (right) {
    channel->panning = channel->panning + right > MaxPanning ? MaxPanning : channel->panning + right;
  } else if (left) {
    channel->panning = channel->panning - left < 0 ? 0 : channel->panning - left;
  }
  channel->updateFlags |= UpdatePanning;
}

// The volume after a multi-retrig, by its mode (0 keeps the volume and its flags as they are).
int32_t RetriggeredVolume(int32_t volume, uint8_t mode) {
  switch (mode) {
    case 1: return volume - 1;
    case 2: return volume - 2;
    case 3: return volume - 4;
    case 4: return volume - 8;
    case 5: return volume - 16;
    case 6: return 2 * volume / 3;
    case 7: return volume >> 1;
    case 9: return volume + 1;
    case 10: return volume + 2;
    case 11: return volume + 4;
    case 12: return volume + 8;
    case 13: return volume + 16;
    case 14: return 3 * volume / 2;
    case 15: return 2 * volume;
    default: return volume;
  }
}

void MultiRetrig(TickStep& s) {
  Channel* channel = s.channel;
  uint8_t interval = channel->retrigInterval;
  if (interval == 0 || s.tick % interval != 0) return;
  if (channel->retrigVolumeMode != 0) {
    int32_t volume = RetriggeredVolume(channel->volume, channel->retrigVolumeMode);
    channel->volume = volume < 0 ? 0 : volume > MaxVolume ? MaxVolume : volume;
    channel->updateFlags |= UpdateVolume;
  }
  channel->updateFlags |= TriggerNote;
}

void Tremor(TickStep& s) { ApplyTremor(s.channel, s.cell->parameter); }

// Later-tick actions by effect number; numbers past the table do nothing.
const TickEffect TickEffects[] = {
    Arpeggio,                   // 0
    PortamentoUp,               // 1
    PortamentoDown,             // 2
    TonePortamentoTick,         // 3
    Vibrato,                    // 4
    TonePortamentoVolumeSlide,  // 5
    VibratoVolumeSlide,         // 6
    Tremolo,                    // 7
    Nothing,                    // 8
    Nothing,                    // 9
    VolumeSlide,                // 10 A
    Nothing,                    // 11 B
    Nothing,                    // 12 C
    Nothing,                    // 13 D
    Extended,                   // 14 E
    Nothing,                    // 15 F
    Nothing,                    // 16 G
    GlobalVolumeSlide,          // 17 H
    Nothing,                    // 18
    Nothing,                    // 19
    KeyOffAtTick,               // 20 K
    Nothing,                    // 21 L
    Nothing,                    // 22
    Nothing,                    // 23
    Nothing,                    // 24
    PanningSlide,               // 25 P
    Nothing,                    // 26
    MultiRetrig,                // 27 R
    Nothing,                    // 28
    Tremor,                     // 29 T
};
const int TickEffectCount = int(sizeof TickEffects / sizeof TickEffects[0]);

void SlideVolumeColumn(Channel* channel, int32_t by) {
  int32_t volume = channel->volume + by;
  channel->volume = volume < 0 ? 0 : volume > MaxVolume ? MaxVolume : volume;
  channel->updateFlags |= UpdateVolume;
}

void SlidePanningUnclamped(Channel* channel, int32_t by) {
  channel->panning = SaturateToInt32(int64_t(channel->panning) + by);
  channel->updateFlags |= UpdatePanning;
}

// The volume column's slides, its vibrato and its tone portamento act on the later ticks; its
// other commands acted on tick 0 only. Column panning slides are not clamped. Beside 3xx the
// column's tone portamento slides as well, so the note glides twice a tick, but F0 there
// leaves the sliding to 3xx alone.
void VolumeColumnTick(Channel* channel, const Cell* cell) {
  uint8_t volumeByte = cell->volume;
  int32_t low = volumeByte & 0x0F;
  switch (volumeByte >> 4) {
    case 0x6: SlideVolumeColumn(channel, -low); break;
    case 0x7: SlideVolumeColumn(channel, low); break;
    case 0xB:
      channel->vibratoDepth = uint8_t(low);
      ApplyVibrato(channel);
      MoveVibrato(channel);
      break;
    case 0xD: SlidePanningUnclamped(channel, -low); break;
    case 0xE: SlidePanningUnclamped(channel, low); break;
    case 0xF:
      if (low || cell->effect != TonePortamentoEffect) TonePortamento(channel);
      break;
    default: break;
  }
}

void ProcessChannelTick(Module* module, Channel* channel, const Cell* fileCell) {
  const Cell* cell = PlayedCell(module, fileCell);
  TickStep step = {module, channel, cell, ResolveSound(module, channel),
                   uint8_t(cell->parameter >> 4), uint8_t(cell->parameter & 0x0F), module->tick};
  channel->volumeDelta = 0;
  channel->periodDelta = 0;
  channel->updateFlags = 0;
  StepEnvelopesAndFadeOut(channel, step.sound.instrument);
  VolumeColumnTick(channel, cell);
  if (cell->effect < TickEffectCount) TickEffects[cell->effect](step);
  ApplyAutoVibrato(channel, step.sound.instrument);
  UpdateVoice(channel, step.sound.sample, module);
}

}  // namespace

void ProcessTickEffects(Module* module) {
  const Cell* cells = CurrentRowCells(module);
  if (!cells) return;
  int32_t channels = PlayedChannelCount(module);
  for (int32_t c = 0; c < channels; ++c) ProcessChannelTick(module, &Channels[c], &cells[c]);
}
