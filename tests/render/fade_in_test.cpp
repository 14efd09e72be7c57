#include "render/fade_in.h"

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

}  // namespace
