#include "music/sequencer_state.h"

#include <cstring>

#include "music/mixer.h"
#include "music/output_config.h"
#include "music/rounding.h"

Channel Channels[MaxChannels];
const Instrument EmptyInstrument = {};

namespace {

// Both are single-precision constants in the tempo formula; their last bits decide the
// rounding (125 BPM gives 882.0000288 frames, 100 BPM 1102.5000359, which rounds up).
const double BeatsPerTickFactor = double(0.4f);
const double PerMillisecond = double(0.001f);

const int32_t FullFadeoutVolume = 65536;
const int32_t FullEnvelopeVolume = 64;
const int32_t CentreEnvelopePanning = 32;
const int32_t MaxVolume = 64;
// A control nibble of 4 or more keeps the waveform position when an instrument resets.
const uint8_t KeepWaveformPosition = 4;

void SlideVolumeDown(Channel* channel, int32_t by) {
  int32_t volume = channel->volume - by;
  channel->volume = volume < 0 ? 0 : volume;
  channel->updateFlags |= UpdateVolume;
}

void SlideVolumeUp(Channel* channel, int32_t by) {
  int32_t volume = channel->volume + by;
  channel->volume = volume > MaxVolume ? MaxVolume : volume;
  channel->updateFlags |= UpdateVolume;
}

}  // namespace

void ResetPlayerState(Module* module) {
  module->nextOrderPosition = -1;
  module->nextRow = -1;
  module->globalVolume = module->initialGlobalVolume;
  module->speed = module->defaultSpeed;
  module->row = 0;
  module->orderPosition = 0;
  module->tick = 0;
  module->patternDelayTicks = 0;
  module->framesLeftInTick = 0;
  SetTempo(module, module->defaultBpm);
}

void ResetChannels(int32_t channelCount) {
  if (channelCount > MaxChannels) channelCount = MaxChannels;
  for (int32_t c = 0; c < channelCount; ++c) {
    memset(&Channels[c], 0, sizeof Channels[c]);
    Channels[c].voice = &Voices[c];
  }
}

void SetTempo(Module* module, int32_t bpm) {
  module->bpm = bpm;
  double beats = double(bpm < 1 ? 1 : bpm) * BeatsPerTickFactor;
  int32_t frames = RoundToInt32((1000.0 / beats) * OutputRate * PerMillisecond);
  module->framesPerTick = frames < 1 ? 1 : frames;
}

void ResetChannelInstrument(Channel* channel, const Sample* sample) {
  ResetChannelVolumes(channel, sample);
  RestartInstrument(channel);
}

void ResetChannelVolumes(Channel* channel, const Sample* sample) {
  channel->volume = sample->volume;
  channel->panning = int32_t(sample->panning);
  channel->updateFlags |= UpdateVolume | UpdatePanning;
}

void RestartInstrument(Channel* channel) {
  channel->volumeEnvelopeValue = FullEnvelopeVolume;
  channel->volumeEnvelopePoint = 0;
  channel->volumeEnvelopeTick = 0;
  channel->volumeEnvelopeSlope = 0;
  channel->volumeEnvelopeDone = 0;
  channel->panningEnvelopeValue = CentreEnvelopePanning;
  channel->panningEnvelopePoint = 0;
  channel->panningEnvelopeTick = 0;
  channel->panningEnvelopeSlope = 0;
  channel->panningEnvelopeDone = 0;
  channel->keyOff = 0;
  channel->fadeoutVolume = FullFadeoutVolume;
  channel->autoVibratoPosition = 0;
  channel->autoVibratoSweepTicks = 0;
  channel->tremorPhase = 0;  // silent phase with no tick left, not muted: the next tick sounds
  if ((channel->waveforms & 0x0F) < KeepWaveformPosition) channel->vibratoPosition = 0;
  if ((channel->waveforms >> 4) < KeepWaveformPosition) channel->tremoloPosition = 0;
  channel->updateFlags |= UpdateVolume | UpdatePanning;
}

void ApplyVolumeColumn(Channel* channel, uint8_t volumeByte) {
  int32_t low = volumeByte & 0x0F;
  switch (volumeByte >> 4) {
    case 0x1: case 0x2: case 0x3: case 0x4: case 0x5:  // set volume, 0x10..0x50
      if (volumeByte > 0x50) break;
      channel->volume = volumeByte - 0x10;
      channel->updateFlags |= UpdateVolume;
      break;
    case 0x8: SlideVolumeDown(channel, low); break;  // fine slides; 0x6 and 0x7 slide later
    case 0x9: SlideVolumeUp(channel, low); break;
    case 0xA: channel->vibratoSpeed = uint8_t(low); break;
    case 0xB: channel->vibratoDepth = uint8_t(low); break;
    case 0xC:
      channel->panning = 16 * low;
      channel->updateFlags |= UpdatePanning;
      break;
    case 0xF:  // tone portamento towards the cell's note instead of a new start
      if (low) channel->portaSpeed = uint8_t(16 * low);
      channel->portaTarget = channel->notePeriod;
      channel->updateFlags &= uint8_t(~TriggerNote);
      break;
    default: break;
  }
}

void ReleaseNote(Channel* channel, const Instrument* instrument, bool keepVolume) {
  channel->keyOff = 1;
  if ((instrument->volumeEnvelopeFlags & EnvelopeOn) || keepVolume) return;
  channel->volume = 0;
  channel->updateFlags |= UpdateVolume;
}

void ApplyCellInstrumentAndVolume(Channel* channel, const Cell* cell, const Instrument* instrument,
                                  const Sample* sample) {
  // Beside K00 an instrument sets the volume from its sample but restarts nothing: the
  // envelopes go on where they were and release.
  bool keyOffNow = cell->effect == KeyOffEffect && cell->parameter == 0;
  if (cell->instrument) {
    if (keyOffNow) {
      ResetChannelVolumes(channel, sample);
    } else {
      ResetChannelInstrument(channel, sample);
    }
  }
  if (cell->note == KeyOffNote || keyOffNow) ReleaseNote(channel, instrument, cell->instrument != 0);
  if (cell->volume) ApplyVolumeColumn(channel, cell->volume);
}
