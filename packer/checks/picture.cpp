#include "packer/checks/picture.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

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

// The frame marker (SOFn) that says how the picture is coded: 0xC0 baseline, 0xC2 progressive,
// others extended, lossless or arithmetic. 0 when none comes before the first scan.
int FrameMarker(const std::vector<uint8_t>& b) {
  size_t at = 2;
  while (at + 4 <= b.size() && b[at] == 0xFF) {
    int marker = b[at + 1];
    bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) return marker;
    if (marker == 0xDA) return 0;
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
      at += 2;
      continue;
    }
    at += 2 + (b[at + 2] << 8 | b[at + 3]);
  }
  return 0;
}

// libjpeg reports errors through a callback that must not return: it jumps back to the decode.
// Warnings (corrupt data, a file cut short) count as damage too.
struct ErrorTrap {
  jpeg_error_mgr manager;
  jmp_buf jump;
  bool damaged;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
  ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(info->err);
  info->err->format_message(info, trap->message);
  std::longjmp(trap->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
  ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(info->err);
  if (level < 0 && !trap->damaged) {
    trap->damaged = true;
    info->err->format_message(info, trap->message);
  }
}

struct JpegFacts {
  int width, height, components, precision;
  bool progressive, ycbcr;
};

// Reads the header and, with `decode`, every scan line. False, with libjpeg's message in
// `trap`, for a file it cannot read or finds damaged. No C++ object lives in this frame, so the
// jump back from OnError skips no destructor.
bool ReadJpeg(const std::vector<uint8_t>& bytes, bool decode, JpegFacts* facts,
              ErrorTrap* trap) {
  jpeg_decompress_struct info;
  info.err = jpeg_std_error(&trap->manager);
  trap->manager.error_exit = OnError;
  trap->manager.emit_message = OnMessage;
  trap->damaged = false;
  if (setjmp(trap->jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  *facts = {int(info.image_width), int(info.image_height), info.num_components, info.data_precision,
            info.progressive_mode != 0, info.jpeg_color_space == JCS_YCbCr};
  if (decode) {
    jpeg_start_decompress(&info);
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * info.output_components, 1);
    while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, row, 1);
    jpeg_finish_decompress(&info);
  }
  jpeg_destroy_decompress(&info);
  return !trap->damaged;
}

// What keeps the picture from being shown as it is; empty when nothing does.
std::string Unfit(const JpegFacts& facts, int frameMarker, const PictureShape& shape) {
  std::string unfit;
  auto add = [&unfit](const std::string& what) { unfit += (unfit.empty() ? "" : ", ") + what; };
  if (facts.progressive) add("progressive");
  else if (frameMarker != 0xC0) add("not baseline-coded");
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
  JpegFacts facts = {};
  ErrorTrap trap;
  // The whole picture is decoded only once its header fits: a wrong one is refused anyway.
  bool readable = ReadJpeg(bytes, false, &facts, &trap);
  std::string unfit = readable ? Unfit(facts, FrameMarker(bytes), shape) : "";
  if (readable && unfit.empty()) readable = ReadJpeg(bytes, true, &facts, &trap);
  if (!readable) unfit = std::string("damaged (") + trap.message + ")";
  if (!unfit.empty()) {
    diagnostics->Problem(picture, "is a JPEG that is " + unfit + needed);
    return {};
  }
  return bytes;
}
