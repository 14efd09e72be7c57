#include "packer/progress.h"

#include <cstdio>

namespace {

const int64_t RedrawMilliseconds = 250;
const double Megabyte = 1048576.0;

std::string Format(const char* format, double a, double b = 0) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

void Draw(Progress* progress, int64_t now) {
  std::string line = ProgressLine(progress->phase, progress->files.load(), progress->totalFiles, progress->bytes.load(),
                                  progress->totalBytes, now - progress->startMilliseconds);
  // Spaces wipe what is left of a longer line before: consoles need not know escape sequences.
  size_t length = line.size();
  if (line.size() < progress->drawnLength) line.append(progress->drawnLength - line.size(), ' ');
  progress->drawnLength = length;
  WriteToTerminal("\r" + line);
}

}  // namespace

std::string ProgressLine(const char* phase, uint32_t files, uint32_t totalFiles, uint64_t bytes, uint64_t totalBytes,
                         int64_t elapsedMilliseconds) {
  if (totalFiles == 0 && totalBytes == 0) return std::string("zav-pack: ") + phase + "...";
  std::string line = std::string("zav-pack: ") + phase + ": " + std::to_string(files) + "/" +
                     std::to_string(totalFiles) + " files, " + Format("%.1f/%.1f MB", double(bytes) / Megabyte,
                     double(totalBytes) / Megabyte);
  std::string percent, rate, left;
  if (totalBytes > 0) percent = Format(", %.0f%%", 100.0 * double(bytes) / double(totalBytes));
  double seconds = double(elapsedMilliseconds) / 1000.0;
  if (seconds >= 1 && bytes > 0) {
    double perSecond = double(bytes) / seconds;
    rate = Format(", %.1f MB/s", perSecond / Megabyte);
    double remaining = double(totalBytes > bytes ? totalBytes - bytes : 0) / perSecond;
    left = Format(", %.0f:%02.0f left", double(int64_t(remaining) / 60), double(int64_t(remaining) % 60));
  }
  // A line that wraps cannot be rewritten in place: each redraw would leave a row behind on an
  // 80-column terminal or console. What fits least is given up first: the rate, then the time
  // left, then the percentage.
  size_t room = line.size() < ProgressLineColumns ? ProgressLineColumns - line.size() : 0;
  if ((percent + rate + left).size() > room) rate.clear();
  if ((percent + left).size() > room) left.clear();
  if (percent.size() > room) percent.clear();
  return line + percent + rate + left;
}

void BeginPhase(Progress* progress, const char* phase, uint64_t totalBytes, uint32_t totalFiles) {
  if (!progress) return;
  progress->phase = phase;
  progress->bytes = 0;
  progress->files = 0;
  progress->totalBytes = totalBytes;
  progress->totalFiles = totalFiles;
  progress->startMilliseconds = NowMilliseconds();
  progress->drawnMilliseconds = progress->startMilliseconds;
  if (progress->shown) Draw(progress, progress->startMilliseconds);
}

void AddProgress(Progress* progress, uint64_t bytes, uint32_t files) {
  if (!progress) return;
  progress->bytes += bytes;
  progress->files += files;
  if (!progress->shown) return;
  int64_t now = NowMilliseconds(), drawn = progress->drawnMilliseconds.load();
  // One thread draws at a time, the one that finds the last drawing old enough.
  if (now - drawn < RedrawMilliseconds || !progress->drawnMilliseconds.compare_exchange_strong(drawn, now)) return;
  bool idle = false;
  if (!progress->drawing.compare_exchange_strong(idle, true)) return;
  Draw(progress, now);
  progress->drawing = false;
}

void EndProgress(Progress* progress) {
  if (!progress || !progress->shown || progress->drawnLength == 0) return;
  WriteToTerminal("\r" + std::string(progress->drawnLength, ' ') + "\r");
  progress->drawnLength = 0;
}
