#include "render/fade_in.h"

#include <emmintrin.h>

// Not a weighted average: the capture darkens by k while the picture rises out of black, and
// the two are added with saturation. Saturating byte arithmetic gives exactly the max/min form.
void FadeInStep(Pixel* frame, const Pixel* capture, const Pixel* background, uint8_t k) {
  const __m128i darken = _mm_set1_epi8(static_cast<char>(k));
  const __m128i hold = _mm_set1_epi8(static_cast<char>(255 - k));
  for (int i = 0; i < FramePixels; i += 4) {
    __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(capture + i));
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(background + i));
    __m128i mix = _mm_adds_epu8(_mm_subs_epu8(c, darken), _mm_subs_epu8(p, hold));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(frame + i), mix);
  }
}

void ScaleFrame(Pixel* scaled, const Pixel* frame, int scale) {
  for (int y = 0; y < FrameHeight * scale; ++y) {
    const Pixel* row = frame + y / scale * FrameWidth;
    for (int x = 0; x < FrameWidth * scale; ++x) *scaled++ = row[x / scale];
  }
}
