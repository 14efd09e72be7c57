#include "packer/checks/picture.h"

#include "packer/checks/picture_codecs.h"
#include "packer/checks/picture_decoder.h"
#include "packer/checks/picture_formats.h"

namespace {

const uint64_t PictureMaxBytes = uint64_t(256) << 20;
// About what an image editor's "high quality" gives: no visible loss at this size.
const int JpegQuality = 92;

// True for a JPEG the installer can show as it is: baseline, 8-bit YCbCr, exactly the place's size.
bool FitsAsItIs(const JpegFacts& facts, const PictureShape& shape) {
  return facts.frameMarker == 0xC0 && facts.precision == 8 && facts.components == 3 && facts.ycbcr &&
         facts.width == shape.width && facts.height == shape.height;
}

// "PNG", "progressive JPEG", "CMYK JPEG"... for the note.
std::string KindOf(PictureFormat format, const std::vector<uint8_t>& bytes) {
  if (format == PictureFormat::Png) return "PNG";
  if (format == PictureFormat::Bmp) return "BMP";
  if (format == PictureFormat::Gif) return "GIF";
  JpegFacts facts = ReadJpegHeaders(bytes);
  if (facts.components == 1) return "grey-scale JPEG";
  if (facts.components == 4) return "CMYK JPEG";
  return facts.frameMarker == 0xC2 ? "progressive JPEG" : "JPEG";
}

bool HasTransparency(const std::vector<uint8_t>& rgba) {
  for (size_t i = 3; i < rgba.size(); i += 4) {
    if (rgba[i] != 255) return true;
  }
  return false;
}

// The JPEG as the installer will read it: the headers it needs, and a whole decode by the
// decoder of this system (libjpeg, or the platform's picture loader).
std::string ReadBackProblem(const std::vector<uint8_t>& jpeg, const PictureShape& shape) {
  JpegFacts facts = ReadJpegHeaders(jpeg);
  std::string damage;
  if (!FitsAsItIs(facts, shape)) return "not a baseline JPEG of its place's size";
  if (!facts.ended) return "damaged: cut short (it has no end marker)";
  if (!DecodesWhole(jpeg, &damage)) return "damaged (" + damage + ")";
  return "";
}

TakenPicture Refused(const std::string& problem) {
  TakenPicture taken;
  taken.problem = problem;
  return taken;
}

TakenPicture Convert(const std::vector<uint8_t>& bytes, PictureFormat format, const PicturePlace& place) {
  const PictureShape& shape = place.shape;
  int64_t headerWidth = 0, headerHeight = 0;
  if (!PictureHeaderSize(bytes, format, &headerWidth, &headerHeight))
    return Refused("is damaged: its headers end before its size");
  std::string size = std::to_string(headerWidth) + " x " + std::to_string(headerHeight);
  if (headerWidth <= 0 || headerHeight <= 0) return Refused("has no pixels (" + size + ")");
  if (headerWidth > PictureMaxSide || headerHeight > PictureMaxSide)
    return Refused("is " + size + " pixels; at most 16,384 a side are taken: make it smaller first");
  std::string reason, damage = PictureDamage(bytes, format);
  if (!damage.empty()) return Refused("is damaged: " + damage);
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  if (!DecodePicturePixels(bytes, &width, &height, &rgba, &reason)) return Refused("is damaged: " + reason);
  if (width != headerWidth || height != headerHeight) return Refused("is damaged: its size is given two ways");
  FitPlan plan = PlanFit(width, height, shape.width, shape.height, place.fit);
  TakenPicture taken;
  taken.jpeg = EncodeBaselineJpeg(FitPixels(rgba, width, height, plan, shape.width, shape.height, place.backdrop),
                                  shape.width, shape.height, JpegQuality);
  std::string problem = ReadBackProblem(taken.jpeg, shape);
  if (!problem.empty()) return Refused("was converted, but the result is " + problem + " (a fault in zav-pack)");
  taken.note = size + " " + KindOf(format, bytes) + " ";
  if (width == shape.width && height == shape.height) {
    taken.note += "written as a baseline JPEG";
  } else {
    taken.note += DescribeFit(plan, shape.width, shape.height, place.fit);
  }
  if (HasTransparency(rgba))
    taken.note += place.backdrop ? ", its transparent pixels showing the background" : ", its transparent pixels black";
  return taken;
}

}  // namespace

TakenPicture TakePicture(const std::vector<uint8_t>& bytes, const PicturePlace& place) {
  std::string name;
  PictureFormat format = IdentifyPicture(bytes, &name);
  if (format == PictureFormat::Other) return Refused("is " + name + "; give a PNG, BMP, GIF or JPEG picture");
  if (format == PictureFormat::Jpeg && FitsAsItIs(ReadJpegHeaders(bytes), place.shape)) {
    // Taken byte for byte, as long as it is whole.
    std::string problem = ReadBackProblem(bytes, place.shape);
    if (!problem.empty()) return Refused("is a JPEG that is " + problem);
    TakenPicture taken;
    taken.jpeg = bytes;
    return taken;
  }
  return Convert(bytes, format, place);
}

std::vector<uint8_t> CheckPicture(const Input& picture, const PicturePlace& place, std::vector<std::string>* notes,
                                  Diagnostics* diagnostics) {
  std::vector<uint8_t> bytes;
  if (!ReadInputFile(picture, PictureMaxBytes, &bytes, diagnostics)) return {};
  TakenPicture taken = TakePicture(bytes, place);
  if (!taken.problem.empty()) {
    diagnostics->Problem(picture, taken.problem);
    return {};
  }
  if (!taken.note.empty()) notes->push_back(picture.Named() + ": " + taken.note);
  return taken.jpeg;
}

std::vector<uint8_t> PicturePixels(const std::vector<uint8_t>& jpeg, const PictureShape& shape) {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba, rgb;
  std::string reason;
  if (!PictureDamage(jpeg, PictureFormat::Jpeg).empty() || !DecodePicturePixels(jpeg, &width, &height, &rgba, &reason) ||
      width != shape.width || height != shape.height)
    return {};
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), rgba.begin() + long(i), rgba.begin() + long(i) + 3);
  return rgb;
}
