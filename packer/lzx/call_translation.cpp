#include "packer/lzx/call_translation.h"

namespace lzx {

void TranslateCalls(uint8_t* frame, uint32_t size, uint32_t frameStart, uint32_t translationSize) {
  if (size <= 10) return;
  const int64_t limit = translationSize;
  for (uint32_t i = 0; i < size - 10;) {
    if (frame[i] != 0xE8) {
      ++i;
      continue;
    }
    uint8_t* operand = frame + i + 1;
    int64_t position = int64_t(frameStart) + i;
    int64_t relative = int32_t(uint32_t(operand[0]) | uint32_t(operand[1]) << 8 | uint32_t(operand[2]) << 16 |
                               uint32_t(operand[3]) << 24);
    // The decoder maps an absolute value in [-position, limit) back: [0, limit) by subtracting
    // the position, [-position, 0) by adding the limit. Exactly the values that it maps are
    // made here, and every other one is left as it was.
    int64_t absolute = relative;
    if (relative >= -position && relative < limit - position) {
      absolute = relative + position;
    } else if (relative >= limit - position && relative < limit) {
      absolute = relative - limit;
    }
    uint32_t bits = uint32_t(int32_t(absolute));
    for (int k = 0; k < 4; ++k) operand[k] = uint8_t(bits >> (8 * k));
    i += 5;
  }
}

}  // namespace lzx
