#include "music/mixer.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "music/module.h"
#include "music/output_config.h"
#include "music/quotient.h"
#include "music/rounding.h"

Voice Voices[VoiceCount];

namespace {

// A 32.32 fixed-point position or step. Arithmetic on it wraps modulo 2^64, exactly like the
// voice's two 32-bit halves added with carry.
typedef uint64_t Fixed;

const float InverseOf255 = 1.0f / 255.0f;
const float FractionScale = 1.0f / 2147483648.0f;  // 2^-31
const Fixed LowBit = 1;

Fixed PositionOf(const Voice& voice) {
  return (Fixed(uint32_t(voice.position)) << 32) | voice.positionFraction;
}

void StorePosition(Voice& voice, Fixed position) {
  voice.position = int32_t(uint32_t(position >> 32));
  voice.positionFraction = uint32_t(position);
}

Fixed StepOf(const Voice& voice) {
  return (Fixed(uint32_t(voice.step)) << 32) | voice.stepFraction;
}

Fixed FromWide(Wide position) { return Fixed(int64_t(position)); }

// Every frame clears the lowest bit of the position before it adds the move (the step, or its
// negation when moving backward). After the first frame the position therefore goes on by the
// move with its lowest bit cleared, and that bit comes back once at the end.
Fixed Advance(Fixed position, int64_t frames, Fixed move) {
  if (frames <= 0) return position;
  return (position & ~LowBit) + Fixed(frames) * (move & ~LowBit) + (move & LowBit);
}

// The frames after which the position has reached or passed the end it moves towards: the
// loop end (or sample end) forward, the loop start backward. 0 when it is there already or
// beyond; more than `limit` when that does not happen within `limit` frames, or never (a
// step too small to move the position).
int64_t FramesToBoundary(Fixed position, Fixed step, bool forward, const Sample& sample,
                         int32_t limit) {
  Wide at = int64_t(position);
  Wide start = Wide(sample.loopStart) << 32;
  Wide end = (Wide(sample.loopStart) + sample.loopLength) << 32;
  Wide left = forward ? end - at : at - start;
  if (left <= 0) return 0;
  // From the closed form of Advance: forward the position after n >= 1 frames is
  // position - low + carry + n * even; backward it is position - low + carry - n * (even +
  // 2 carry), since subtracting an odd step borrows from the cleared bit.
  Wide low = Wide(position & LowBit);
  Wide carry = Wide(step & LowBit);
  Wide even = Wide(step & ~LowBit);
  Wide unit = forward ? even : even + 2 * carry;
  Wide need = forward ? left + low - carry : left - low + carry;
  if (unit == 0 || need > Wide(limit) * unit) return int64_t(limit) + 1;
  if (need <= unit) return 1;
  return int64_t(Quotient(need - 1, unit)) + 1;  // at most limit
}

// One frame's value: the sample at the position's integer part, interpolated towards the next
// by the fraction, taken to 31 bits as a signed integer and scaled to 0..1.
inline float Interpolate(const int16_t* data, Fixed position) {
  const int16_t* at = data + int32_t(uint32_t(position >> 32));
  float weight = float(int32_t(uint32_t(position) >> 1)) * FractionScale;
  return float(at[0]) + weight * float(at[1] - at[0]);
}

inline void MixFrame(float* out, const int16_t* data, Fixed position, float left, float right) {
  float value = Interpolate(data, position);
  out[0] += value * left;
  out[1] += value * right;
}

#if defined(__SSE2__)
// The sample pair at a position's index, first sample in the low half.
inline __m128i PairAt(const int16_t* data, Fixed position) {
  return _mm_loadu_si32(data + int32_t(uint32_t(position >> 32)));
}

inline int32_t HalfFraction(Fixed position) { return int32_t(uint32_t(position) >> 1); }
#endif

#if defined(__SSE2__)
// After a span's first frame the positions go on by the move with its low bit cleared (see
// Advance): an arithmetic progression, whose fractions four lanes can follow at once. The
// lanes hold the halved fractions that the interpolation weighs with: four moves add a
// multiple of 8 to a fraction, which carries nothing out of its lowest bit, so its half goes on
// by half that, modulo 2^31. (Halving the fraction every time would take a copy and a shift.)
struct Progression {
  Fixed next;         // position of the next frame
  Fixed even;         // the move with its low bit cleared
  __m128i halves;     // low 32 bits of the next four positions, halved
  __m128i fourSteps;  // low 32 bits of four moves, halved, in every lane
};

const int32_t HalfFractionMask = 0x7FFFFFFF;

// The progression from `next`, the position of a span's second frame (or any later one).
inline Progression ProgressionFrom(Fixed next, Fixed move) {
  Fixed even = move & ~LowBit;
  uint32_t f = uint32_t(next), e = uint32_t(even);
  return Progression{next, even,
                     _mm_setr_epi32(int32_t(f >> 1), int32_t((f + e) >> 1),
                                    int32_t((f + 2 * e) >> 1), int32_t((f + 3 * e) >> 1)),
                     _mm_set1_epi32(int32_t(2 * e))};
}

// The interpolated values of four frames at p0..p3, the first lowest, computed with the same
// single-precision operations as MixFrame; the halved fractions are the progression's next
// four, which it moves past. (A loop turn changes only the positions' integer parts.)
inline __m128 FourValuesAt(const int16_t* data, Fixed p0, Fixed p1, Fixed p2, Fixed p3,
                           Progression& at) {
  // Each pair straight from memory into a vector lane: loading it into a general register
  // first would cost a transfer more.
  __m128i pairs = _mm_unpacklo_epi64(_mm_unpacklo_epi32(PairAt(data, p0), PairAt(data, p1)),
                                     _mm_unpacklo_epi32(PairAt(data, p2), PairAt(data, p3)));
  // One multiply-add of the 16-bit pair each: the first sample (1, 0) and the difference to
  // the second (-1, 1), both exact in 32 bits.
  __m128i first = _mm_madd_epi16(pairs, _mm_set1_epi32(1));
  __m128i difference = _mm_madd_epi16(pairs, _mm_set1_epi32(0x0001FFFF));
  __m128 weight = _mm_mul_ps(_mm_cvtepi32_ps(at.halves), _mm_set1_ps(FractionScale));
  at.halves = _mm_and_si128(_mm_add_epi32(at.halves, at.fourSteps),
                            _mm_set1_epi32(HalfFractionMask));
  return _mm_add_ps(_mm_cvtepi32_ps(first), _mm_mul_ps(weight, _mm_cvtepi32_ps(difference)));
}

// The progression's next four frames; the progression moves past them.
inline __m128 FourValues(const int16_t* data, Progression& at) {
  Fixed p0 = at.next;
  Fixed p1 = p0 + at.even;
  Fixed p2 = p1 + at.even;
  Fixed p3 = p2 + at.even;
  at.next = p3 + at.even;
  return FourValuesAt(data, p0, p1, p2, p3, at);
}

// Adds four frames' values times their gains: `gainsLow` for the first two frames (left,
// right, left, right), `gainsHigh` for the last two.
// Each value goes twice, left and right, by an integer shuffle: it writes a register of its
// own, where the float ones would need a copy of the value first.
inline void AddFour(float* out, __m128 value, __m128 gainsLow, __m128 gainsHigh) {
  __m128i values = _mm_castps_si128(value);
  __m128 low = _mm_castsi128_ps(_mm_shuffle_epi32(values, _MM_SHUFFLE(1, 1, 0, 0)));
  __m128 high = _mm_castsi128_ps(_mm_shuffle_epi32(values, _MM_SHUFFLE(3, 3, 2, 2)));
  low = _mm_mul_ps(low, gainsLow);
  high = _mm_mul_ps(high, gainsHigh);
  _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), low));
  _mm_storeu_ps(out + 4, _mm_add_ps(_mm_loadu_ps(out + 4), high));
}

