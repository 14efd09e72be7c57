// zav-render: looks at XM modules the way the music player loads them.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "music/module_loader.h"
#include "tools/zav-render/info.h"
#include "tools/zav-render/module_file.h"

namespace {

const int ExitLoaded = 0;
const int ExitRefused = 2;
const int ExitUsage = 64;

const char Usage[] =
    "usage: zav-render --info [FILE.xm]\n"
    "       zav-render --help\n"
    "\n"
    "  --info [FILE.xm]  load FILE.xm as the music player loads it and print its summary:\n"
    "                    song length, restart position, channels, patterns, instruments,\n"
    "                    samples, frequency table, default speed and BPM. Without FILE.xm\n"
    "                    the song built into this tool is used.\n"
    "  --help            print this text.\n"
    "\n"
    "exit status: 0 the module loaded; 2 it was refused or could not be read (the reason is\n"
    "one line on standard error); 64 the command line was not understood.\n";

int Refused(const char* source, const char* reason) {
  fprintf(stderr, "zav-render: %s: %s\n", source, reason);
  return ExitRefused;
}

int RunInfo(const char* path) {
  std::vector<uint8_t> image;
  Module* module;
  const char* source = path ? path : "embedded song";
  if (path) {
    std::string reason;
    if (!ReadModuleFile(path, &image, &reason)) return Refused(source, reason.c_str());
    module = LoadModuleImage(image.data(), image.size());
  } else {
    const uint8_t* song = EmbeddedSongImage();
    if (!song) {
      fprintf(stderr, "zav-render: no embedded song in this build\n");
      return ExitRefused;
    }
    module = LoadModule(song);
  }
  if (!module) return Refused(source, LoadFailureText(ModuleLoadFailure));
  PrintSummary(stdout, source, SummarizeModule(module));
  FreeModule(module);
  return ExitLoaded;
}

int WrongUsage(const char* what) {
  fprintf(stderr, "zav-render: %s\n%s", what, Usage);
  return ExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return WrongUsage("nothing to do");
  if (strcmp(argv[1], "--help") == 0 && argc == 2) {
    fputs(Usage, stdout);
    return 0;
  }
  if (strcmp(argv[1], "--info") == 0 && argc <= 3) return RunInfo(argc == 3 ? argv[2] : nullptr);
  return WrongUsage("unknown arguments");
}
