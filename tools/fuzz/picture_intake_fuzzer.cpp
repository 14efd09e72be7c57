// libFuzzer target: any bytes as a picture handed to zav-pack, taken as the background and as
// a button over a backdrop. Built with AddressSanitizer and UndefinedBehaviorSanitizer, so that
// any read or write outside a block, undefined arithmetic or leak is a finding. A picture that
// is taken must come out as a JPEG that decodes to its place's size; one that is not must come
// with a reason.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "packer/checks/picture.h"
#include "packer/checks/picture_formats.h"

namespace {

void Require(bool condition) {
  if (!condition) abort();
}

// Pictures of up to 16,384 pixels a side are taken, but one of that size needs a gigabyte for
// its pixels alone: more than a fuzzer's memory limit, and nothing the small ones do not reach.
bool SmallEnough(const std::vector<uint8_t>& bytes) {
  std::string name;
  int64_t width = 0, height = 0;
  PictureFormat format = IdentifyPicture(bytes, &name);
  // Sides past the largest taken are refused before anything is decoded.
  if (!PictureHeaderSize(bytes, format, &width, &height) || width > PictureMaxSide || height > PictureMaxSide) return true;
  return width * height <= (int64_t(1) << 22);
}

void Take(const std::vector<uint8_t>& bytes, const PicturePlace& place) {
  TakenPicture taken = TakePicture(bytes, place);
  Require(taken.jpeg.empty() != taken.problem.empty());
  if (!taken.jpeg.empty()) Require(PicturePixels(taken.jpeg, place.shape).size() == size_t(place.shape.width) * size_t(place.shape.height) * 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (!SmallEnough(bytes)) return 0;
  Take(bytes, {BackgroundShape, PictureFit::Cover, nullptr});
  std::vector<uint8_t> backdrop(80 * 20 * 3, 0x80);
  Take(bytes, {{"the install button", 80, 20}, size % 2 ? PictureFit::Contain : PictureFit::Stretch, backdrop.data()});
  return 0;
}
