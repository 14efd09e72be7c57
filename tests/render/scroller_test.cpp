#include "render/scroller.h"

#include <gtest/gtest.h>

#include "tests/render/pixels.h"

namespace {

constexpr uint16_t White555 = 0x7FFF;

std::vector<Pixel> ReferenceOr(std::vector<Pixel> frame, const std::vector<uint16_t>& strip,
                               uint32_t scrollPos) {
  for (int row = 0; row < 16; ++row)
    for (uint32_t x = 0; x < 279 && scrollPos + x <= 1578; ++x)
      frame[(10 + row) * 416 + 122 + x] |= ExpandStripPixel(strip[row * StripStride + scrollPos + x]);
  return frame;
}

// A strip whose used columns hold random pixels and whose row padding holds white, which must
// never reach the frame.
std::vector<uint16_t> RandomStrip(std::mt19937& random) {
  std::vector<uint16_t> strip(StripHeight * StripStride, White555);
  for (int row = 0; row < StripHeight; ++row)
    for (int x = 0; x < StripWidth; ++x)
      strip[row * StripStride + x] = static_cast<uint16_t>(random());
  return strip;
}

TEST(Scroller, StripPixelsWidenEachChannelByRepeatingItsTopBits) {
  EXPECT_EQ(ExpandStripPixel(0), 0u);
  EXPECT_EQ(ExpandStripPixel(White555), MakePixel(255, 255, 255));
  EXPECT_EQ(ExpandStripPixel(0x8000), 0u) << "the unused top bit is ignored";
  EXPECT_EQ(ExpandStripPixel(31 << 10), MakePixel(255, 0, 0));
  EXPECT_EQ(ExpandStripPixel(31 << 5), MakePixel(0, 255, 0));
  EXPECT_EQ(ExpandStripPixel(16 << 10 | 1 << 5 | 2), MakePixel(132, 8, 16));
}

TEST(Scroller, OrMatchesTheClippedRectangleCopyAtEveryKindOfPosition) {
  std::mt19937 random(5);
  std::vector<uint16_t> strip = RandomStrip(random);
  for (uint32_t pos : {0u, 1u, 640u, 1299u, 1300u, 1301u, 1400u, 1577u, 1578u}) {
    std::vector<Pixel> frame = RandomPixels(FramePixels, random);
    for (Pixel& p : frame) p &= 0x0F0F0F0F;  // room for the OR to show
    std::vector<Pixel> want = ReferenceOr(frame, strip, pos);
    OrScrollerStrip(frame.data(), strip.data(), pos);
    long at = FirstDifference(frame, want);
    EXPECT_EQ(at, -1) << "position " << pos << " pixel (" << at % 416 << ", " << at / 416 << ")";
  }
}

TEST(Scroller, SlotIsEmptyAtZeroAndClipsAtTheStripsEnd) {
  // The credits start one slot width into an otherwise black strip.
  std::vector<uint16_t> strip(StripHeight * StripStride, White555);
  for (int row = 0; row < StripHeight; ++row)
    for (int x = 0; x < StripTextLeft; ++x) strip[row * StripStride + x] = 0;
  const std::vector<Pixel> black(FramePixels, 0);
  const Pixel white = MakePixel(255, 255, 255);
  auto whiteColumns = [&](uint32_t pos) {
    std::vector<Pixel> frame = black;
    OrScrollerStrip(frame.data(), strip.data(), pos);
    int count = 0;
    for (int x = 0; x < SlotWidth; ++x) {
      count += frame[(SlotTop + 15) * FrameWidth + SlotLeft + x] == white;
      EXPECT_EQ(frame[(SlotTop + 16) * FrameWidth + SlotLeft + x], 0u) << "row 26 column " << x;
    }
    return count;
  };
  EXPECT_EQ(whiteColumns(0), 0);
  EXPECT_EQ(whiteColumns(1), 1) << "the text enters from the right";
  EXPECT_EQ(whiteColumns(279), 279);
  EXPECT_EQ(whiteColumns(1300), 279);
  EXPECT_EQ(whiteColumns(1301), 278);
  EXPECT_EQ(whiteColumns(1578), 1);
  EXPECT_EQ(whiteColumns(1579), 0) << "a position past the strip shows nothing";
}

TEST(Scroller, PositionRunsThroughTheStripAndWraps) {
  ScrollPos = 0;
  AdvanceScrollPos();
  EXPECT_EQ(ScrollPos, 1u);
  ScrollPos = 1577;
  AdvanceScrollPos();
  EXPECT_EQ(ScrollPos, 1578u);
  AdvanceScrollPos();
  EXPECT_EQ(ScrollPos, 0u);
  for (int n = 0; n < StripWidth; ++n) AdvanceScrollPos();
  EXPECT_EQ(ScrollPos, 0u) << "1579 positions per cycle";
  ScrollPos = 5000;
  AdvanceScrollPos();
  EXPECT_EQ(ScrollPos, 0u) << "an out-of-range position restarts the cycle";
}

}  // namespace
