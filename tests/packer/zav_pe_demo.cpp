// Builds an installer image from files, for the tests that read it back with other tools.
//   zav-pe-demo STUB DATA OUT [ICO]
#include <cstdio>

#include "tests/support/testdata.h"
#include "packer/pe/installer_image.h"

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: zav-pe-demo STUB DATA OUT [ICO]\n");
    return 2;
  }
  std::vector<uint8_t> icon = argc == 5 ? zavtest::ReadFileBytes(argv[4]) : std::vector<uint8_t>();
  std::vector<uint8_t> image;
  std::string error;
  if (!BuildInstallerImage(zavtest::ReadFileBytes(argv[1]), zavtest::ReadFileBytes(argv[2]),
                           argc == 5 ? &icon : nullptr, &image, &error)) {
    std::fprintf(stderr, "zav-pe-demo: %s\n", error.c_str());
    return 1;
  }
  FILE* out = std::fopen(argv[3], "wb");
  if (!out || std::fwrite(image.data(), 1, image.size(), out) != image.size() ||
      std::fclose(out) != 0) {
    std::fprintf(stderr, "zav-pe-demo: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
