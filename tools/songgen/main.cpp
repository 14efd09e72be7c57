// zav-songgen: writes the program's theme as an Extended Module.
//   zav-songgen [output]      (default: assets/music/song.xm)
#include <cstdio>
#include <string>

#include "tools/songgen/song.h"
#include "tools/xmwriter/xm_writer.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: %s [output.xm]\n", argv[0]);
    return 2;
  }
  std::string output = argc == 2 ? argv[1] : "assets/music/song.xm";
  xmw::Module module;
  std::string error;
  if (!songgen::BuildSong(&module, &error)) {
    std::fprintf(stderr, "zav-songgen: the score is broken: %s\n", error.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes = xmw::WriteModule(module);
  if (!xmw::WriteFileAtomically(output, bytes, &error)) {
    std::fprintf(stderr, "zav-songgen: %s\n", error.c_str());
    return 1;
  }
  std::printf("zav-songgen: wrote %s (%zu bytes)\n", output.c_str(), bytes.size());
  return 0;
}
