// zav-render: renders XM modules as the music player plays them, or looks at how it loads them.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "music/module_loader.h"
#include "tools/zav-render/info.h"
#include "tools/zav-render/module_file.h"
#include "tools/zav-render/render_wav.h"
#include "tools/zav-render/song_pass.h"

namespace {

const int ExitDone = 0;
const int ExitFailed = 1;
const int ExitRefused = 2;
const int ExitUsage = 64;

// A pass that never comes back to a played row (a loop that keeps going, or no end at all)
// stops here.
const double MaxPassSeconds = 2 * 60 * 60;
const double MaxSeconds = 6 * 60 * 60;

const char Usage[] =
    "usage: zav-render [FILE.xm] -o OUT.wav [--seconds N]\n"
    "       zav-render --info [FILE.xm]\n"
    "       zav-render --help\n"
    "\n"
    "  [FILE.xm] -o OUT.wav  render FILE.xm (without it, the song built into this tool) to a\n"
    "                        WAV file of 16-bit stereo at 44,100 frames per second: one pass\n"
    "                        of the song, until it would come back to a row it has already\n"
    "                        played (rows that a pattern loop repeats belong to the pass;\n"
    "                        a pass that does not end stops after two hours).\n"
    "  -o -                  write the raw frames (little-endian, left then right) to\n"
    "                        standard output instead of a WAV file.\n"
    "  --seconds N           render N seconds (up to 21600) instead of one pass.\n"
    "  --info [FILE.xm]      load FILE.xm as the music player loads it and print its summary:\n"
    "                        song length, restart position, channels, patterns, instruments,\n"
    "                        samples, frequency table, default speed and BPM.\n"
    "  --help                print this text.\n"
    "\n"
    "A progress bar is shown on standard error when it is a terminal.\n"
    "exit status: 0 done; 1 the output could not be written; 2 the module was refused or\n"
    "could not be read (the reason is one line on standard error); 64 the command line was\n"
    "not understood.\n";

int Refused(const char* source, const char* reason) {
  fprintf(stderr, "zav-render: %s: %s\n", source, reason);
  return ExitRefused;
}

// A module from a file or the built-in song. Each call loads a fresh copy, since playing
// changes a module (E5y sets the finetune of its samples).
class ModuleSource {
 public:
  explicit ModuleSource(const char* path) : path_(path) {}
  const char* Name() const { return path_ ? path_ : "embedded song"; }

  // The module, or null after printing why there is none.
  Module* Load() {
    if (path_ && image_.empty()) {
      std::string reason;
      if (!ReadModuleFile(path_, &image_, &reason)) {
        Refused(Name(), reason.c_str());
        return nullptr;
      }
    }
    Module* module = nullptr;
    if (path_) {
      module = LoadModuleImage(image_.data(), image_.size());
    } else if (const uint8_t* song = EmbeddedSongImage()) {
      module = LoadModule(song);
    } else {
      fprintf(stderr, "zav-render: no embedded song in this build\n");
      return nullptr;
    }
    if (!module) Refused(Name(), LoadFailureText(ModuleLoadFailure));
    return module;
  }

 private:
  const char* path_;
  std::vector<uint8_t> image_;
};

int RunInfo(const char* path) {
  ModuleSource source(path);
  Module* module = source.Load();
  if (!module) return ExitRefused;
  PrintSummary(stdout, source.Name(), SummarizeModule(module));
  FreeModule(module);
  return ExitDone;
}

struct RenderOptions {
  const char* input = nullptr;
  const char* output = nullptr;
  double seconds = 0;  // 0: one pass
};

int64_t FramesOf(double seconds) { return int64_t(seconds * RenderRate + 0.5); }

bool Seekable(FILE* file) { return fseek(file, 0, SEEK_CUR) == 0; }

bool IsTerminal(FILE* file) {
#if defined(_WIN32)
  return _isatty(_fileno(file)) != 0;
#else
  return isatty(fileno(file)) != 0;
#endif
}

// A buffer of many blocks: each block's frames are written in one call, which the stream
// would otherwise copy and hand on almost block by block.
FILE* OpenOutput(const char* path) {
  FILE* out = stdout;
  if (strcmp(path, "-") != 0) {
    out = fopen(path, "wb");
  } else {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);  // no CR before every LF byte of the samples
#endif
  }
  if (out) setvbuf(out, nullptr, _IOFBF, size_t(1) << 16);
  return out;
}