// The frames a span mixes one by one before its groups of four: the first always (see
// Advance), and one more where the groups would start between two 16-byte boundaries of the
// output. A frame is 8 bytes, so such groups would have every fourth load and store straddle
// a cache line, which some processors take at half speed or worse; and since blocks and ticks
// mostly start on a boundary, the one first frame alone would put the common case there.
inline int32_t FramesAlone(const float* out) {
  return (reinterpret_cast<uintptr_t>(out) & 15) == 0 ? 2 : 1;
}
#endif

// Frames at constant gains: the hot loop. Four frames per pass, each computed with the same
// single-precision operations as MixFrame, so every frame gives the same bits either way.
Fixed MixConstant(float* out, int32_t frames, const int16_t* data, Fixed position, Fixed move,
                  float left, float right) {
#if defined(__SSE2__)
  if (frames > 4) {
    for (int32_t alone = FramesAlone(out); alone > 0; --alone, --frames, out += 2) {
      MixFrame(out, data, position, left, right);
      position = (position & ~LowBit) + move;
    }
    Progression at = ProgressionFrom(position, move);
    const __m128 gains = _mm_setr_ps(left, right, left, right);
    for (; frames >= 4; frames -= 4, out += 8) {
      AddFour(out, FourValues(data, at), gains, gains);
    }
    position = at.next;
  }
#endif
  for (; frames > 0; --frames, out += 2) {
    MixFrame(out, data, position, left, right);
    position = (position & ~LowBit) + move;
  }
  return position;
}

