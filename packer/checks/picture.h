// Checks a picture (--background, --buttons) the way the installer shows it: the platform's
// picture loader decodes baseline JPEG, and the renderer reads exactly the pixels it expects.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "packer/checks/diagnostics.h"

struct PictureShape {
  const char* role;  // "the background", "the install button", ...
  int width;
  int height;
};

constexpr PictureShape BackgroundShape = {"the background", 416, 180};

// The picture's bytes, or empty with a problem added unless it is a baseline JPEG with 8-bit
// samples, three components (YCbCr), exactly the shape's size, that decodes without damage.
// The problem names what is wrong and the ImageMagick command that converts the picture.
std::vector<uint8_t> CheckPicture(const Input& picture, const PictureShape& shape, Diagnostics* diagnostics);

// The command that makes a fitting picture of `file`.
std::string ConversionCommand(const std::string& file, const PictureShape& shape);
