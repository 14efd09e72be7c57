// Starting a program with a command line of exact UTF-16 units. Wine makes the command line of
// a program started from Linux out of UTF-8, in which an unpaired surrogate cannot be written;
// a Windows program may hand over any units, and this one does so for the tests.
#include <stdlib.h>
#include <string.h>

#include "tests/e2e/testctl/testctl.h"

int RunCommandLine(const char* hex) {
  size_t units = strlen(hex) / 4;
  if (units == 0 || strlen(hex) % 4 != 0) return Usage;
  WCHAR* line = (WCHAR*)calloc(units + 1, sizeof(WCHAR));
  for (size_t i = 0; i < units; ++i) {
    char unit[5] = {hex[4 * i], hex[4 * i + 1], hex[4 * i + 2], hex[4 * i + 3], 0};
    line[i] = (WCHAR)strtoul(unit, NULL, 16);
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  // The program shares this one's console and standard handles.
  BOOL started = CreateProcessW(NULL, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process);
  free(line);
  if (!started) return Failed;
  DWORD code = Failed;
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (int)code;
}
