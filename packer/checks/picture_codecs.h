// The picture codecs zav-pack converts with, the same in both builds: decoders for PNG, BMP,
// GIF and JPEG of every flavour, and a baseline JPEG writer. Both are header-only libraries
// (Debian's libstb-dev), compiled into this one file, so that no other file sees them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Every pixel as red, green, blue and alpha (255 opaque), rows top-down; the first frame of a
// GIF. False with the decoder's reason when the picture cannot be decoded.
bool DecodePicturePixels(const std::vector<uint8_t>& bytes, int* width, int* height,
                         std::vector<uint8_t>* rgba, std::string* reason);

// `rgb` (width x height, three bytes a pixel) as a baseline JPEG with 8-bit YCbCr samples, not
// subsampled, at the given quality.
std::vector<uint8_t> EncodeBaselineJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality);
