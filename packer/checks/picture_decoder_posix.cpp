// The whole decode on Linux: libjpeg, every scan line, its warnings (corrupt data, a file cut
// short) counted as damage too.
#include <cstdio>  // before jpeglib.h, which uses FILE and size_t

#include <jpeglib.h>

#include <csetjmp>

#include "packer/checks/picture_decoder.h"

namespace {

// libjpeg reports errors through a callback that must not return: it jumps back to the decode.
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

// No C++ object lives in this frame, so the jump back from OnError skips no destructor.
bool Decode(const std::vector<uint8_t>& bytes, ErrorTrap* trap) {
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
  jpeg_start_decompress(&info);
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                             info.output_width * info.output_components, 1);
  while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, row, 1);
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return !trap->damaged;
}

}  // namespace

bool DecodesWhole(const std::vector<uint8_t>& jpeg, std::string* damage) {
  ErrorTrap trap;
  if (Decode(jpeg, &trap)) return true;
  *damage = trap.message;
  return false;
}
