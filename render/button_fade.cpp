#include "render/button_fade.h"

#include <emmintrin.h>

uint8_t FadeLevel[ButtonCount];

namespace {

uint8_t SteppedLevel(uint8_t level, bool hot) {
  if (level > HalfFadeLevel) level = HalfFadeLevel;
  if (hot) return level > SolidFadeLevel ? level - 1 : level;
  return level < HalfFadeLevel ? level + 1 : level;
}

// floor(d * level / 30) for every byte difference d (0 to 255) is the high half of
// d * ceil(level * 65536 / 30): the multiplier's excess is below 1/65536 per unit of d, so the
// product's error stays below 255/65536, less than the 1/30 that separates it from the next
// integer. At level 15 the multiplier is 32768, still an unsigned 16-bit value.
uint16_t StepMultiplier(uint8_t level) {
  return static_cast<uint16_t>((level * 65536u + 29) / 30);
}

__m128i Blend16(__m128i picture, __m128i frame, __m128i multiplier) {
  const __m128i zero = _mm_setzero_si128();
  __m128i high = _mm_max_epu8(picture, frame);
  __m128i difference = _mm_sub_epi8(high, _mm_min_epu8(picture, frame));
  __m128i stepLow = _mm_mulhi_epu16(_mm_unpacklo_epi8(difference, zero), multiplier);
  __m128i stepHigh = _mm_mulhi_epu16(_mm_unpackhi_epi8(difference, zero), multiplier);
  __m128i step = _mm_packus_epi16(stepLow, stepHigh);
  // Where the frame's byte is the larger the result rises from the picture's, else it falls;
  // the step never exceeds the difference, so neither direction wraps.
  __m128i rising = _mm_cmpeq_epi8(high, frame);
  return _mm_or_si128(_mm_and_si128(rising, _mm_add_epi8(picture, step)),
                      _mm_andnot_si128(rising, _mm_sub_epi8(picture, step)));
}

void BlendButton(Pixel* area, const Pixel* picture, uint8_t level) {
  const __m128i multiplier = _mm_set1_epi16(static_cast<short>(StepMultiplier(level)));
  for (int row = 0; row < ButtonHeight; ++row) {
    Pixel* target = area + row * FrameWidth;
    const Pixel* source = picture + row * ButtonWidth;
    for (int x = 0; x < ButtonWidth; x += 4) {
      __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x));
      __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(target + x));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x), Blend16(p, b, multiplier));
    }
  }
}

}  // namespace

void FadeButton(int button, uint8_t hotButton, Pixel* frame, const Pixel* picture) {
  if (button < 0 || button >= ButtonCount) return;
  FadeLevel[button] = SteppedLevel(FadeLevel[button], hotButton == button + 1);
  BlendButton(frame + ButtonTop * FrameWidth + ButtonLeft[button], picture, FadeLevel[button]);
}
