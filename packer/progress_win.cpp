// The progress line's edges on Windows: a console on standard error (also the one Explorer opens
// for a folder dropped on zav-pack.exe), the tick count. The line is ASCII, written as it is.
#include <windows.h>

#include "packer/progress.h"

bool ErrorIsTerminal() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int64_t NowMilliseconds() { return int64_t(GetTickCount64()); }

void WriteToTerminal(const std::string& text) {
  DWORD written;
  WriteConsoleA(GetStdHandle(STD_ERROR_HANDLE), text.data(), DWORD(text.size()), &written, nullptr);
}
