#include "tools/songgen/synth.h"

#include <algorithm>
#include <cmath>

namespace songgen {

double SampleRate(int relativeNote) { return 8363.0 * std::pow(2.0, relativeNote / 12.0); }

float Noise::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return float(state_ >> 8) / float(1 << 23) - 1.0f;
}

Wave WhiteNoise(Noise& noise, size_t count) {
  Wave out(count);
  for (float& value : out) value = noise.Next();
  return out;
}

Wave HighPass(const Wave& in) {
  Wave out(in.size());
  float previous = 0;
  for (size_t i = 0; i < in.size(); i++) {
    out[i] = in[i] - previous;
    previous = in[i];
  }
  return out;
}

Wave LowPass(const Wave& in, float pole) {
  Wave out(in.size());
  float state = 0;
  for (size_t i = 0; i < in.size(); i++) {
    state = state * pole + in[i] * (1 - pole);
    out[i] = state;
  }
  return out;
}

Wave EvolvingTone(size_t cycleLength, size_t attackCycles, int harmonics, Spectrum spectrum) {
  size_t attack = cycleLength * attackCycles;
  Wave out(attack + cycleLength, 0.0f);
  for (size_t i = 0; i < out.size(); i++) {
    float progress = i < attack ? float(i) / float(attack) : 1.0f;
    double phase = 2 * kPi * double(i % cycleLength) / double(cycleLength);
    for (int k = 1; k <= harmonics; k++) {
      out[i] += spectrum(k, progress) * float(std::sin(phase * k));
    }
  }
  return out;
}

float SoftClip(float x, float drive) { return float(std::tanh(x * drive) / std::tanh(drive)); }

void Normalise(Wave& wave, float peak) {
  float largest = 0;
  for (float value : wave) largest = std::max(largest, std::fabs(value));
  if (largest == 0) return;
  for (float& value : wave) value *= peak / largest;
}

void FadeOut(Wave& wave, size_t count) {
  count = std::min(count, wave.size());
  for (size_t i = 0; i < count; i++) {
    wave[wave.size() - count + i] *= float(count - 1 - i) / float(count);
  }
}

std::vector<int16_t> Quantise(const Wave& wave, int bits) {
  double scale = bits == 16 ? 32767.0 : 127.0;
  double low = bits == 16 ? -32768.0 : -128.0;
  std::vector<int16_t> out(wave.size());
  for (size_t i = 0; i < wave.size(); i++) {
    double value = std::nearbyint(double(wave[i]) * scale);
    out[i] = int16_t(std::clamp(value, low, scale));
  }
  return out;
}

}  // namespace songgen
