#include "render/scroller.h"

uint32_t ScrollPos;

namespace {

Pixel WidenChannel(unsigned value5) {
  return static_cast<Pixel>(value5 << 3 | value5 >> 2);
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
    for (uint32_t x = 0; x < columns; ++x) target[x] |= ExpandStripPixel(source[x]);
  }
}