// Frames during a ramp: each uses the current gains and then moves them by the increments.
// The gains are summed one frame after the other as they always are; only the mixing of four
// frames is done at once.
Fixed MixRamped(float* out, int32_t frames, const int16_t* data, Fixed position, Fixed move,
                float* left, float* right, float leftStep, float rightStep) {
  float gainLeft = *left, gainRight = *right;
#if defined(__SSE2__)
  if (frames > 4) {
    for (int32_t alone = FramesAlone(out); alone > 0; --alone, --frames, out += 2) {
      MixFrame(out, data, position, gainLeft, gainRight);
      gainLeft += leftStep;
      gainRight += rightStep;
      position = (position & ~LowBit) + move;
    }
    Progression at = ProgressionFrom(position, move);
    // Both gains move in the low lanes of one register, each lane summed as before.
    const __m128 steps = _mm_setr_ps(leftStep, rightStep, 0.0f, 0.0f);
    __m128 gains = _mm_setr_ps(gainLeft, gainRight, 0.0f, 0.0f);
    for (; frames >= 4; frames -= 4, out += 8) {
      __m128 g1 = _mm_add_ps(gains, steps);
      __m128 g2 = _mm_add_ps(g1, steps);
      __m128 g3 = _mm_add_ps(g2, steps);
      AddFour(out, FourValues(data, at), _mm_movelh_ps(gains, g1), _mm_movelh_ps(g2, g3));
      gains = _mm_add_ps(g3, steps);
    }
    gainLeft = _mm_cvtss_f32(gains);
    gainRight = _mm_cvtss_f32(_mm_shuffle_ps(gains, gains, 1));
    position = at.next;
  }
#endif
  for (; frames > 0; --frames, out += 2) {
    MixFrame(out, data, position, gainLeft, gainRight);
    gainLeft += leftStep;
    gainRight += rightStep;
    position = (position & ~LowBit) + move;
  }
  *left = gainLeft;
  *right = gainRight;
  return position;
}

struct RampSegment {
  int32_t frames;  // 0: no ramp in this segment
  float leftStep;
  float rightStep;
};

