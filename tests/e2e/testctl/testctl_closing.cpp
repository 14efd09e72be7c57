// zav-testctl: closing the installer at a chosen moment, and timing its end.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/e2e/testctl/testctl.h"

// Milliseconds between two performance-counter readings.
static double MsBetween(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

static LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

// Opened before the message goes out: once the process has ended its id names nothing.
static HANDLE OpenWindowProcess(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
}

// Prints "exit-ms N" (from `posted` until the process had ended) and "exit-code N", or
// "exit-ms none" and "exit-code running" if it still ran after `seconds`.
static int ReportExit(HANDLE process, LARGE_INTEGER posted, double seconds) {
  DWORD waited = WaitForSingleObject(process, (DWORD)(seconds * 1000));
  LARGE_INTEGER ended = Now();
  if (waited != WAIT_OBJECT_0) {
    printf("exit-ms none\nexit-code running\n");
  } else {
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    printf("exit-ms %.1f\nexit-code %lu\n", MsBetween(posted, ended), (unsigned long)exitCode);
  }
  CloseHandle(process);
  return Done;
}

// Posts the message the instant the window exists, then times the process's end. The loop
// asks for the window without pausing, so the message is queued long before the program's
// first paint: posted messages are retrieved before a paint message is generated.
// "unseen-us N" is the time from the last look that found no window to the post; the window
// cannot have existed for longer than that when the message went out.
static const DWORD WindowWaitMs = 60000;

int RacePost(UINT message, WPARAM wParam, LPARAM lParam, double seconds) {
  printf("waiting\n");  // the test starts the program once it reads this
  fflush(stdout);
  // What is timed begins at the post: the start before it may take long on a busy machine (a
  // new Wine process loads its libraries), so the wait for the window has a time of its own.
  DWORD deadline = GetTickCount() + WindowWaitMs;
  LARGE_INTEGER lastMiss = Now();
  HWND window;
  while (!(window = FindMainWindow())) {
    if ((LONG)(GetTickCount() - deadline) >= 0) return NotFound;
    lastMiss = Now();
  }
  HANDLE process = OpenWindowProcess(window);
  if (!process || !PostMessageA(window, message, wParam, lParam)) return Failed;
  LARGE_INTEGER posted = Now();
  printf("unseen-us %.0f\n", MsBetween(lastMiss, posted) * 1000.0);
  return ReportExit(process, posted, seconds);
}

// Asks the window what lies under a point of its background (its own notion of whether it can
// be dragged yet: "hittest 2" is a caption), posts the message right after, and times the
// process's end.
int PostAndWait(UINT message, WPARAM wParam, LPARAM lParam, double seconds) {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  HANDLE process = OpenWindowProcess(window);
  if (!process) return Failed;
  RECT outer;
  GetWindowRect(window, &outer);
  DWORD_PTR hit = 0;
  LPARAM point = MAKELPARAM(outer.left + 300, outer.top + 90);
  if (!SendMessageTimeoutA(window, WM_NCHITTEST, 0, point, SMTO_ABORTIFHUNG, 5000, &hit)) {
    CloseHandle(process);
    return Failed;
  }
  if (!PostMessageA(window, message, wParam, lParam)) {
    CloseHandle(process);
    return Failed;
  }
  LARGE_INTEGER posted = Now();
  printf("hittest %lld\n", (long long)(LONG_PTR)hit);
  return ReportExit(process, posted, seconds);
}
