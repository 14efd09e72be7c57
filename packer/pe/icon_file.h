// An .ico file read into the images that the program's icon resource is made of.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One image of an icon: its bytes as the file holds them (a PNG file, or a device-independent
// bitmap without file header: colours, then the transparency mask), and what the icon's group
// directory says of it, taken from the image itself rather than from the file's directory.
struct IconImage {
  uint16_t width = 0;      // 1 to 256
  uint16_t height = 0;     // 1 to 256
  uint8_t colorCount = 0;  // palette entries below 8 bits per pixel, else 0
  uint16_t bitCount = 0;
  std::vector<uint8_t> bytes;
};

constexpr size_t MaxIconImages = 256;

// Reads every image of an .ico file, checking the header, each directory entry's place in the
// file (inside it, past the directory, not overlapping another image) and each image's own
// header (its kind, size and that its pixels fit its bytes). False with `problem` set.
bool ReadIconFile(const std::vector<uint8_t>& icoFile, std::vector<IconImage>* images,
                  std::string* problem);
