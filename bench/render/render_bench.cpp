// Cost of the splash renderer's pixel work: one animated frame (fire step, composition,
// scroller, three button fades) and one fade-in step. A frame has a 10 ms period.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "render/button_fade.h"
#include "render/fade_in.h"
#include "render/fire.h"
#include "render/scroller.h"

namespace {

struct Surfaces {
  std::vector<Pixel> frame = std::vector<Pixel>(FramePixels);
  std::vector<Pixel> capture = std::vector<Pixel>(FramePixels);
  std::vector<Pixel> background = std::vector<Pixel>(FramePixels);
  std::vector<Pixel> buttons[ButtonCount];
  std::vector<uint16_t> strip = std::vector<uint16_t>(StripHeight * StripStride);

  Surfaces() {
    std::mt19937 random(1);
    for (Pixel& p : capture) p = static_cast<Pixel>(random());
    for (Pixel& p : background) p = static_cast<Pixel>(random()) & 0x00FFFFFF;
    for (auto& button : buttons) {
      button.resize(ButtonWidth * ButtonHeight);
      for (Pixel& p : button) p = static_cast<Pixel>(random()) & 0x00FFFFFF;
    }
    // Scattered white glyph pixels from the text's start on.
    for (int row = 0; row < StripHeight; ++row)
      for (int x = StripTextLeft; x < StripWidth; ++x)
        strip[row * StripStride + x] = (random() % 4 == 0) ? 0x7FFF : 0;
  }
};

// The fire after a while, once it burns over most of the field.
void WarmUpFire() {
  ResetFire();
  BuildFirePalette();
  for (int n = 0; n < 400; ++n) AdvanceFire();
}

void BM_FrameWork(benchmark::State& state) {
  Surfaces s;
  WarmUpFire();
  ScrollPos = 0;
  uint8_t hot = 0;
  for (auto _ : state) {
    AdvanceFire();
    ComposeFire(s.frame.data(), s.background.data());
    OrScrollerStrip(s.frame.data(), s.strip.data(), ScrollPos);
    AdvanceScrollPos();
    hot = static_cast<uint8_t>((ScrollPos / 40) % 4);  // the mouse wanders over the buttons
    for (int b = 0; b < ButtonCount; ++b) FadeButton(b, hot, s.frame.data(), s.buttons[b].data());
    benchmark::DoNotOptimize(s.frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FrameWork)->Unit(benchmark::kMicrosecond);

void BM_FadeInStep(benchmark::State& state) {
  Surfaces s;
  unsigned k = 0;
  for (auto _ : state) {
    FadeInStep(s.frame.data(), s.capture.data(), s.background.data(), static_cast<uint8_t>(k++));
    benchmark::DoNotOptimize(s.frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FadeInStep)->Unit(benchmark::kMicrosecond);

// The parts of a frame, to see where its time goes.
void BM_AdvanceFire(benchmark::State& state) {
  WarmUpFire();
  for (auto _ : state) {
    AdvanceFire();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_AdvanceFire)->Unit(benchmark::kMicrosecond);

void BM_ComposeFire(benchmark::State& state) {
  Surfaces s;
  WarmUpFire();
  for (auto _ : state) {
    ComposeFire(s.frame.data(), s.background.data());
    benchmark::DoNotOptimize(s.frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ComposeFire)->Unit(benchmark::kMicrosecond);

void BM_ScrollerAndFades(benchmark::State& state) {
  Surfaces s;
  uint32_t pos = 0;
  for (auto _ : state) {
    OrScrollerStrip(s.frame.data(), s.strip.data(), pos);
    pos = (pos + 1) % StripWidth;
    for (int b = 0; b < ButtonCount; ++b) FadeButton(b, 0, s.frame.data(), s.buttons[b].data());
    benchmark::DoNotOptimize(s.frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ScrollerAndFades)->Unit(benchmark::kMicrosecond);

}  // namespace
