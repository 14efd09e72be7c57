#include "music/voice_update.h"

#include "music/mixer.h"
#include "music/module.h"
#include "music/output_config.h"
#include "music/pitch.h"
#include "music/rounding.h"
#include "music/row_cells.h"
#include "music/sequencer_state.h"

namespace {

const int64_t LinearBasePeriod = 4608;  // the period that plays at the base frequency
const int32_t LowestStepFrequency = 100;
const int32_t PanningRight = 255;

// The other voice of the channel's pair: c and c + 32.
Voice* PartnerOf(const Voice* voice) { return &Voices[(voice->index & (VoiceCount - 1)) ^ 32]; }

// A new note: if the voice still sounds, the channel moves to the partner voice, which takes
// over everything the old one had, while the old one keeps its sample, position and applied
// gains with targets of 0, so that the mixer ramps it down from where it was. The note then
// starts on the channel's voice from zero gain.
Voice* TriggerNoteOn(Channel* channel, Sample* sample) {
  Voice* voice = channel->voice;
  if (voice->sample) {
    Voice* partner = PartnerOf(voice);
    int32_t partnerIndex = int32_t(partner - Voices);
    *partner = *voice;
    partner->index = partnerIndex;
    voice->volume = 0;
    voice->volumeCopy = 0;
    voice->volumeLeft = 0;
    voice->volumeRight = 0;
    voice = partner;
    channel->voice = voice;
  }
  voice->sample = sample;
  if (voice->startOffset >= sample->loopStart + sample->loopLength) voice->startOffset = 0;
  voice->position = int32_t(voice->startOffset);
  voice->positionFraction = 0;
  voice->direction = MoveForward;
  voice->startOffset = 0;
  voice->currentLeft = 0;
  voice->currentRight = 0;
  voice->rampFramesLeft = 0;
  return voice;
}

// Target gains from the voice's volume and panning: panning 0 puts all of it on the left
// output (the first of each frame), 255 all on the right, as songs were written to sound.
void SplitVolume(Voice* voice, int64_t volume, int64_t panning) {
  voice->volumeLeft = SaturateToInt32((PanningRight - panning) * volume / PanningRight);
  voice->volumeRight = SaturateToInt32(panning * volume / PanningRight);
}

// (volume + delta) x envelope x fade-out x global volume x 255 / 2^35, rounded: 0..128 for
// inputs in their ranges, where every product is exact in double precision. A tremor's silence
// mutes the result and leaves the volume underneath as it is.
void UpdateVolumeOf(Voice* voice, const Channel* channel, const Module* module) {
  double product = double(int64_t(channel->volume) + channel->volumeDelta);
  if (channel->tremorPhase & TremorSilenced) product = 0;
  product *= channel->volumeEnvelopeValue;
  product *= channel->fadeoutVolume;
  product *= module->globalVolume;
  product *= 255;
  int32_t volume = RoundToInt32(product / 34359738368.0);  // 2^35
  voice->volume = volume;
  voice->volumeCopy = volume;
  SplitVolume(voice, volume, voice->panningCopy);
}

// The panning envelope moves a centred channel by up to 4 per envelope step and leaves one
// near either side (0..31, 225..255) where it is.
void UpdatePanningOf(Voice* voice, const Channel* channel) {
  int64_t distance = int64_t(channel->panning) - 128;
  int64_t reach = (128 - (distance < 0 ? -distance : distance)) / 32;
  int64_t panning = channel->panning + reach * (int64_t(channel->panningEnvelopeValue) - 32);
  if (panning < 0) panning = 0;
  if (panning > PanningRight) panning = PanningRight;
  voice->panning = int32_t(panning);
  voice->panningCopy = int32_t(panning);
  SplitVolume(voice, voice->volumeCopy, panning);
}

// In the linear table the offset raises the pitch (it is added while the period is taken
// off); in the Amiga table it is added to the period.
void UpdateFrequencyOf(Voice* voice, const Channel* channel, const Module* module) {
  int32_t frequency;
  if (module->flags & LinearFrequencyTable) {
    frequency = LinearFrequency(LinearBasePeriod - channel->period + channel->periodDelta);
  } else {
    frequency = AmigaFrequency(int64_t(channel->period) + channel->periodDelta);
  }
  voice->frequency = frequency;
  uint64_t step = FrameStepOf(uint32_t(frequency < LowestStepFrequency ? LowestStepFrequency
                                                                        : frequency));
  voice->step = int32_t(step >> 32);
  voice->stepFraction = uint32_t(step);
}

// Silence: the mixer skips a voice without a sample. A note started just before moved the
// sound it cut to the partner voice, which fades out as usual.
void StopVoiceOf(Voice* voice) {
  voice->sample = nullptr;
  voice->position = 0;
  voice->positionFraction = 0;
  voice->startOffset = 0;
}

}  // namespace

void UpdateVoice(Channel* channel, Sample* sample, const Module* module) {
  if (!channel->voice) return;
  if (!sample) sample = &EmptySample;
  if (int64_t(channel->period) + channel->periodDelta == 0)
    channel->updateFlags &= uint8_t(~UpdateFrequency);
  uint8_t flags = channel->updateFlags;
  Voice* voice = channel->voice;
  if (flags & TriggerNote) voice = TriggerNoteOn(channel, sample);
  if (flags & UpdateVolume) UpdateVolumeOf(voice, channel, module);
  if (flags & UpdatePanning) UpdatePanningOf(voice, channel);
  if (flags & UpdateFrequency) UpdateFrequencyOf(voice, channel, module);
  if (flags & StopVoice) StopVoiceOf(voice);
}

void UpdateVoiceVolumes(const Module* module) {
  int32_t channels = PlayedChannelCount(module);
  for (int32_t c = 0; c < channels; ++c) {
    if (Channels[c].voice) UpdateVolumeOf(Channels[c].voice, &Channels[c], module);
  }
}