// Continues the ramp in progress while its targets stand; otherwise starts a new one from the
// gains applied now, on each side whose target differs from them. A side without a change
// gets no increment here but keeps its stored ramp step.
RampSegment SetUpRamp(Voice& voice) {
  RampSegment ramp = {0, 0.0f, 0.0f};
  if (voice.rampFramesLeft != 0 && voice.volumeLeft == voice.rampTargetLeft &&
      voice.volumeRight == voice.rampTargetRight) {
    ramp.frames = voice.rampFramesLeft;
    ramp.leftStep = voice.rampStepLeft;
    ramp.rightStep = voice.rampStepRight;
    return ramp;
  }
  voice.rampTargetLeft = voice.volumeLeft;
  int64_t change = int64_t(voice.volumeLeft) - (voice.currentLeft >> 8);
  if (change != 0) {
    voice.rampStepLeft = float(change) * InverseOf255 * RampStep;
    ramp.leftStep = voice.rampStepLeft;
    ramp.frames = RampFrames;
  }
  voice.rampTargetRight = voice.volumeRight;
  change = int64_t(voice.volumeRight) - (voice.currentRight >> 8);
  if (change != 0) {
    voice.rampStepRight = float(change) * InverseOf255 * RampStep;
    ramp.rightStep = voice.rampStepRight;
    ramp.frames = RampFrames;
  }
  return ramp;
}

int32_t TimesUnity(int32_t volume) { return int32_t(uint32_t(volume) << 8); }

void EndRampSegment(Voice& voice, int32_t frames, float left, float right) {
  voice.currentLeft = RoundToInt32(left * 255.0f * 256.0f);
  voice.currentRight = RoundToInt32(right * 255.0f * 256.0f);
  voice.rampFramesLeft -= frames;
  if (voice.rampFramesLeft == 0) {
    voice.rampStepLeft = 0.0f;
    voice.rampStepRight = 0.0f;
    voice.currentLeft = TimesUnity(voice.volumeLeft);
    voice.currentRight = TimesUnity(voice.volumeRight);
  }
}

// Mixes one segment: frames that need no boundary test. A voice without a ramp and without
// gain adds nothing, so its position moves on in closed form.
Fixed MixSegment(Voice& voice, float* out, int32_t frames, const RampSegment& ramp,
                 Fixed position, Fixed move) {
  const int16_t* data = voice.sample->data;
  if (ramp.frames > 0) {
    float left = float(voice.currentLeft) / 256.0f / 255.0f;
    float right = float(voice.currentRight) / 256.0f / 255.0f;
    position = MixRamped(out, frames, data, position, move, &left, &right, ramp.leftStep,
                         ramp.rightStep);
    EndRampSegment(voice, frames, left, right);
    return position;
  }
  if (voice.volumeLeft == 0 && voice.volumeRight == 0) return Advance(position, frames, move);
  return MixConstant(out, frames, data, position, move, float(voice.volumeLeft) / 255.0f,
                     float(voice.volumeRight) / 255.0f);
}

// A forward loop goes back by whole loop lengths until it is inside the loop again. A voice
// that arrives at the loop start moving backward (only a ping-pong loop should make one move
// backward) goes forward by whole lengths instead, so that it stays inside the data too.
void WrapLoop(Fixed& position, const Sample& sample) {
  int64_t at = int32_t(uint32_t(position >> 32));
  int64_t start = sample.loopStart;
  int64_t length = sample.loopLength;
  int64_t end = start + length;
  if (at >= end) {
    // Mostly less than one loop past its end: no division.
    if (at - end < length) {
      position -= Fixed(length) << 32;
      return;
    }
    at -= ((at - end) / length + 1) * length;
  } else {
    at += ((start - at) / length + 1) * length;
  }
  position = (Fixed(uint32_t(at)) << 32) | uint32_t(position);
}

