// The credits scroller: a 279-column window of the pre-rendered credits strip, moved one
// column per frame and ORed into the slot near the top of the frame.
#pragma once
#include "render/frame.h"

// First strip column shown in the slot, 0 to StripWidth - 1; 0 at process start.
extern uint32_t ScrollPos;

// One column on, back to 0 after the strip's last column.
void AdvanceScrollPos();

// ORs the strip's rectangle at (scrollPos, 0), SlotWidth x SlotHeight, into the frame's slot:
// only the part that lies inside the strip (its 16 rows, no column past the last) changes
// the frame, which is what a raster OR copy of that rectangle does. strip is StripHeight rows
// of StripStride 16-bit pixels; a position past the strip changes nothing.
void OrScrollerStrip(Pixel* frame, const uint16_t* strip, uint32_t scrollPos);

// A 5-5-5 pixel as 32 bits, each 5-bit channel widened to 8 by repeating its top bits
// (x << 3 | x >> 2), so 31 gives 255: white text turns the frame fully white.
Pixel ExpandStripPixel(uint16_t pixel);
