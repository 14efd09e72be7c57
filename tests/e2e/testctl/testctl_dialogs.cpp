// zav-testctl: the installer's other top-level windows: the dialogs its buttons open.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/e2e/testctl/testctl.h"

struct DialogSearch {
  DWORD processId;
  HWND main;
  bool close;
};

static BOOL CALLBACK VisitTopLevel(HWND window, LPARAM param) {
  const DialogSearch* search = (const DialogSearch*)param;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->processId || window == search->main || !IsWindowVisible(window))
    return TRUE;
  char className[64], title[128];
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, title, sizeof title);
  printf("dialog %s %s\n", className, title);
  if (search->close) PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

// One line per visible top-level window of the installer's process other than its main window
// (a dialog that a button opened): "dialog CLASS TITLE". With `close`, each is sent WM_CLOSE,
// which cancels the folder browser and ends the info dialog.
int ListDialogs(bool close) {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  DialogSearch search = {0, window, close};
  GetWindowThreadProcessId(window, &search.processId);
  EnumWindows(VisitTopLevel, (LPARAM)&search);
  return Done;
}

// The info dialog: a top-level window of the installer's process holding edit control 101.
static bool IsInfoDialog(HWND window) { return GetDlgItem(window, 101) != NULL; }

// "dialog X Y W H", "first N" (first visible line of the text), "lines N", "length N" (text
// length), "edit-style 0x...", "dialog-style 0x...".
int PrintInfoDialog() {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  HWND dialog = FindProgramWindow(window, IsInfoDialog);
  if (!dialog) return NotFound;
  HWND edit = GetDlgItem(dialog, 101);
  RECT rect;
  GetWindowRect(dialog, &rect);
  printf("dialog %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  GetWindowRect(edit, &rect);
  printf("edit %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  printf("first %ld\n", (long)SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  printf("lines %ld\n", (long)SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
  // Sent, not GetWindowTextLength: that does not ask a control of another process.
  printf("length %ld\n", (long)SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
  printf("edit-style 0x%08lx\n", (unsigned long)GetWindowLongA(edit, GWL_STYLE));
  printf("dialog-style 0x%08lx\n", (unsigned long)GetWindowLongA(dialog, GWL_STYLE));
  return Done;
}