// A ping-pong loop mirrors the position at the end it reached, less 2^-32, and turns round;
// a position that the mirror takes past the other end is mirrored there as well. A step of
// more than twice the loop would still leave it outside, so whole rounds of the loop (two
// mirrors each, which cancel exactly) are taken off first. A turn exactly at a loop start of
// 0 would land 2^-32 before the sample's first value and read before its data; it starts at
// the first value instead.
void ReflectLoop(Voice& voice, Fixed& position, const Sample& sample) {
  Wide at = int64_t(position);
  Wide start = Wide(sample.loopStart) << 32;
  Wide end = (Wide(sample.loopStart) + sample.loopLength) << 32;
  Wide round = 2 * (Wide(sample.loopLength) << 32);
  // Positions lie within 2^63 of the loop, so fewer than 2^32 rounds are taken off.
  if (at >= end) {
    at -= Wide(Quotient(at - end, round)) * round;
    at = 2 * end - at - 1;
    voice.direction = MoveBackward;
    if (at < start) {
      at = 2 * start - at - 1;
      voice.direction = MoveForward;
    }
  } else {
    if (start > at) at += Wide(Quotient(start - at, round)) * round;
    at = 2 * start - at - 1;
    voice.direction = MoveForward;
    if (at >= end) {
      at = 2 * end - at - 1;
      voice.direction = MoveBackward;
    }
  }
  if (at < 0) at = 0;
  position = FromWide(at);
}

#if defined(__SSE2__)
// The position of a frame of the group in which a loop turns, back inside the loop. Which of
// the four frames turns follows from the step and the loop, and a branch on it would often
// guess wrong, so one loop length comes off by a selection; only a step of more than a loop
// leaves the position beyond the end still, and that holds the same way throughout a span.
inline Fixed IntoLoop(Fixed position, Fixed end, Fixed loop, const Sample& sample) {
  position -= loop & (Fixed(0) - Fixed(position >= end));
  if (position >= end) WrapLoop(position, sample);
  return position;
}

// The group of four frames in which a loop turns: each position that has reached the loop's
// end goes back by whole loop lengths, the fractions going on as they were. Within the loop,
// since a short loop turns every few groups: the progression stays in registers and the
// group costs no call.
inline void MixFourAcrossTurn(float* out, const Sample& sample, Progression& at,
                              __m128 gains) {
  const Fixed end = Fixed(uint64_t(sample.loopStart) + sample.loopLength) << 32;
  const Fixed loop = Fixed(sample.loopLength) << 32;
  Fixed p0 = IntoLoop(at.next, end, loop, sample);
  Fixed p1 = IntoLoop(p0 + at.even, end, loop, sample);
  Fixed p2 = IntoLoop(p1 + at.even, end, loop, sample);
  Fixed p3 = IntoLoop(p2 + at.even, end, loop, sample);
  at.next = p3 + at.even;
  AddFour(out, FourValuesAt(sample.data, p0, p1, p2, p3, at), gains, gains);
}
#endif

// A voice on a forward loop at constant gains, mixed across its loop turns: after the first
// frame its positions go on by the even move, less whole loop lengths at each turn, so four
// lanes follow them until a group of four would reach the loop's end; that group goes frame by
// frame through the turn. Short loops turn every few dozen frames, where a segment for each
// turn costs more than its frames. The frames and the final position are those that segment
// after segment would give.
Fixed MixAcrossLoopTurns(float* out, int32_t frames, const Sample& sample, Fixed position,
                         Fixed move, float left, float right) {
  const int16_t* data = sample.data;
  const Fixed end = Fixed(uint64_t(sample.loopStart) + sample.loopLength) << 32;
  const Fixed even = move & ~LowBit;
  if (position >= end) WrapLoop(position, sample);
  MixFrame(out, data, position, left, right);
  Fixed next = (position & ~LowBit) + move;
  --frames;
  out += 2;
#if defined(__SSE2__)
  if (frames > 0 && FramesAlone(out - 2) == 2) {
    if (next >= end) WrapLoop(next, sample);
    MixFrame(out, data, next, left, right);
    next += even;
    --frames;
    out += 2;
  }
  const __m128 gains = _mm_setr_ps(left, right, left, right);
  Progression at = ProgressionFrom(next, move);
  while (frames >= 4) {
    // Eight frames a pass where no turn comes.
    for (; frames >= 8 && at.next + 7 * even < end; frames -= 8, out += 16) {
      AddFour(out, FourValues(data, at), gains, gains);
      AddFour(out + 8, FourValues(data, at), gains, gains);
    }
    if (frames < 4) break;
    if (at.next + 3 * even < end) {
      AddFour(out, FourValues(data, at), gains, gains);
    } else {
      MixFourAcrossTurn(out, sample, at, gains);
    }
    frames -= 4;
    out += 8;
  }
  next = at.next;
#endif
  for (; frames > 0; --frames, out += 2, next += even) {
    if (next >= end) WrapLoop(next, sample);
    MixFrame(out, data, next, left, right);
  }
  if (next >= end) WrapLoop(next, sample);
  return next;
}

