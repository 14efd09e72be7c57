// The picture formats zav-pack takes, told by their first bytes, and whether a file holds the
// whole of its first picture: the decoders read a file cut short as if zeros followed, so a cut
// is found here, by walking each format's structure to its end (and what would overrun the
// decoders' tables with it).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class PictureFormat { Jpeg, Png, Bmp, Gif, Other };

// The format, and its name for messages ("a TIFF picture" for formats that are not taken).
PictureFormat IdentifyPicture(const std::vector<uint8_t>& bytes, std::string* name);

// The size its headers give, before anything is decoded; false when they end too soon.
bool PictureHeaderSize(const std::vector<uint8_t>& bytes, PictureFormat format, int64_t* width, int64_t* height);

// Empty when the file holds its whole first picture, in a structure the decoders can follow;
// else what is wrong ("cut short (it has no end marker)").
std::string PictureDamage(const std::vector<uint8_t>& bytes, PictureFormat format);

// What the JPEG headers before the first scan say: the frame (SOFn) marker that tells how the
// picture is coded (0xC0 baseline, 0xC2 progressive, others extended, lossless or arithmetic; 0
// when none comes before the first scan), its precision, size and components, and whether its
// colour is YCbCr, as a JPEG decoder guesses it: RGB when an Adobe marker says "no transform" or
// the components are named R, G, B.
struct JpegFacts {
  int frameMarker = 0;
  int width = 0, height = 0, components = 0, precision = 0;
  bool ycbcr = true;
  bool ended = false;  // an end-of-image marker follows the first scan
};
JpegFacts ReadJpegHeaders(const std::vector<uint8_t>& bytes);
