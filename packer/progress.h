// The progress line of a long packing: shown on standard error when it is a terminal (a console
// on Windows), one line rewritten in place a few times a second, and wiped before the final
// lines. The packing's threads add to the counts; whichever adds may redraw.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

struct Progress {
  std::atomic<uint64_t> bytes{0};
  std::atomic<uint32_t> files{0};
  uint64_t totalBytes = 0;
  uint32_t totalFiles = 0;
  const char* phase = "";
  bool shown = false;                      // whether the line is drawn at all
  int64_t startMilliseconds = 0;
  std::atomic<int64_t> drawnMilliseconds{0};
  std::atomic<bool> drawing{false};
  size_t drawnLength = 0;                  // of the line on the terminal now
};

// Starts a phase over `totalBytes` bytes of `totalFiles` files; `shown` says whether to draw.
void BeginPhase(Progress* progress, const char* phase, uint64_t totalBytes, uint32_t totalFiles);
// Adds work done and redraws when the last drawing is old enough.
void AddProgress(Progress* progress, uint64_t bytes, uint32_t files);
// Clears the line, before the final lines are printed.
void EndProgress(Progress* progress);

// The line itself, for the given counts and elapsed time: at most ProgressLineColumns
// characters, so that it never wraps on an 80-column terminal (the cursor stays in the last).
const size_t ProgressLineColumns = 79;
std::string ProgressLine(const char* phase, uint32_t files, uint32_t totalFiles, uint64_t bytes, uint64_t totalBytes,
                         int64_t elapsedMilliseconds);

// The system's edges (progress_posix.cpp, progress_win.cpp): whether standard error is a
// terminal, the clock, and writing the line there.
bool ErrorIsTerminal();
int64_t NowMilliseconds();
void WriteToTerminal(const std::string& text);
