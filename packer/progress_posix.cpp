// The progress line's edges on Linux: a terminal on standard error, the monotonic clock.
#include <time.h>
#include <unistd.h>

#include "packer/progress.h"

bool ErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

int64_t NowMilliseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void WriteToTerminal(const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    ssize_t wrote = write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (wrote <= 0) return;
    done += size_t(wrote);
  }
}
