#include "render/button_fade.h"

#include <gtest/gtest.h>

#include "tests/render/pixels.h"

namespace {

unsigned ReferenceBlendByte(unsigned p, unsigned b, unsigned level) {
  if (p < b) return p + (b - p) * level / 30;
  if (p > b) return p - (p - b) * level / 30;
  return p;
}

// The whole frame as it should be after blending picture into button's area at level.
std::vector<Pixel> ReferenceFade(const std::vector<Pixel>& frame,
                                 const std::vector<Pixel>& picture, int button, unsigned level) {
  std::vector<Pixel> want = frame;
  for (int r = 0; r < ButtonHeight; ++r) {
    for (int x = 0; x < ButtonWidth; ++x) {
      Pixel& target = want[(ButtonTop + r) * FrameWidth + ButtonLeft[button] + x];
      Pixel source = picture[r * ButtonWidth + x];
      Pixel blended = 0;
      for (int k = 0; k < 4; ++k)
        blended |= ReferenceBlendByte(ByteOf(source, k), ByteOf(target, k), level) << (8 * k);
      target = blended;
    }
  }
  return want;
}

// Calls FadeButton so that the level it blends with is exactly level.
void FadeAtLevel(int button, unsigned level, std::vector<Pixel>& frame,
                 const std::vector<Pixel>& picture) {
  bool atTop = level == HalfFadeLevel;
  FadeLevel[button] = static_cast<uint8_t>(atTop ? level : level + 1);
  FadeButton(button, atTop ? 0 : static_cast<uint8_t>(button + 1), frame.data(), picture.data());
  ASSERT_EQ(FadeLevel[button], level);
}

class ButtonFade : public ::testing::Test {
 protected:
  void SetUp() override {
    FadeLevel[1] = SolidFadeLevel;
    ResetButtonFades();
    for (uint8_t level : FadeLevel) ASSERT_EQ(level, HalfFadeLevel);
  }
  std::mt19937 random{3};
};

TEST_F(ButtonFade, EveryBytePairAtEveryLevelMatchesTheTruncatingDivision) {
  // All 65,536 (picture, frame) byte pairs, 6,400 bytes of one button area at a time; the
  // equal pairs among them must stay as they are at every level.
  constexpr int AreaBytes = ButtonWidth * ButtonHeight * 4;
  for (unsigned level = 0; level <= HalfFadeLevel; ++level) {
    for (unsigned first = 0; first < 65536; first += AreaBytes) {
      std::vector<Pixel> frame = RandomPixels(FramePixels, random);
      std::vector<Pixel> picture(ButtonWidth * ButtonHeight);
      for (int n = 0; n < AreaBytes; ++n) {
        unsigned pair = (first + n) & 0xFFFF;
        int pixel = n / 4, shift = 8 * (n % 4);
        int r = pixel / ButtonWidth, x = pixel % ButtonWidth;
        picture[pixel] = (picture[pixel] & ~(0xFFu << shift)) | (pair >> 8) << shift;
        Pixel& target = frame[(ButtonTop + r) * FrameWidth + ButtonLeft[1] + x];
        target = (target & ~(0xFFu << shift)) | (pair & 0xFF) << shift;
      }
      std::vector<Pixel> want = ReferenceFade(frame, picture, 1, level);
      FadeAtLevel(1, level, frame, picture);
      long at = FirstDifference(frame, want);
      ASSERT_EQ(at, -1) << "level " << level << " pixel " << at << std::hex << ": got "
                        << frame[at] << ", want " << want[at];
    }
  }
}

TEST_F(ButtonFade, SolidShowsThePictureAndHalfMeetsTheFrameHalfWay) {
  for (int button = 0; button < ButtonCount; ++button) {
    std::vector<Pixel> frame(FramePixels, MakePixel(200, 0, 101, 50));
    std::vector<Pixel> picture(ButtonWidth * ButtonHeight, MakePixel(0, 200, 100, 51));
    std::vector<Pixel> solid = frame;
    FadeAtLevel(button, SolidFadeLevel, solid, picture);
    std::vector<Pixel> half = frame;
    FadeAtLevel(button, HalfFadeLevel, half, picture);
    int inside = ButtonTop * FrameWidth + ButtonLeft[button];
    int lastInside = inside + (ButtonHeight - 1) * FrameWidth + ButtonWidth - 1;
    EXPECT_EQ(solid[inside], picture[0]);
    EXPECT_EQ(solid[lastInside], picture[0]);
    // Half the difference, truncated toward the picture's byte: 100 + 1/2 stays 100, and
    // 51 - 1/2 stays 51.
    EXPECT_EQ(half[inside], MakePixel(100, 100, 100, 51));
    EXPECT_EQ(half[lastInside], MakePixel(100, 100, 100, 51));
    // Nothing outside the button's 80 x 20 area changes.
    for (int i : {inside - 1, inside - FrameWidth, lastInside + 1, lastInside + FrameWidth}) {
      EXPECT_EQ(solid[i], frame[i]) << i;
      EXPECT_EQ(half[i], frame[i]) << i;
    }
  }
}

TEST_F(ButtonFade, LevelsStepOncePerFrameTowardTheirEnds) {
  std::vector<Pixel> frame(FramePixels);
  std::vector<Pixel> picture(ButtonWidth * ButtonHeight);
  auto frameWith = [&](uint8_t hot) {
    for (int button = 0; button < ButtonCount; ++button)
      FadeButton(button, hot, frame.data(), picture.data());
  };
  // First frame with the mouse on Info: only Info leaves 15.
  frameWith(2);
  EXPECT_EQ(FadeLevel[0], 15);
  EXPECT_EQ(FadeLevel[1], 14);
  EXPECT_EQ(FadeLevel[2], 15);
  // Fifteen frames on Install make it solid, and it stays solid.
  for (int n = 0; n < 20; ++n) frameWith(1);
  EXPECT_EQ(FadeLevel[0], 0);
  EXPECT_EQ(FadeLevel[1], 15);
  // Moving to Exit: Install rises while Exit falls, one step each per frame.
  for (int n = 1; n <= 5; ++n) {
    frameWith(3);
    EXPECT_EQ(FadeLevel[0], n);
    EXPECT_EQ(FadeLevel[2], 15 - n);
  }
  // No button under the mouse: all rise to 15 and stop there.
  for (int n = 0; n < 20; ++n) frameWith(0);
  for (uint8_t level : FadeLevel) EXPECT_EQ(level, 15);
}

TEST_F(ButtonFade, UnknownButtonOrLevelIsHandledSafely) {
  std::vector<Pixel> frame = RandomPixels(FramePixels, random);
  std::vector<Pixel> picture = RandomPixels(ButtonWidth * ButtonHeight, random);
  std::vector<Pixel> before = frame;
  FadeButton(-1, 0, frame.data(), picture.data());
  FadeButton(ButtonCount, 0, frame.data(), picture.data());
  EXPECT_EQ(FirstDifference(frame, before), -1);
  for (uint8_t level : FadeLevel) EXPECT_EQ(level, 15);
  // A level out of range is brought back to 15 before it is used.
  FadeLevel[0] = 200;
  FadeButton(0, 0, frame.data(), picture.data());
  EXPECT_EQ(FadeLevel[0], 15);
  EXPECT_EQ(FirstDifference(frame, ReferenceFade(before, picture, 0, 15)), -1);
}

}  // namespace