// Whether MixAcrossLoopTurns takes the voice: forward on a forward loop, heard, and far from
// the limits of 64-bit positions.
bool MixesAcrossLoopTurns(const Voice& voice, const Sample& sample, Fixed position) {
  const uint32_t FarBelowLimit = uint32_t(1) << 30;
  return sample.loopKind == ForwardLoop && sample.loopLength != 0 &&
         voice.direction == MoveForward && (voice.volumeLeft != 0 || voice.volumeRight != 0) &&
         (position >> 32) < FarBelowLimit && voice.step >= 0 &&
         uint32_t(voice.step) < FarBelowLimit &&
         uint64_t(sample.loopStart) + sample.loopLength < FarBelowLimit;
}

// What happens at the boundary: a loop turns, anything else stops the voice (false).
bool TurnAtBoundary(Voice& voice, Fixed& position, const Sample& sample) {
  if (sample.loopLength == 0) return false;
  if (sample.loopKind == ForwardLoop) {
    WrapLoop(position, sample);
    return true;
  }
  if (sample.loopKind == PingPongLoop) {
    ReflectLoop(voice, position, sample);
    return true;
  }
  return false;
}

// A voice that has faded out on a forward loop adds nothing and would be cut into a segment
// at every loop turn: it moves on in closed form instead. Its gains and targets must be those
// that the segments would find (no ramp starts at zero gain), and the position arithmetic must
// stay far from the 32-bit limits.
bool SilentOnForwardLoop(const Voice& voice, const Sample& sample, int32_t count) {
  const uint32_t FarBelowLimit = uint32_t(1) << 30;
  return voice.rampFramesLeft == 0 && voice.volumeLeft == 0 && voice.volumeRight == 0 &&
         (voice.currentLeft >> 8) == 0 && (voice.currentRight >> 8) == 0 &&
         sample.loopKind == ForwardLoop && sample.loopLength != 0 && sample.data &&
         voice.direction == MoveForward && voice.position >= 0 &&
         uint32_t(voice.position) < FarBelowLimit && voice.step >= 0 &&
         uint64_t(voice.step) * uint32_t(count) < FarBelowLimit &&
         uint64_t(sample.loopStart) + sample.loopLength < FarBelowLimit;
}

// Moving on by whole frames and taking off whole loop lengths commute, so the position after
// all frames, wrapped once, is the one that segment by segment would reach.
void SkipSilentLoop(Voice& voice, const Sample& sample, int32_t count) {
  voice.rampTargetLeft = 0;
  voice.rampTargetRight = 0;
  Fixed position = Advance(PositionOf(voice), count, StepOf(voice));
  // Everything here is below 2^31 (SilentOnForwardLoop sees to that), so the division is a
  // 32-bit one: a 64-bit one takes several times as long on many processors, for every faded
  // voice in every call.
  uint32_t at = uint32_t(position >> 32);
  uint32_t end = sample.loopStart + sample.loopLength;
  if (at >= end) at -= ((at - end) / sample.loopLength + 1) * sample.loopLength;
  StorePosition(voice, (Fixed(at) << 32) | uint32_t(position));
}