// Renders after the module has loaded, so that a refused module leaves the output as it was.
// One pass is followed while it renders; it is measured first, on a copy of the module, only
// for a progress bar, which needs to know how far it goes, or for a WAV output that cannot be
// rewound to write its header at the end.
int RunRender(const RenderOptions& options) {
  ModuleSource source(options.input);
  Module* module = source.Load();
  if (!module) return ExitRefused;
  bool raw = strcmp(options.output, "-") == 0;
  FILE* out = OpenOutput(options.output);
  if (!out) {
    fprintf(stderr, "zav-render: %s: %s\n", options.output, strerror(errno));
    FreeModule(module);
    return ExitFailed;
  }
  FILE* progress = IsTerminal(stderr) ? stderr : nullptr;
  bool onePass = options.seconds == 0;
  int64_t frames = onePass ? FramesOf(MaxPassSeconds) : FramesOf(options.seconds);
  if (onePass && (progress || (!raw && !Seekable(out)))) {
    frames = MeasureSongPass(module, frames).frames;
    onePass = false;
    FreeModule(module);
    module = source.Load();
  }
  int64_t written = 0;
  bool done = module && RenderFrames(module, frames, onePass,
                                     raw ? RenderFormat::Raw : RenderFormat::Wav, out, progress,
                                     &written);
  FreeModule(module);
  if (out != stdout && fclose(out) != 0) done = false;
  if (!done) {
    fprintf(stderr, "zav-render: %s: could not write the output\n", options.output);
    return ExitFailed;
  }
  if (options.seconds == 0 && written >= FramesOf(MaxPassSeconds)) {
    fprintf(stderr, "zav-render: %s: the song does not come back to a played row within %.0f s; "
            "rendered that much\n", source.Name(), MaxPassSeconds);
  }
  return ExitDone;
}

int WrongUsage(const char* what) {
  fprintf(stderr, "zav-render: %s\n%s", what, Usage);
  return ExitUsage;
}

// N: a number of seconds above 0, up to the limit.
bool ParseSeconds(const char* text, double* seconds) {
  char* end = nullptr;
  double value = strtod(text, &end);
  if (end == text || *end != '\0' || !(value > 0) || value > MaxSeconds) return false;
  *seconds = value;
  return true;
}

int ParseRender(int argc, char** argv) {
  RenderOptions options;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (strcmp(arg, "-o") == 0 && i + 1 < argc && !options.output) {
      options.output = argv[++i];
    } else if (strcmp(arg, "--seconds") == 0 && i + 1 < argc && options.seconds == 0) {
      if (!ParseSeconds(argv[++i], &options.seconds)) {
        return WrongUsage("--seconds needs a number above 0 and up to 21600");
      }
    } else if (arg[0] == '-' && arg[1] != '\0') {
      return WrongUsage("unknown arguments");
    } else if (!options.input) {
      options.input = arg;
    } else {
      return WrongUsage("more than one module given");
    }
  }
  if (!options.output) return WrongUsage("no output given (-o OUT.wav, or -o - for raw frames)");
  if (options.seconds == 0 || FramesOf(options.seconds) <= MaxWavFrames()) return RunRender(options);
  return WrongUsage("too long for a WAV file");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return WrongUsage("nothing to do");
  if (strcmp(argv[1], "--help") == 0 && argc == 2) {
    fputs(Usage, stdout);
    return 0;
  }
  if (strcmp(argv[1], "--info") == 0) {
    if (argc > 3) return WrongUsage("unknown arguments");
    return RunInfo(argc == 3 ? argv[2] : nullptr);
  }
  return ParseRender(argc, argv);
}
