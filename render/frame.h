// Geometry of the splash window's frame and the pixel format shared by the renderer's kernels.
#pragma once
#include <stdint.h>

// One 32-bit pixel as the platform's device-independent bitmaps store it: the bytes blue,
// green, red and a spare byte, in that memory order (so 0x00RRGGBB read as a little-endian word).
typedef uint32_t Pixel;

// The frame: rows top-down, pixel (x, y) at index y * FrameWidth + x.
constexpr int FrameWidth = 416;
constexpr int FrameHeight = 180;
constexpr int FramePixels = FrameWidth * FrameHeight;

// The three picture buttons, left to right Install, Info, Exit; each picture is
// ButtonWidth x ButtonHeight pixels, rows top-down and contiguous.
constexpr int ButtonCount = 3;
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 20;
constexpr int ButtonTop = 139;
constexpr int ButtonLeft[ButtonCount] = {4, 88, 172};

// The scroller's slot in the frame. The strip is only 16 rows high, so rows 26 to 30 of the
// slot never receive strip pixels.
constexpr int SlotLeft = 122;
constexpr int SlotTop = 10;
constexpr int SlotWidth = 279;
constexpr int SlotHeight = 21;

// The credits strip: 16 bits per pixel, 5 bits each of red, green and blue (bits 10-14, 5-9,
// 0-4), rows top-down. Bitmap rows are padded to whole 32-bit words, so a row of 1579 pixels
// occupies 1580 slots. The text starts one slot width in, so at scroll position 0 the slot is
// empty and the text enters from the right.
constexpr int StripWidth = 1579;
constexpr int StripHeight = 16;
constexpr int StripStride = (StripWidth * 2 + 3) / 4 * 2;
constexpr int StripTextLeft = SlotWidth;

// The status line's rectangle, right and bottom excluded, as the platform's RECT takes it.
constexpr int StatusLeft = 120;
constexpr int StatusTop = 36;
constexpr int StatusRight = 402;
constexpr int StatusBottom = 50;

// The whole factor by which the frame is shown on a screen of `dpi` dots per inch: each frame
// pixel becomes a k x k block, so pictures stay sharp at any scaling. dpi / 96 rounded to the
// nearest whole number, halves up, at least 1 (96 to 143 give 1, 144 to 239 give 2).
constexpr int ScaleForDpi(int dpi) { return dpi < 144 ? 1 : (dpi + 48) / 96; }
