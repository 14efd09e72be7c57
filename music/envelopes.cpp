#include "music/envelopes.h"

#include "music/rounding.h"
#include "music/sequencer_state.h"

namespace {

// Level arithmetic wraps in 32 bits; only point values far beyond the 0..64 of a valid file
// get there.
int32_t Wrapping(int64_t x) { return int32_t(uint32_t(uint64_t(x))); }

int32_t LevelOf(uint16_t value) { return Wrapping(int64_t(value) << 16); }

// Floor of a 16.16 level: the shift rounds toward minus infinity.
int32_t ValueOf(int32_t level) { return level >> 16; }

int32_t SlopeBetween(const EnvelopePoint& from, const EnvelopePoint& to) {
  int64_t ticks = int64_t(to.tick) - from.tick;
  if (ticks == 0) return 0;
  return SaturateToInt32((int64_t(to.value) - from.value) * 65536 / ticks);
}

}  // namespace

Envelope VolumeEnvelopeOf(const Instrument* instrument) {
  return Envelope{instrument->volumeEnvelope, instrument->volumePointCount,
                  instrument->volumeSustainPoint, instrument->volumeLoopStart,
                  instrument->volumeLoopEnd, instrument->volumeEnvelopeFlags};
}

Envelope PanningEnvelopeOf(const Instrument* instrument) {
  return Envelope{instrument->panningEnvelope, instrument->panningPointCount,
                  instrument->panningSustainPoint, instrument->panningLoopStart,
                  instrument->panningLoopEnd, instrument->panningEnvelopeFlags};
}

EnvelopeState VolumeEnvelopeStateOf(Channel* channel) {
  return EnvelopeState{&channel->volumeEnvelopeTick,  &channel->volumeEnvelopePoint,
                       &channel->volumeEnvelopeLevel, &channel->volumeEnvelopeValue,
                       &channel->volumeEnvelopeSlope, &channel->volumeEnvelopeDone};
}

EnvelopeState PanningEnvelopeStateOf(Channel* channel) {
  return EnvelopeState{&channel->panningEnvelopeTick,  &channel->panningEnvelopePoint,
                       &channel->panningEnvelopeLevel, &channel->panningEnvelopeValue,
                       &channel->panningEnvelopeSlope, &channel->panningEnvelopeDone};
}

void StepEnvelope(Channel* channel, const Envelope& envelope, const EnvelopeState& state,
                  uint8_t updateFlag) {
  const EnvelopePoint* points = envelope.points;
  int32_t count = envelope.pointCount < EnvelopePoints ? envelope.pointCount : EnvelopePoints;
  int32_t point = *state.point;
  if (point < 0 || point >= count) {
    *state.value = ValueOf(*state.level);
    *state.tick = Wrapping(int64_t(*state.tick) + 1);
  } else if (*state.tick != points[point].tick) {
    *state.level = Wrapping(int64_t(*state.level) + *state.slope);
    *state.value = ValueOf(*state.level);
    *state.tick = Wrapping(int64_t(*state.tick) + 1);
  } else {
    if ((envelope.flags & EnvelopeLoop) && point == envelope.loopEnd &&
        envelope.loopStart < count) {
      point = envelope.loopStart;
      *state.tick = points[point].tick;
    }
    if (point == count - 1) {
      *state.value = points[point].value;
      *state.done = 1;
    } else if ((envelope.flags & EnvelopeSustain) && point == envelope.sustainPoint &&
               !channel->keyOff) {
      *state.value = points[point].value;
    } else {
      *state.slope = SlopeBetween(points[point], points[point + 1]);
      *state.level = LevelOf(points[point].value);
      *state.value = points[point].value;
      point += 1;
      *state.tick = Wrapping(int64_t(*state.tick) + 1);
    }
    *state.point = point;
  }
  channel->updateFlags |= updateFlag;
}

void MoveEnvelopeTo(const Envelope& envelope, const EnvelopeState& state, int32_t tick) {
  const EnvelopePoint* points = envelope.points;
  int32_t count = envelope.pointCount < EnvelopePoints ? envelope.pointCount : EnvelopePoints;
  if (count < 1) return;
  int32_t segment = 0;
  while (segment <= count - 2 && tick > points[segment + 1].tick) ++segment;
  if (segment > count - 2) {
    *state.value = points[count - 1].value;
    *state.done = 1;
    *state.point = count - 1;
    return;
  }
  int32_t slope = SlopeBetween(points[segment], points[segment + 1]);
  int64_t level =
      int64_t(points[segment].value) * 65536 + int64_t(tick - points[segment].tick) * slope;
  *state.done = 0;
  *state.tick = tick;
  *state.slope = slope;
  *state.point = segment + 1;
  *state.level = Wrapping(level);
  *state.value = ValueOf(*state.level);
}

void StepVolumeEnvelope(Channel* channel, const Instrument* instrument) {
  StepEnvelope(channel, VolumeEnvelopeOf(instrument), VolumeEnvelopeStateOf(channel),
               UpdateVolume);
}

void StepPanningEnvelope(Channel* channel, const Instrument* instrument) {
  StepEnvelope(channel, PanningEnvelopeOf(instrument), PanningEnvelopeStateOf(channel),
               UpdatePanning);
}

void StepEnvelopesAndFadeOut(Channel* channel, const Instrument* instrument) {
  if ((instrument->volumeEnvelopeFlags & EnvelopeOn) && !channel->volumeEnvelopeDone) {
    StepVolumeEnvelope(channel, instrument);
  }
  if ((instrument->panningEnvelopeFlags & EnvelopeOn) && !channel->panningEnvelopeDone) {
    StepPanningEnvelope(channel, instrument);
  }
  if (!channel->keyOff) return;
  int32_t volume = channel->fadeoutVolume - instrument->fadeout;
  channel->fadeoutVolume = volume < 0 ? 0 : volume;
  channel->updateFlags |= UpdateVolume;
}
