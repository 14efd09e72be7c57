// Fitting a picture of any size to its place in the installer's window, in integers only, so
// that both builds of zav-pack compute the same pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class PictureFit { Cover, Contain, Stretch };

// Where the scaled picture lies in the place: its size, and the place's first column and row in
// it (positive: cut away; negative: a black border before it).
struct FitPlan {
  int scaledWidth, scaledHeight;
  int cutLeft, cutTop;
};

// Cover scales the picture to fill the place and cuts what stands out, centred; contain scales
// it to fit inside and borders it with black; stretch scales each side to the place's.
FitPlan PlanFit(int width, int height, int placeWidth, int placeHeight, PictureFit fit);

// What the plan does, for the report: "scaled to 416 x 312 and 66 rows cut top and bottom".
std::string DescribeFit(const FitPlan& plan, int placeWidth, int placeHeight, PictureFit fit);

// The picture (`rgba`, straight alpha) resampled with a tent filter as wide as the scale
// (bilinear when it grows) and laid over `backdrop` (the place's pixels, three bytes each; null
// for black): the place's pixels, three bytes each, rows top-down.
std::vector<uint8_t> FitPixels(const std::vector<uint8_t>& rgba, int width, int height, const FitPlan& plan,
                               int placeWidth, int placeHeight, const uint8_t* backdrop);
