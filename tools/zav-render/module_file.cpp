#include "tools/zav-render/module_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern "C" const uint8_t ZavRenderSong[];

namespace {

// The image's count is 32 bits, and the loader's positions are signed 32-bit.
const uint64_t MaxModuleFileBytes = 0x7FFFFFFF;

}  // namespace

bool ReadModuleFile(const char* path, std::vector<uint8_t>* image, std::string* reason) {
  struct stat info;
  if (stat(path, &info) != 0) {
    *reason = strerror(errno);
    return false;
  }
  // Devices and pipes could block or never end; a module is a plain file.
  if (!S_ISREG(info.st_mode)) {
    *reason = "not a regular file";
    return false;
  }
  if (uint64_t(info.st_size) > MaxModuleFileBytes) {
    *reason = "file too large for a module";
    return false;
  }
  FILE* file = fopen(path, "rb");
  if (!file) {
    *reason = strerror(errno);
    return false;
  }
  uint32_t count = uint32_t(info.st_size);
  image->assign(4 + size_t(count), 0);
  for (int i = 0; i < 4; ++i) (*image)[i] = uint8_t(count >> (8 * i));
  size_t got = fread(image->data() + 4, 1, count, file);
  bool failed = ferror(file) != 0;
  fclose(file);
  if (failed) {
    *reason = "read error";
    return false;
  }
  // A file that shrank while it was read: the image holds only what was there.
  image->resize(4 + got);
  return true;
}

const uint8_t* EmbeddedSongImage() {
  bool present = ZavRenderSong[0] | ZavRenderSong[1] | ZavRenderSong[2] | ZavRenderSong[3];
  return present ? ZavRenderSong : nullptr;
}
