// Deterministic sound synthesis for the song's samples: oscillators, noise, filters and the
// conversion of float waves to the 8- and 16-bit values stored in the module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace songgen {

using Wave = std::vector<float>;

constexpr double kPi = 3.14159265358979323846;

// Playback rate of a sample played at its base pitch: note C-4 with relative note `rel`
// plays 8363 * 2^(rel/12) samples a second in the linear frequency table.
double SampleRate(int relativeNote);

// xorshift noise with a fixed seed, so every run makes the same samples.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed ? seed : 1) {}
  float Next();  // uniform in [-1, 1)

 private:
  uint32_t state_;
};

// `count` samples of noise.
Wave WhiteNoise(Noise& noise, size_t count);

// First difference, which tilts noise toward the highs (hats, cymbals).
Wave HighPass(const Wave& in);

// One-pole low-pass with the given coefficient (0 = no change, close to 1 = dark).
Wave LowPass(const Wave& in, float pole);

// Amplitude of harmonic k (1-based) when the tone is `progress` (0 at the start, 1 at the
// end of its attack) through its attack.
using Spectrum = float (*)(int k, float progress);

// A tone whose timbre moves during `attackCycles` periods of `cycleLength` samples and then
// stays: the result holds the attack followed by one steady period, which is the loop.
Wave EvolvingTone(size_t cycleLength, size_t attackCycles, int harmonics, Spectrum spectrum);

// Gentle saturation that keeps the sign and never exceeds 1.
float SoftClip(float x, float drive);

// Scales the wave so that its largest magnitude is `peak` (0..1 of full scale).
void Normalise(Wave& wave, float peak);

// Multiplies the last `count` samples by a falling linear ramp (ends at 0).
void FadeOut(Wave& wave, size_t count);

// Rounds to the stored range: 8-bit -128..127 or 16-bit -32768..32767 (full scale = 1.0).
std::vector<int16_t> Quantise(const Wave& wave, int bits);

}  // namespace songgen