void MixVoice(Voice& voice, float* out, int32_t count) {
  const Sample& sample = *voice.sample;
  if (SilentOnForwardLoop(voice, sample, count)) {
    SkipSilentLoop(voice, sample, count);
    return;
  }
  Fixed position = PositionOf(voice);
  const Fixed step = StepOf(voice);
  // Samples without data come only with an end of 0, where the voice stops before it reads
  // anything; one that claims more would be read at a null address.
  bool stopped = !sample.data && uint64_t(sample.loopStart) + sample.loopLength != 0;
  int32_t remaining = count;
  // Nothing in a mix changes the voice's target gains, so once a segment needs no ramp and
  // none is left pending, none of the following ones does either: short loops make many
  // segments of one call.
  bool mayRamp = true;
  while (!stopped && remaining > 0) {
    RampSegment ramp = {0, 0.0f, 0.0f};
    if (mayRamp) ramp = SetUpRamp(voice);
    mayRamp = ramp.frames > 0 || voice.rampFramesLeft != 0;
    if (!mayRamp && MixesAcrossLoopTurns(voice, sample, position)) {
      position = MixAcrossLoopTurns(out, remaining, sample, position, step,
                                    float(voice.volumeLeft) / 255.0f,
                                    float(voice.volumeRight) / 255.0f);
      break;
    }
    bool forward = voice.direction == MoveForward;
    Fixed move = forward ? step : Fixed(0) - step;
    int32_t frames = remaining;
    bool boundary = false;
    int64_t toBoundary = FramesToBoundary(position, step, forward, sample, remaining);
    if (toBoundary <= remaining) {
      frames = int32_t(toBoundary);
      boundary = true;
    }
    if (ramp.frames > 0) {
      voice.rampFramesLeft = ramp.frames;
      if (frames > ramp.frames) {
        frames = ramp.frames;
        boundary = false;
      }
    }
    position = MixSegment(voice, out, frames, ramp, position, move);
    out += 2 * int64_t(frames);
    remaining -= frames;
    if (boundary) stopped = !TurnAtBoundary(voice, position, sample);
  }
  if (stopped) {
    voice.sample = nullptr;
    position = 0;
  }
  StorePosition(voice, position);
}

int16_t ToSample(float value) {
  if (value != value) return 0;
  if (value >= 32767.0f) return 32767;
  if (value <= -32768.0f) return -32768;
  return int16_t(RoundHalfEven(value));
}

}  // namespace

void ResetVoices() {
  memset(Voices, 0, sizeof Voices);
  for (int i = 0; i < VoiceCount; ++i) {
    Voices[i].index = i;
    Voices[i].step = 1;
  }
}

void MixVoices(float* output, int32_t frameCount) {
  if (frameCount <= 0 || !output) return;
  for (Voice& voice : Voices) {
    if (voice.sample) MixVoice(voice, output, frameCount);
  }
}

void ConvertBlock(int16_t* destination, const float* source, int32_t frameCount) {
  if (frameCount <= 0 || !destination || !source) return;
  int64_t values = 2 * int64_t(frameCount);
  int64_t i = 0;
#if defined(__SSE2__)
  // Eight values a pass with the same results: clamping to the top before rounding gives what
  // rounding first and clamping then gives, the conversion rounds halves to even (the default
  // rounding mode, which the scalar rounding relies on as well), the NaN mask turns NaN into
  // 0, and the saturating pack clamps the bottom (anything below the 32-bit range, -infinity
  // too, converts to its lowest value).
  const __m128 highest = _mm_set1_ps(32767.0f);
  for (; i + 8 <= values; i += 8) {
    __m128 a = _mm_loadu_ps(source + i);
    __m128 b = _mm_loadu_ps(source + i + 4);
    a = _mm_and_ps(_mm_min_ps(a, highest), _mm_cmpord_ps(a, a));
    b = _mm_and_ps(_mm_min_ps(b, highest), _mm_cmpord_ps(b, b));
    __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), packed);
  }
#endif
  for (; i < values; ++i) destination[i] = ToSample(source[i]);
}
