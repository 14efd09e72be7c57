#include "music/effect_engines.h"

#include "music/module.h"
#include "music/sequencer_state.h"

namespace {

// |256 sin(pos pi / 32)| rounded, for |pos| = 0..31; position -32 gives 0 like position 0.
const int16_t HalfSine[32] = {0,   25,  50,  74,  98,  121, 142, 162, 181, 198, 213,
                              226, 237, 245, 251, 255, 256, 255, 251, 245, 237, 226,
                              213, 198, 181, 162, 142, 121, 98,  74,  50,  25};

enum Waveform : uint8_t { Sine, Ramp, Square };

// Vibrato control 0 sine, 1 ramp, 2 and 3 square; tremolo control 0 sine, 1 ramp, 2 square
// and 3 sine again.
const Waveform VibratoWaveforms[4] = {Sine, Ramp, Square, Square};
const Waveform TremoloWaveforms[4] = {Sine, Ramp, Square, Sine};

const int32_t PhaseCount = 64;
const int32_t HighestPhase = 31;
const int32_t MaxVibratoOffset = 120;
const int32_t MaxVolume = 64;

int32_t WaveformValue(Waveform waveform, int32_t position) {
  switch (waveform) {
    case Ramp: return position >= 0 ? 8 * position : -8 * position - 1;
    case Square: return 255;
    default: return position == -32 ? 0 : HalfSine[position < 0 ? -position : position];
  }
}

// Positions run from -32 to 31; a step past 31 goes round into the negative half.
int8_t MovedPosition(int32_t position, int32_t speed) {
  int32_t moved = position + speed;
  while (moved > HighestPhase) moved -= PhaseCount;
  return int8_t(moved);
}

// Positions stored outside -32..31 (never by the effects themselves) are read as the phase
// they stand for, so the table is never left.
int32_t PhaseOf(int8_t position) { return ((position + 32) & (PhaseCount - 1)) - 32; }

}  // namespace

void TonePortamento(Channel* channel) {
  int64_t step = 4 * int64_t(channel->portaSpeed);
  int64_t period = channel->period;
  if (period < channel->portaTarget) {
    period += step;
    if (period > channel->portaTarget) period = channel->portaTarget;
  } else if (period > channel->portaTarget) {
    period -= step;
    if (period < channel->portaTarget) period = channel->portaTarget;
  }
  channel->period = int32_t(period);
  channel->updateFlags |= UpdateFrequency;
}

void ApplyVibrato(Channel* channel) {
  int32_t position = PhaseOf(channel->vibratoPosition);
  int32_t value = WaveformValue(VibratoWaveforms[channel->waveforms & 3], position);
  int32_t offset = (value * channel->vibratoDepth / 32) & ~3;
  if (offset > MaxVibratoOffset) offset = MaxVibratoOffset;
  channel->periodDelta = position >= 0 ? -offset : offset;
  channel->updateFlags |= UpdateFrequency;
}

void MoveVibrato(Channel* channel) {
  channel->vibratoPosition = MovedPosition(PhaseOf(channel->vibratoPosition), channel->vibratoSpeed);
}

void ApplyTremolo(Channel* channel) {
  int32_t position = PhaseOf(channel->tremoloPosition);
  int32_t value = WaveformValue(TremoloWaveforms[(channel->waveforms >> 4) & 3], position);
  int32_t offset = value * channel->tremoloDepth / 64;
  int32_t volume = channel->volume;
  if (position >= 0) {
    channel->volumeDelta = volume + offset > MaxVolume ? MaxVolume - volume : offset;
  } else {
    channel->volumeDelta = offset > volume ? -volume : -offset;
  }
  channel->tremoloPosition = MovedPosition(position, channel->tremoloSpeed);
  channel->updateFlags |= UpdateVolume;
}

void ApplyTremor(Channel* channel, uint8_t parameter) {
  if (parameter) channel->tremorMemory = parameter;
  uint8_t phase = channel->tremorPhase;
  uint8_t on = phase & TremorOn;
  int32_t left = (phase & TremorTicksLeft) - 1;
  if (left < 0) {
    // The phase flips, and its length is read from the times the row holds now.
    on ^= TremorOn;
    left = on ? channel->tremorMemory >> 4 : channel->tremorMemory & 0x0F;
  }
  channel->tremorPhase = uint8_t(on | (on ? 0 : TremorSilenced) | left);
  channel->updateFlags |= UpdateVolume;
}

int32_t SlideWithin64(int32_t value, uint8_t memory) {
  int32_t up = memory >> 4;
  int32_t down = memory & 0x0F;
  if (up) return value + up > MaxVolume ? MaxVolume : value + up;
  if (down) return value - down < 0 ? 0 : value - down;
  return value;
}

void SlideChannelVolume(Channel* channel) {
  channel->volume = SlideWithin64(channel->volume, channel->volumeSlideMemory);
  channel->updateFlags |= UpdateVolume;
}
