#include "tests/mixer/mixer_reference.h"

#include <cmath>

#include "music/module.h"
#include "music/output_config.h"

namespace {

int64_t Position(const Voice& v) { return int64_t(v.position) * 4294967296 + v.positionFraction; }

void SetPosition(Voice& v, int64_t p) {
  v.position = int32_t(p >> 32);
  v.positionFraction = uint32_t(p);
}

int64_t Start(const Sample& s) { return int64_t(s.loopStart) << 32; }
int64_t End(const Sample& s) { return (int64_t(s.loopStart) + s.loopLength) << 32; }

bool Reached(const Voice& v) {
  return v.direction == 1 ? Position(v) >= End(*v.sample) : Position(v) <= Start(*v.sample);
}

void StepOnce(Voice& v) {
  v.positionFraction &= ~1u;
  uint32_t fraction = v.positionFraction;
  if (v.direction == 1) {
    v.positionFraction = fraction + v.stepFraction;
    uint32_t carry = v.positionFraction < fraction ? 1 : 0;
    v.position = int32_t(uint32_t(v.position) + uint32_t(v.step) + carry);
  } else {
    v.positionFraction = fraction - v.stepFraction;
    uint32_t borrow = fraction < v.stepFraction ? 1 : 0;
    v.position = int32_t(uint32_t(v.position) - uint32_t(v.step) - borrow);
  }
}

float Value(const Voice& v) {
  const int16_t* s = v.sample->data;
  float t = float(int32_t(v.positionFraction >> 1)) * (1.0f / 2147483648.0f);
  return float(s[v.position]) + t * float(s[v.position + 1] - s[v.position]);
}

// Returns false when the voice stops.
bool Turn(Voice& v) {
  const Sample& s = *v.sample;
  if (s.loopKind == ForwardLoop) {
    do v.position -= int32_t(s.loopLength);
    while (int64_t(v.position) >= int64_t(s.loopStart) + s.loopLength);
    return true;
  }
  if (s.loopKind != PingPongLoop) return false;
  int64_t p = Position(v), start = Start(s), end = End(s);
  bool forward = v.direction == 1;
  // Mirror at the end reached, then at the other end while the position lies beyond it.
  for (;;) {
    if (forward) {
      p = 2 * end - p - 1;
      v.direction = 2;
      if (p >= start) break;
    } else {
      p = 2 * start - p - 1;
      v.direction = 1;
      if (p < end) break;
    }
    forward = !forward;
  }
  SetPosition(v, p < 0 ? 0 : p);
  return true;
}

void MixOne(Voice& v, float* out, int32_t count) {
  while (count > 0) {
    int32_t ramp = 0;
    float stepLeft = 0, stepRight = 0;
    if (v.rampFramesLeft != 0 && v.volumeLeft == v.rampTargetLeft &&
        v.volumeRight == v.rampTargetRight) {
      ramp = v.rampFramesLeft, stepLeft = v.rampStepLeft, stepRight = v.rampStepRight;
    } else {
      v.rampTargetLeft = v.volumeLeft;
      v.rampTargetRight = v.volumeRight;
      if (int d = v.volumeLeft - (v.currentLeft >> 8))
        stepLeft = v.rampStepLeft = float(d) * (1.0f / 255) * RampStep, ramp = RampFrames;
      if (int d = v.volumeRight - (v.currentRight >> 8))
        stepRight = v.rampStepRight = float(d) * (1.0f / 255) * RampStep, ramp = RampFrames;
    }
    if (ramp > 0) v.rampFramesLeft = ramp;
    float left = ramp ? float(v.currentLeft) / 256 / 255 : float(v.volumeLeft) / 255;
    float right = ramp ? float(v.currentRight) / 256 / 255 : float(v.volumeRight) / 255;
    int32_t frames = 0;
    bool reached;
    while (!(reached = Reached(v)) && frames < count && !(ramp && frames == ramp)) {
      float value = Value(v);
      out[0] += value * left;
      out[1] += value * right;
      out += 2;
      left += stepLeft;
      right += stepRight;
      StepOnce(v);
      ++frames;
    }
    count -= frames;
    if (ramp > 0) {
      v.currentLeft = int32_t(std::nearbyint(left * 255 * 256));
      v.currentRight = int32_t(std::nearbyint(right * 255 * 256));
      v.rampFramesLeft -= frames;
      if (v.rampFramesLeft == 0) {
        v.rampStepLeft = v.rampStepRight = 0;
        v.currentLeft = v.volumeLeft * 256;
        v.currentRight = v.volumeRight * 256;
      }
    }
    if (reached && !Turn(v)) {
      v.sample = nullptr;
      v.position = 0;
      v.positionFraction = 0;
      return;
    }
  }
}

}  // namespace

void ReferenceMix(Voice* voices, int voiceCount, float* output, int32_t count) {
  for (int i = 0; i < voiceCount; ++i)
    if (voices[i].sample) MixOne(voices[i], output, count);
}
