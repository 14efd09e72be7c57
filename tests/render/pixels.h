// Helpers shared by the renderer's kernel tests.
#pragma once
#include <random>
#include <vector>

#include "render/frame.h"

inline Pixel MakePixel(unsigned red, unsigned green, unsigned blue, unsigned spare = 0) {
  return spare << 24 | red << 16 | green << 8 | blue;
}

inline unsigned ByteOf(Pixel pixel, int k) { return pixel >> (8 * k) & 0xFF; }

inline std::vector<Pixel> RandomPixels(size_t count, std::mt19937& random) {
  std::vector<Pixel> pixels(count);
  for (Pixel& p : pixels) p = static_cast<Pixel>(random());
  return pixels;
}

// Index of the first pixel where the two differ, or -1; keeps failure output short.
inline long FirstDifference(const std::vector<Pixel>& got, const std::vector<Pixel>& want) {
  for (size_t i = 0; i < got.size() && i < want.size(); ++i)
    if (got[i] != want[i]) return static_cast<long>(i);
  return got.size() == want.size() ? -1 : static_cast<long>(got.size());
}
