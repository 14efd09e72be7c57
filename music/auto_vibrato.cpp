#include "music/auto_vibrato.h"

#include "music/sequencer_state.h"

namespace {

enum Waveform { Sine = 0, Square = 1, RampDown = 2, RampUp = 3 };

// 64 sin(2 pi p / 256) rounded, for the first quarter of the wave, p = 0..64; the other
// quarters mirror it. No value lies within 0.008 of a rounding tie.
const int8_t QuarterSine[65] = {
    0,  2,  3,  5,  6,  8,  9,  11, 12, 14, 16, 17, 19, 20, 22, 23, 24,
    26, 27, 29, 30, 32, 33, 34, 36, 37, 38, 39, 41, 42, 43, 44, 45, 46,
    47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 56, 57, 58, 59, 59, 60, 60,
    61, 61, 62, 62, 62, 63, 63, 63, 64, 64, 64, 64, 64, 64};

int32_t SineAt(int32_t phase) {
  int32_t inHalf = phase & 127;
  int32_t value = QuarterSine[inHalf <= 64 ? inHalf : 128 - inHalf];
  return phase < 128 ? value : -value;
}

// Halves rounded down: the shift rounds toward minus infinity.
int32_t HalfDown(int32_t x) { return x >> 1; }

// The waveform's value, -64..64, at phase 0..255.
int32_t WaveAt(uint8_t type, int32_t phase) {
  switch (type) {
    case Square: return phase < 128 ? 64 : -64;
    case RampDown: return HalfDown(128 - ((phase + 128) & 255));
    case RampUp: return HalfDown(128 - ((384 - phase) & 255));
    default: return SineAt(phase);
  }
}

}  // namespace

void ApplyAutoVibrato(Channel* channel, const Instrument* instrument) {
  int32_t phase = channel->autoVibratoPosition & 255;
  int32_t offset = instrument->vibratoDepth * WaveAt(instrument->vibratoType, phase);
  int32_t sweep = instrument->vibratoSweep;
  if (sweep != 0) offset = int32_t(int64_t(offset) * channel->autoVibratoSweepTicks / sweep);
  channel->periodDelta += offset >> 6;
  int32_t sweepTicks = channel->autoVibratoSweepTicks + 1;
  channel->autoVibratoSweepTicks = sweepTicks > sweep ? sweep : sweepTicks;
  channel->autoVibratoPosition += instrument->vibratoRate;
  if (channel->autoVibratoPosition > 255) channel->autoVibratoPosition -= 256;
  channel->updateFlags |= UpdateFrequency;
}
