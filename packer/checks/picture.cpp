#include "packer/checks/picture.h"

#include <cstring>

#include "packer/checks/picture_decoder.h"

namespace {

const uint64_t PictureMaxBytes = uint64_t(256) << 20;

// Pictures of other formats, told by their first bytes.
struct Signature {
  const char* format;
  size_t offset;
  const char* bytes;
  size_t length;
};
const Signature OtherFormats[] = {
    {"a PNG picture", 0, "\x89PNG\r\n\x1A\n", 8}, {"a GIF picture", 0, "GIF8", 4},
    {"a BMP picture", 0, "BM", 2},                {"a WebP picture", 8, "WEBP", 4},
    {"a TIFF picture", 0, "II*\0", 4},            {"a TIFF picture", 0, "MM\0*", 4},
};

const char* OtherFormat(const std::vector<uint8_t>& bytes) {
  for (const Signature& signature : OtherFormats) {
    if (bytes.size() >= signature.offset + signature.length &&
        std::memcmp(bytes.data() + signature.offset, signature.bytes, signature.length) == 0)
      return signature.format;
  }
  return nullptr;
}

// What the headers before the first scan say: the frame (SOFn) marker that tells how the picture
// is coded (0xC0 baseline, 0xC2 progressive, others extended, lossless or arithmetic; 0 when
// none comes before the first scan), its precision, size and components, and whether its colour
// is YCbCr, as a JPEG decoder guesses it: RGB when an Adobe marker says "no transform" or the
// components are named R, G, B.
struct JpegFacts {
  int frameMarker = 0;
  int width = 0, height = 0, components = 0, precision = 0;
  bool ycbcr = true;
  bool ended = false;  // an end-of-image marker follows the first scan
};

bool IsFrameMarker(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

JpegFacts ReadJpegHeaders(const std::vector<uint8_t>& b) {
  JpegFacts facts;
  size_t at = 2;
  while (at + 4 <= b.size() && b[at] == 0xFF) {
    int marker = b[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
      at += 2;
      continue;
    }
    size_t length = size_t(b[at + 2] << 8 | b[at + 3]);
    const uint8_t* field = b.data() + at + 4;
    bool whole = at + 2 + length <= b.size();
    if (IsFrameMarker(marker) && !facts.frameMarker && whole && length >= 8) {
      facts.frameMarker = marker;
      facts.precision = field[0];
      facts.height = field[1] << 8 | field[2];
      facts.width = field[3] << 8 | field[4];
      facts.components = field[5];
      if (facts.components == 3 && length >= 8 + 9 && field[6] == 'R' && field[9] == 'G' && field[12] == 'B')
        facts.ycbcr = false;
    }
    if (marker == 0xEE && whole && length >= 14 && std::memcmp(field, "Adobe", 5) == 0 && field[11] == 0)
      facts.ycbcr = false;
    if (marker == 0xDA) {
      // In the coded data a 0xFF is followed by a 0 or a restart marker; the first 0xFF 0xD9
      // after the scan starts is the end of the image (or of a last scan).
      for (size_t i = at + 2; i + 1 < b.size() && !facts.ended; ++i) facts.ended = b[i] == 0xFF && b[i + 1] == 0xD9;
      return facts;
    }
    at += 2 + length;
  }
  return facts;
}

// What keeps the picture from being shown as it is; empty when nothing does.
std::string Unfit(const JpegFacts& facts, const PictureShape& shape) {
  if (!facts.frameMarker) return "damaged (it has no frame header before its first scan)";
  std::string unfit;
  auto add = [&unfit](const std::string& what) { unfit += (unfit.empty() ? "" : ", ") + what; };
  if (facts.frameMarker == 0xC2) add("progressive");
  else if (facts.frameMarker != 0xC0) add("not baseline-coded");
  if (facts.precision != 8) add(std::to_string(facts.precision) + "-bit");
  if (facts.components == 1) add("grey-scale");
  else if (facts.components == 4) add("CMYK");
  else if (facts.components != 3 || !facts.ycbcr) add("not YCbCr colour");
  if (facts.width != shape.width || facts.height != shape.height)
    add(std::to_string(facts.width) + " x " + std::to_string(facts.height) + " pixels");
  return unfit;
}

}  // namespace

std::string ConversionCommand(const std::string& file, const PictureShape& shape) {
  std::string size = std::to_string(shape.width) + "x" + std::to_string(shape.height);
  size_t slash = file.rfind('/');
  size_t dot = file.rfind('.');
  std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? file.substr(0, dot) : file;
  return "convert " + ShellQuoted(file) + " -resize " + size + "! -strip -interlace none -colorspace sRGB "
         "-type TrueColor -quality 92 " + ShellQuoted(stem + "-" + size + ".jpg");
}

std::vector<uint8_t> CheckPicture(const Input& picture, const PictureShape& shape, Diagnostics* diagnostics) {
  std::vector<uint8_t> bytes;
  if (!ReadInputFile(picture, PictureMaxBytes, &bytes, diagnostics)) return {};
  std::string needed = std::string("; ") + shape.role + " must be a baseline JPEG of " +
                       std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                       " pixels in colour; convert it: " + ConversionCommand(picture.value, shape);
  bool jpeg = bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
  if (!jpeg) {
    const char* format = OtherFormat(bytes);
    diagnostics->Problem(picture, std::string("is ") + (format ? format : "not a JPEG picture") + needed);
    return {};
  }
  JpegFacts facts = ReadJpegHeaders(bytes);
  // The whole picture is decoded only once its headers fit: a wrong one is refused anyway.
  std::string unfit = Unfit(facts, shape), damage;
  if (unfit.empty() && !facts.ended) unfit = "damaged (cut short: it has no end marker)";
  if (unfit.empty() && !DecodesWhole(bytes, &damage)) unfit = "damaged (" + damage + ")";
  if (!unfit.empty()) {
    diagnostics->Problem(picture, "is a JPEG that is " + unfit + needed);
    return {};
  }
  return bytes;
}
