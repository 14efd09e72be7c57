// The libraries' implementations live here, limited to the four formats zav-pack takes.
//
// Both builds must write the same JPEG bytes for the same picture. The decoders count in
// integers (SIMD paths off, so that both builds take the same scalar ones). The writer's colour
// conversion and DCT use float additions and multiplications only, no library maths, and the
// project compiles with -ffp-contract=off: IEEE single precision gives every build the same
// results for those, so the bytes agree.
#include "packer/checks/picture_codecs.h"

#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_FAILURE_USERMSG
// Larger pictures are refused before they are decoded; this keeps the decoder to it as well.
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <climits>
#include <cstring>

namespace {

bool FitsDecoder(const std::vector<uint8_t>& bytes, std::string* reason) {
  if (bytes.size() <= size_t(INT_MAX)) return true;
  *reason = "too large to decode";
  return false;
}

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  const auto* bytes = static_cast<const uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

bool DecodePicturePixels(const std::vector<uint8_t>& bytes, int* width, int* height,
                         std::vector<uint8_t>* rgba, std::string* reason) {
  if (!FitsDecoder(bytes, reason)) return false;
  int components = 0;
  stbi__g_failure_reason = nullptr;  // not every failure names its reason
  stbi_uc* pixels = stbi_load_from_memory(bytes.data(), int(bytes.size()), width, height, &components, 4);
  if (!pixels) {
    *reason = stbi__g_failure_reason ? stbi__g_failure_reason : "it cannot be decoded";
    return false;
  }
  rgba->assign(pixels, pixels + size_t(*width) * size_t(*height) * 4);
  stbi_image_free(pixels);
  return true;
}

std::vector<uint8_t> EncodeBaselineJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality) {
  std::vector<uint8_t> jpeg;
  stbi_write_jpg_to_func(AppendBytes, &jpeg, width, height, 3, rgb.data(), quality);
  return jpeg;
}
