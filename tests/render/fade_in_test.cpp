#include "render/fade_in.h"

#include "render/frame.h"

#include <gtest/gtest.h>

#include "tests/render/pixels.h"

namespace {

unsigned FadeInByte(unsigned c, unsigned p, unsigned k) {
  int darkened = static_cast<int>(c) - static_cast<int>(k);
  int risen = static_cast<int>(p) - static_cast<int>(255 - k);
  int sum = (darkened > 0 ? darkened : 0) + (risen > 0 ? risen : 0);
  return sum < 255 ? sum : 255;
}

void ExpectFadeInStep(const std::vector<Pixel>& capture, const std::vector<Pixel>& background,
                      unsigned k) {
  std::vector<Pixel> want(FramePixels);
  for (int i = 0; i < FramePixels; ++i) {
    Pixel mixed = 0;
    for (int b = 0; b < 4; ++b)
      mixed |= FadeInByte(ByteOf(capture[i], b), ByteOf(background[i], b), k) << (8 * b);
    want[i] = mixed;
  }
  std::vector<Pixel> frame(FramePixels, 0xDEADBEEF);
  FadeInStep(frame.data(), capture.data(), background.data(), static_cast<uint8_t>(k));
  long at = FirstDifference(frame, want);
  ASSERT_EQ(at, -1) << "step " << k << " pixel " << at << ": got " << std::hex << frame[at]
                    << ", want " << want[at];
}

TEST(FadeIn, FirstStepShowsTheCaptureAndLastThePicture) {
  std::mt19937 random(1);
  std::vector<Pixel> capture = RandomPixels(FramePixels, random);
  std::vector<Pixel> background = RandomPixels(FramePixels, random);
  std::vector<Pixel> frame(FramePixels);
  FadeInStep(frame.data(), capture.data(), background.data(), 0);
  EXPECT_EQ(frame, capture);
  FadeInStep(frame.data(), capture.data(), background.data(), 255);
  EXPECT_EQ(frame, background);
}

TEST(FadeIn, EveryStepMatchesTheSaturatingFormulaOnEveryByte) {
  std::mt19937 random(2);
  std::vector<Pixel> capture = RandomPixels(FramePixels, random);
  std::vector<Pixel> background = RandomPixels(FramePixels, random);
  for (unsigned k = 0; k < FadeInSteps; ++k) ExpectFadeInStep(capture, background, k);
}

// The whole factor for a screen's DPI: nearest, halves up, at least 1.
TEST(Scale, ForDpiIsTheNearestWholeFactor) {
  const int cases[][2] = {{0, 1},   {72, 1},  {96, 1},  {120, 1}, {143, 1}, {144, 2},
                          {192, 2}, {239, 2}, {240, 3}, {288, 3}, {335, 3}, {336, 4}};
  for (const auto& c : cases) EXPECT_EQ(ScaleForDpi(c[0]), c[1]) << c[0] << " dpi";
}

// Each pixel becomes a block, and a step over the enlarged frames, run by run, is the enlarged
// step: the fade-in in screen pixels shows what the frame-sized one would, enlarged.
TEST(Scale, EnlargedFrameHoldsEachPixelAsABlockAndFadesAsTheFrame) {
  std::mt19937 random(3);
  std::vector<Pixel> capture = RandomPixels(FramePixels, random);
  std::vector<Pixel> background = RandomPixels(FramePixels, random);
  for (int scale : {1, 2, 3}) {
    std::vector<Pixel> big(FramePixels * scale * scale, 0xDEADBEEF);
    ScaleFrame(big.data(), background.data(), scale);
    for (int y = 0; y < FrameHeight * scale; ++y) {
      for (int x = 0; x < FrameWidth * scale; ++x) {
        ASSERT_EQ(big[y * FrameWidth * scale + x], background[y / scale * FrameWidth + x / scale])
            << "scale " << scale << " at " << x << ", " << y;
      }
    }
    std::vector<Pixel> bigCapture(big.size()), frame(FramePixels), bigFrame(big.size()), want(big.size());
    ScaleFrame(bigCapture.data(), capture.data(), scale);
    FadeInStep(frame.data(), capture.data(), background.data(), 100);
    ScaleFrame(want.data(), frame.data(), scale);
    for (int part = 0; part < scale * scale; ++part) {
      FadeInStep(bigFrame.data() + part * FramePixels, bigCapture.data() + part * FramePixels,
                 big.data() + part * FramePixels, 100);
    }
    EXPECT_EQ(bigFrame, want) << "scale " << scale;
  }
}

}  // namespace
