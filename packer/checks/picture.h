// Takes a picture (--background, --buttons) as the installer shows it: a baseline JPEG of
// exactly its place's size, which the platform's picture loader decodes. One that is that
// already is taken byte for byte; any other PNG, BMP, GIF or JPEG is fitted to its place and
// written as one.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "packer/checks/diagnostics.h"
#include "packer/checks/picture_fit.h"

struct PictureShape {
  const char* role;  // "the background", "the install button", ...
  int width;
  int height;
};

constexpr PictureShape BackgroundShape = {"the background", 416, 180};
constexpr int PictureMaxSide = 16384;

// Where a picture goes: its place, how it is fitted, and the pixels it lies over (the place's
// size, three bytes each; null for black), which its transparent pixels show.
struct PicturePlace {
  PictureShape shape;
  PictureFit fit;
  const uint8_t* backdrop;
};

// What became of a picture's bytes: the JPEG to carry and, when it was converted, what was done
// ("800 x 600 PNG scaled to 416 x 312 and 66 rows cut top and bottom"); or the problem.
struct TakenPicture {
  std::vector<uint8_t> jpeg;
  std::string note, problem;
};
TakenPicture TakePicture(const std::vector<uint8_t>& bytes, const PicturePlace& place);

// The same for a file: its JPEG, the note (if any) added to `notes`; or empty with a problem.
std::vector<uint8_t> CheckPicture(const Input& picture, const PicturePlace& place, std::vector<std::string>* notes,
                                  Diagnostics* diagnostics);

// The pixels of a JPEG that TakePicture gave (or of one of the project's own), three bytes
// each, as the buttons' backdrop; empty when it does not decode to the shape's size.
std::vector<uint8_t> PicturePixels(const std::vector<uint8_t>& jpeg, const PictureShape& shape);
