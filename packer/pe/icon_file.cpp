#include "packer/pe/icon_file.h"

#include <algorithm>

#include "packer/byte_order.h"

namespace {

constexpr size_t IconHeaderSize = 6;
constexpr size_t IconEntrySize = 16;
constexpr uint16_t IconType = 1;
constexpr uint16_t CursorType = 2;
constexpr uint32_t MaxIconSide = 256;

constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr size_t PngHeaderEnd = 8 + 8 + 13;  // signature, IHDR length and type, IHDR fields
constexpr size_t BitmapHeaderSize = 40;      // BITMAPINFOHEADER; later versions only add to it

struct ImagePlace {
  uint32_t offset;
  uint32_t size;
  size_t index;
};

std::string ImageProblem(size_t index, const char* text) {
  return "image " + std::to_string(index + 1) + " of the icon " + text;
}

uint32_t ReadBigU32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
         bytes[at + 3];
}

bool SideFits(uint64_t side) { return side >= 1 && side <= MaxIconSide; }

bool IsPng(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= sizeof PngSignature &&
         std::equal(PngSignature, PngSignature + sizeof PngSignature, bytes.begin());
}

// Bits per pixel of a PNG image by its colour type: grey, -, RGB, palette, grey with alpha,
// -, RGB with alpha.
constexpr uint8_t PngChannels[7] = {1, 0, 3, 1, 2, 0, 4};

const char* ReadPngHeader(IconImage* image) {
  const std::vector<uint8_t>& bytes = image->bytes;
  if (bytes.size() < PngHeaderEnd || ReadBigU32(bytes, 8) != 13 ||
      !std::equal(bytes.begin() + 12, bytes.begin() + 16, "IHDR"))
    return "is a PNG image without its header";
  uint32_t width = ReadBigU32(bytes, 16), height = ReadBigU32(bytes, 20);
  uint8_t bitDepth = bytes[24], colorType = bytes[25];
  if (!SideFits(width) || !SideFits(height)) return "is not between 1 x 1 and 256 x 256 pixels";
  if (colorType >= sizeof PngChannels || PngChannels[colorType] == 0 || bitDepth == 0 ||
      bitDepth > 16)
    return "is a PNG image of an unknown colour type";
  image->width = uint16_t(width);
  image->height = uint16_t(height);
  image->bitCount = uint16_t(bitDepth * PngChannels[colorType]);
  return nullptr;
}

// An icon's bitmap holds the colour rows and then a 1-bit transparency mask, so its header
// gives twice the image's height.
const char* ReadBitmapHeader(IconImage* image) {
  const std::vector<uint8_t>& bytes = image->bytes;
  if (bytes.size() < BitmapHeaderSize || ReadU32(bytes, 0) < BitmapHeaderSize ||
      ReadU32(bytes, 0) > bytes.size())
    return "is neither a PNG image nor a bitmap";
  int32_t width = int32_t(ReadU32(bytes, 4)), doubleHeight = int32_t(ReadU32(bytes, 8));
  uint16_t planes = ReadU16(bytes, 12), bitCount = ReadU16(bytes, 14);
  if (!SideFits(width) || doubleHeight % 2 != 0 || !SideFits(doubleHeight / 2))
    return "is not between 1 x 1 and 256 x 256 pixels";
  static const uint16_t depths[] = {1, 4, 8, 16, 24, 32};
  if (planes != 1 ||
      std::find(std::begin(depths), std::end(depths), bitCount) == std::end(depths) ||
      ReadU32(bytes, 16) != 0)
    return "is a bitmap of a kind icons do not use";
  uint64_t paletteEntries = ReadU32(bytes, 32);
  if (paletteEntries == 0 && bitCount <= 8) paletteEntries = 1u << bitCount;
  if (bitCount <= 8 && paletteEntries > (1u << bitCount)) return "has a palette too large for it";
  uint64_t height = uint64_t(doubleHeight / 2);
  uint64_t colorRow = (uint64_t(width) * bitCount + 31) / 32 * 4;
  uint64_t maskRow = (uint64_t(width) + 31) / 32 * 4;
  uint64_t needed = ReadU32(bytes, 0) + 4 * paletteEntries + (colorRow + maskRow) * height;
  if (needed > bytes.size()) return "is shorter than its pixels";
  image->width = uint16_t(width);
  image->height = uint16_t(height);
  image->bitCount = bitCount;
  image->colorCount = bitCount < 8 ? uint8_t(1u << bitCount) : 0;
  return nullptr;
}

bool ReadDirectory(const std::vector<uint8_t>& file, std::vector<ImagePlace>* places,
                   std::string* problem) {
  if (file.size() < IconHeaderSize || ReadU16(file, 0) != 0 ||
      (ReadU16(file, 2) != IconType && ReadU16(file, 2) != CursorType)) {
    *problem = "not an icon file (no icon header)";
    return false;
  }
  size_t count = ReadU16(file, 4);
  const char* text = ReadU16(file, 2) == CursorType ? "a cursor file, not an icon"
                     : count == 0                   ? "the icon holds no images"
                     : count > MaxIconImages        ? "the icon holds more than 256 images"
                     : !RangeFits(IconHeaderSize, IconEntrySize * count, file.size())
                         ? "the icon's directory is cut short"
                         : nullptr;
  if (text) {
    *problem = text;
    return false;
  }
  size_t directoryEnd = IconHeaderSize + IconEntrySize * count;
  for (size_t index = 0; index < count; ++index) {
    size_t entry = IconHeaderSize + IconEntrySize * index;
    ImagePlace place{ReadU32(file, entry + 12), ReadU32(file, entry + 8), index};
    const char* misplaced = place.offset < directoryEnd ? "lies inside the icon's directory"
                            : place.size == 0 || !RangeFits(place.offset, place.size, file.size())
                                ? "lies outside the file"
                                : nullptr;
    if (misplaced) {
      *problem = ImageProblem(index, misplaced);
      return false;
    }
    places->push_back(place);
  }
  return true;
}

bool CheckNoOverlap(std::vector<ImagePlace> places, std::string* problem) {
  std::sort(places.begin(), places.end(),
            [](const ImagePlace& a, const ImagePlace& b) { return a.offset < b.offset; });
  for (size_t i = 1; i < places.size(); ++i) {
    if (uint64_t(places[i - 1].offset) + places[i - 1].size > places[i].offset) {
      size_t first = std::min(places[i - 1].index, places[i].index);
      size_t second = std::max(places[i - 1].index, places[i].index);
      *problem = ImageProblem(first, "overlaps image ") + std::to_string(second + 1);
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadIconFile(const std::vector<uint8_t>& icoFile, std::vector<IconImage>* images,
                  std::string* problem) {
  std::vector<ImagePlace> places;
  if (!ReadDirectory(icoFile, &places, problem) || !CheckNoOverlap(places, problem)) return false;
  std::vector<IconImage> read;
  for (const ImagePlace& place : places) {
    IconImage image;
    image.bytes.assign(icoFile.begin() + place.offset, icoFile.begin() + place.offset + place.size);
    const char* text = IsPng(image.bytes) ? ReadPngHeader(&image) : ReadBitmapHeader(&image);
    if (text) {
      *problem = ImageProblem(place.index, text);
      return false;
    }
    read.push_back(std::move(image));
  }
  images->swap(read);
  return true;
}
