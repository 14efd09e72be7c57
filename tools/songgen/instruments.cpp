#include "tools/songgen/instruments.h"

#include <cmath>
#include <string>
#include <utility>

#include "tools/songgen/synth.h"

namespace songgen {
namespace {

// Relative notes that pick each sample's playback rate (see SampleRate): a tonal sample
// whose period is 32 << octaves samples sounds at the pitch its cells name when its relative
// note is 12 * octaves; drums get whatever rate their highest content needs.
constexpr int kDrumLowRate = 0;     // 8363 Hz: the kick has nothing above 4 kHz
constexpr int kDrumMidRate = 12;    // 16726 Hz: snare
constexpr int kDrumCymbalRate = 19; // 25060 Hz: crash
constexpr int kDrumHighRate = 24;   // 33452 Hz: hats

xmw::Envelope MakeEnvelope(std::vector<xmw::EnvelopePoint> points, uint8_t flags,
                           uint8_t sustain = 0, uint8_t loopStart = 0, uint8_t loopEnd = 0) {
  xmw::Envelope envelope;
  envelope.points = std::move(points);
  envelope.flags = flags;
  envelope.sustainPoint = sustain;
  envelope.loopStart = loopStart;
  envelope.loopEnd = loopEnd;
  return envelope;
}

xmw::Sample MakeSample(const char* name, const Wave& wave, int bits, int relativeNote) {
  xmw::Sample sample;
  sample.name = name;
  sample.bits = uint8_t(bits);
  sample.pcm = Quantise(wave, bits);
  sample.relativeNote = int8_t(relativeNote);
  return sample;
}

void SetLoop(xmw::Sample& sample, xmw::LoopType type, size_t start, size_t length) {
  sample.loop = type;
  sample.loopStart = uint32_t(start);
  sample.loopLength = uint32_t(length);
}

xmw::Instrument Wrap(const char* name, xmw::Sample sample, uint8_t volume, uint8_t panning) {
  xmw::Instrument instrument;
  instrument.name = name;
  sample.volume = volume;
  sample.panning = panning;
  instrument.samples.push_back(std::move(sample));
  instrument.sampleMap = xmw::UniformSampleMap(0);
  return instrument;
}

// Sine sweep from a click down to a low thump, lightly saturated for punch.
xmw::Instrument MakeKick() {
  double rate = SampleRate(kDrumLowRate);
  Noise noise(0x4b1c);
  Wave wave(size_t(rate * 0.32));
  double phase = 0;
  for (size_t i = 0; i < wave.size(); i++) {
    double t = i / rate;
    double frequency = 46 + 125 * std::exp(-t / 0.028);
    phase += 2 * kPi * frequency / rate;
    double body = std::sin(phase) * std::exp(-t / 0.16);
    double click = noise.Next() * std::exp(-t / 0.002) * 0.35;
    wave[i] = SoftClip(float(body + click), 1.8f);
  }
  FadeOut(wave, size_t(rate * 0.03));
  Normalise(wave, 0.97f);
  return Wrap("kick", MakeSample("kick", wave, 8, kDrumLowRate), 64, 128);
}

// A short tone for the drum's body over a burst of noise; the noise tail loops and the
// volume envelope decays it, which keeps the sample short.
xmw::Instrument MakeSnare() {
  double rate = SampleRate(kDrumMidRate);
  Noise noise(0x5a4e);
  size_t attack = size_t(rate * 0.07);
  size_t loop = 1024;
  Wave hiss = WhiteNoise(noise, attack + loop);
  Wave bright = HighPass(hiss);
  Wave wave(attack + loop);
  for (size_t i = 0; i < wave.size(); i++) {
    double t = i / rate;
    double body = (std::sin(2 * kPi * 182 * t) + 0.5 * std::sin(2 * kPi * 331 * t)) *
                  std::exp(-t / 0.03);
    double level = 0.5 + 0.5 * std::exp(-t / 0.012);
    wave[i] = float(0.9 * body + level * (0.55 * hiss[i] + 0.35 * bright[i]));
  }
  Normalise(wave, 0.95f);
  xmw::Sample sample = MakeSample("snare", wave, 8, kDrumMidRate);
  SetLoop(sample, xmw::LoopType::Forward, attack, loop);
  xmw::Instrument snare = Wrap("snare", sample, 52, 120);
  snare.volumeEnvelope =
      MakeEnvelope({{0, 64}, {2, 50}, {6, 26}, {11, 9}, {16, 0}}, xmw::kEnvelopeOn);
  return snare;
}

Wave Sizzle(Noise& noise, size_t count) { return HighPass(HighPass(WhiteNoise(noise, count))); }

xmw::Instrument MakeClosedHat() {
  double rate = SampleRate(kDrumHighRate);
  Noise noise(0xc105);
  Wave wave = Sizzle(noise, size_t(rate * 0.05));
  for (size_t i = 0; i < wave.size(); i++) wave[i] *= float(std::exp(-(i / rate) / 0.011));
  FadeOut(wave, 64);
  Normalise(wave, 0.9f);
  return Wrap("closed hat", MakeSample("closed hat", wave, 8, kDrumHighRate), 30, 150);
}

// Open hat and crash: a struck burst, then a noise loop that the volume envelope rings out.
xmw::Instrument MakeRingingNoise(const char* name, uint32_t seed, int rateNote, size_t attack,
                                 size_t loop, float bodyMix) {
  double rate = SampleRate(rateNote);
  Noise noise(seed);
  Wave sizzle = Sizzle(noise, attack + loop);
  Wave body = LowPass(WhiteNoise(noise, attack + loop), 0.3f);
  Wave wave(attack + loop);
  for (size_t i = 0; i < wave.size(); i++) {
    float strike = 1.0f + 0.8f * float(std::exp(-(i / rate) / 0.006));
    wave[i] = strike * ((1 - bodyMix) * 0.5f * sizzle[i] + bodyMix * body[i]);
  }
  Normalise(wave, 0.9f);
  xmw::Sample sample = MakeSample(name, wave, 8, rateNote);
  SetLoop(sample, xmw::LoopType::Forward, attack, loop);
  return Wrap(name, sample, 64, 128);
}

xmw::Instrument MakeOpenHat() {
  xmw::Instrument hat = MakeRingingNoise("open hat", 0x09e7, kDrumHighRate, 640, 1024, 0.1f);
  hat.samples[0].volume = 24;
  hat.samples[0].panning = 150;
  hat.volumeEnvelope =
      MakeEnvelope({{0, 64}, {4, 40}, {11, 17}, {20, 5}, {28, 0}}, xmw::kEnvelopeOn);
  return hat;
}

xmw::Instrument MakeCrash() {
  xmw::Instrument crash = MakeRingingNoise("crash", 0xc4a5, kDrumCymbalRate, 1024, 4096, 0.35f);
  crash.samples[0].volume = 30;
  crash.samples[0].panning = 104;
  crash.volumeEnvelope = MakeEnvelope(
      {{0, 64}, {6, 46}, {24, 27}, {60, 12}, {100, 4}, {130, 0}}, xmw::kEnvelopeOn);
  return crash;
}

// Plucked bass: a saw whose brightness falls during twelve periods, then a steady period.
float BassSpectrum(int k, float progress) {
  float brightness = 2.6f + 9.0f * (1 - progress) * (1 - progress);
  float fundamentalBoost = k == 1 ? 1.4f : 1.0f;
  return fundamentalBoost * std::exp(-(k - 1) / brightness) / k;
}

xmw::Instrument MakeBass() {
  Wave wave = EvolvingTone(64, 12, 24, BassSpectrum);
  Normalise(wave, 0.92f);
  // 16-bit: the bass carries most of the mix's energy and 8-bit steps would hiss under it.
  xmw::Sample sample = MakeSample("pluck bass", wave, 16, 12);
  SetLoop(sample, xmw::LoopType::Forward, wave.size() - 64, 64);
  xmw::Instrument bass = Wrap("bass", sample, 48, 128);
  bass.volumeEnvelope = MakeEnvelope({{0, 64}, {5, 50}, {18, 40}, {24, 0}},
                                     xmw::kEnvelopeOn | xmw::kEnvelopeSustain, 2);
  bass.fadeout = 0x400;
  return bass;
}

// Lead: odd harmonics stronger than even ones (between a square and a saw), bright at the
// attack and mellowing as the note settles.
float LeadSpectrum(int k, float progress) {
  float brightness = 3.6f + 6.0f * (1 - progress);
  float oddness = (k % 2) ? 1.0f : 0.55f;
  return oddness * std::exp(-(k - 1) / brightness) / k;
}

// The echo's copy of the lead is darker, so that it sits behind the lead.
float EchoSpectrum(int k, float progress) {
  float brightness = 1.8f + 1.0f * (1 - progress);
  float oddness = (k % 2) ? 1.0f : 0.55f;
  return oddness * std::exp(-(k - 1) / brightness) / k;
}

xmw::Envelope LeadEnvelope() {
  // Sustains at point 2 while the key is down; releases over about a third of a second.
  return MakeEnvelope({{0, 20}, {2, 64}, {12, 50}, {30, 0}},
                      xmw::kEnvelopeOn | xmw::kEnvelopeSustain, 2);
}

xmw::Instrument MakeLead() {
  Wave wave = EvolvingTone(64, 16, 16, LeadSpectrum);
  Normalise(wave, 0.9f);
  xmw::Sample sample = MakeSample("lead", wave, 8, 12);
  SetLoop(sample, xmw::LoopType::Forward, wave.size() - 64, 64);
  xmw::Instrument lead = Wrap("lead", sample, 40, 112);
  lead.volumeEnvelope = LeadEnvelope();
  lead.fadeout = 0x300;
  // A slow, delayed auto-vibrato: long notes come alive without any effect in the cells.
  lead.vibratoType = 0;
  lead.vibratoSweep = 40;
  lead.vibratoDepth = 5;
  lead.vibratoRate = 18;
  return lead;
}

xmw::Instrument MakeEcho() {
  Wave wave = EvolvingTone(64, 4, 8, EchoSpectrum);
  Normalise(wave, 0.9f);
  xmw::Sample sample = MakeSample("lead echo", wave, 8, 12);
  SetLoop(sample, xmw::LoopType::Forward, wave.size() - 64, 64);
  xmw::Instrument echo = Wrap("echo", sample, 24, 168);
  echo.volumeEnvelope = LeadEnvelope();
  echo.fadeout = 0x300;
  return echo;
}

// Chip: a plain 25% pulse, the classic arpeggio voice.
xmw::Instrument MakeChip() {
  Wave wave(32);
  for (size_t i = 0; i < wave.size(); i++) wave[i] = i < 8 ? 0.75f : -0.25f;
  Normalise(wave, 0.85f);
  xmw::Sample sample = MakeSample("pulse", wave, 8, 0);
  SetLoop(sample, xmw::LoopType::Forward, 0, wave.size());
  xmw::Instrument chip = Wrap("chip", sample, 28, 150);
  // Decays, then the envelope loops between points 1 and 3: a soft flutter that lasts as
  // long as the note.
  chip.volumeEnvelope = MakeEnvelope({{0, 64}, {4, 40}, {8, 52}, {12, 40}},
                                     xmw::kEnvelopeOn | xmw::kEnvelopeLoop, 0, 1, 3);
  chip.fadeout = 0x600;
  return chip;
}

// Pad: three slightly detuned voices and a sub-octave, written as a sum of cosines over half
// a period. A ping-pong loop plays that half forward and backward, which rebuilds the whole
// wave at half the storage. The mirror points of the loop lie at index 0 and half a sample
// before the loop end, hence the length - 0.5.
xmw::Instrument MakePad() {
  const size_t length = 2048;
  const int voices[] = {127, 128, 129};  // half-periods over the loop: 128 is C at C-4
  Wave wave(length, 0.0f);
  for (size_t i = 0; i < length; i++) {
    double x = kPi * double(i) / (double(length) - 0.5);
    double sum = 0.45 * std::cos(64 * x);
    for (int voice : voices) {
      for (int k = 1; k <= 6; k++) {
        double sign = (k % 2) ? 1.0 : -1.0;
        sum += sign * std::cos(voice * k * x) / std::pow(k, 1.6);
      }
    }
    wave[i] = float(sum);
  }
  Normalise(wave, 0.9f);
  xmw::Sample sample = MakeSample("pad", wave, 8, 0);
  SetLoop(sample, xmw::LoopType::PingPong, 0, length);
  xmw::Instrument pad = Wrap("pad", sample, 30, 128);
  pad.volumeEnvelope = MakeEnvelope({{0, 0}, {20, 40}, {40, 48}, {70, 0}},
                                    xmw::kEnvelopeOn | xmw::kEnvelopeSustain, 2);
  // The chord drifts slowly from side to side for as long as it sounds.
  pad.panningEnvelope = MakeEnvelope({{0, 32}, {48, 42}, {144, 22}, {192, 32}},
                                     xmw::kEnvelopeOn | xmw::kEnvelopeLoop, 0, 0, 3);
  pad.fadeout = 0x100;
  return pad;
}

}  // namespace

std::vector<xmw::Instrument> BuildInstruments() {
  return {MakeKick(), MakeSnare(), MakeClosedHat(), MakeOpenHat(), MakeCrash(),
          MakeBass(), MakeLead(),  MakeEcho(),      MakeChip(),    MakePad()};
}

}  // namespace songgen
