#include "render/scroller.h"

#include <emmintrin.h>

uint32_t ScrollPos;

namespace {

Pixel WidenChannel(unsigned value5) {
  return static_cast<Pixel>(value5 << 3 | value5 >> 2);
}

__m128i WidenChannels(__m128i value5) {
  return _mm_or_si128(_mm_slli_epi16(value5, 3), _mm_srli_epi16(value5, 2));
}

// Eight strip pixels ORed into eight frame pixels.
void OrEightPixels(Pixel* target, const uint16_t* source) {
  const __m128i channel = _mm_set1_epi16(31);
  __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
  __m128i blue = WidenChannels(_mm_and_si128(pixels, channel));
  __m128i green = WidenChannels(_mm_and_si128(_mm_srli_epi16(pixels, 5), channel));
  __m128i red = WidenChannels(_mm_and_si128(_mm_srli_epi16(pixels, 10), channel));
  __m128i blueGreen = _mm_or_si128(blue, _mm_slli_epi16(green, 8));
  __m128i* out = reinterpret_cast<__m128i*>(target);
  _mm_storeu_si128(out, _mm_or_si128(_mm_loadu_si128(out), _mm_unpacklo_epi16(blueGreen, red)));
  _mm_storeu_si128(out + 1, _mm_or_si128(_mm_loadu_si128(out + 1), _mm_unpackhi_epi16(blueGreen, red)));
}

}  // namespace

Pixel ExpandStripPixel(uint16_t pixel) {
  return WidenChannel(pixel >> 10 & 31) << 16 | WidenChannel(pixel >> 5 & 31) << 8 |
         WidenChannel(pixel & 31);
}

void AdvanceScrollPos() {
  ScrollPos = ScrollPos + 1 >= StripWidth ? 0 : ScrollPos + 1;
}

void OrScrollerStrip(Pixel* frame, const uint16_t* strip, uint32_t scrollPos) {
  if (scrollPos >= static_cast<uint32_t>(StripWidth)) return;
  uint32_t columns = StripWidth - scrollPos;
  if (columns > static_cast<uint32_t>(SlotWidth)) columns = SlotWidth;
  const int rows = StripHeight < SlotHeight ? StripHeight : SlotHeight;
  for (int row = 0; row < rows; ++row) {
    const uint16_t* source = strip + row * StripStride + scrollPos;
    Pixel* target = frame + (SlotTop + row) * FrameWidth + SlotLeft;
    uint32_t x = 0;
    for (; x + 8 <= columns; x += 8) OrEightPixels(target + x, source + x);
    for (; x < columns; ++x) target[x] |= ExpandStripPixel(source[x]);
  }
}
