// zav-testctl: the end-to-end tests' own eyes and hands inside Wine.
//
// The tests drive the installer from Linux (X display, xdotool), but some facts live only
// on the Windows side: the window's style bits, its client rectangle, the child controls'
// ids, and messages such as WM_CLOSE. This console program finds the installer's window
// by its class and prints or posts what the test asks for, one subcommand per call.
//
// Output is one fact per line, "name value value ...", numbers in decimal except styles
// (hexadecimal with 0x), so a test can split lines on blanks.
//
// Exit codes: 0 done, 1 no such window (or it did not appear / go away in time),
// 2 bad command line, 3 the call itself failed (or the tone did not finish playing).
// A program that outlives a timed close is a fact to report ("exit-code running"), not a failure
// of the call.
#include <windows.h>
#include <mmsystem.h>
#include <olectl.h>
#include <commctrl.h>
#include <stddef.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char WindowClass[] = "ZAV Installer";

enum ExitCode { Done = 0, NotFound = 1, Usage = 2, Failed = 3 };

static HWND FindMainWindow() { return FindWindowA(WindowClass, NULL); }

static void PrintRect(const char* name, RECT r) {
  printf("%s %ld %ld %ld %ld\n", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Numbers on the command line may be decimal, hexadecimal (0x...) or negative.
static LONG_PTR ParseNumber(const char* text) { return (LONG_PTR)strtoll(text, NULL, 0); }

// Prints "window X Y W H" and "client X Y W H" in screen coordinates, then the window's
// and its class's styles: a window without a frame has equal rectangles.
static int PrintMainRect() {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  MapWindowPoints(window, NULL, (POINT*)&client, 2);
  PrintRect("window", outer);
  PrintRect("client", client);
  printf("style 0x%08lx\n", (unsigned long)GetWindowLongA(window, GWL_STYLE));
  printf("exstyle 0x%08lx\n", (unsigned long)GetWindowLongA(window, GWL_EXSTYLE));
  printf("classstyle 0x%08lx\n", (unsigned long)GetClassLongA(window, GCL_STYLE));
  printf("visible %d\n", IsWindowVisible(window) ? 1 : 0);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  printf("pid %lu\n", (unsigned long)processId);
  return Done;
}

static BOOL CALLBACK PrintChild(HWND child, LPARAM parent) {
  if (GetParent(child) != (HWND)parent) return TRUE;  // only direct children
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(NULL, (HWND)parent, (POINT*)&r, 2);
  char className[64];
  GetClassNameA(child, className, sizeof className);
  printf("button %d %ld %ld %ld %ld 0x%08lx %s\n", GetDlgCtrlID(child), r.left, r.top,
         r.right - r.left, r.bottom - r.top, (unsigned long)GetWindowLongA(child, GWL_STYLE),
         className);
  return TRUE;
}

// One line per direct child: "button ID X Y W H STYLE CLASS", position in client coordinates.
static int PrintButtons() {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  EnumChildWindows(window, PrintChild, (LPARAM)window);
  return Done;
}

static int PostToMain(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  return PostMessageA(window, message, wParam, lParam) ? Done : Failed;
}

// Sends and prints "result N"; the time-out keeps a hung window from hanging the test.
static int SendToMain(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result))
    return Failed;
  printf("result %lld\n", (long long)(LONG_PTR)result);
  return Done;
}

// Polls every 50 ms until the window's presence equals `present` or the time is up.
static int WaitFor(bool present, double seconds) {
  DWORD deadline = GetTickCount() + (DWORD)(seconds * 1000);
  for (;;) {
    if ((FindMainWindow() != NULL) == present) return Done;
    if ((LONG)(GetTickCount() - deadline) >= 0) return NotFound;
    Sleep(50);
  }
}

// A known sound for checking the audio path without the installer: a 441 Hz cosine
// (exactly 100 frames a period, so its first frame is already at full level) at amplitude
// 10000 on both channels, for `seconds` seconds. Every second is its own header over the
// same block, queued at once, so the device plays exactly that many frames.
static const int ToneRate = 44100;
static const int MaxToneSeconds = 60;
static short ToneBlock[ToneRate * 2];
static WAVEHDR ToneHeaders[MaxToneSeconds];

static bool AllDone(int count) {
  for (int i = 0; i < count; i++)
    if (!(ToneHeaders[i].dwFlags & WHDR_DONE)) return false;
  return true;
}

static int PlayTone(int seconds) {
  if (seconds < 1 || seconds > MaxToneSeconds) return Usage;
  for (int frame = 0; frame < ToneRate; frame++) {
    short value = (short)lround(10000 * cos(2 * 3.14159265358979 * frame / 100));
    ToneBlock[2 * frame] = ToneBlock[2 * frame + 1] = value;
  }
  WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, ToneRate, ToneRate * 4, 4, 16, 0};
  HWAVEOUT device;
  if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
    return Failed;
  for (int i = 0; i < seconds; i++) {
    ToneHeaders[i].lpData = (LPSTR)ToneBlock;
    ToneHeaders[i].dwBufferLength = sizeof ToneBlock;
    waveOutPrepareHeader(device, &ToneHeaders[i], sizeof(WAVEHDR));
    waveOutWrite(device, &ToneHeaders[i], sizeof(WAVEHDR));
  }
  DWORD deadline = GetTickCount() + (DWORD)(seconds + 10) * 1000;
  while (!AllDone(seconds) && (LONG)(GetTickCount() - deadline) < 0) Sleep(10);
  int code = AllDone(seconds) ? Done : Failed;
  waveOutReset(device);
  for (int i = 0; i < seconds; i++) waveOutUnprepareHeader(device, &ToneHeaders[i], sizeof(WAVEHDR));
  waveOutClose(device);
  return code;
}

// --- the program's other windows ----------------------------------------------------------

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
static int ListDialogs(bool close) {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  DialogSearch search = {0, window, close};
  GetWindowThreadProcessId(window, &search.processId);
  EnumWindows(VisitTopLevel, (LPARAM)&search);
  return Done;
}

// The info dialog: a top-level dialog of the installer's process holding edit control 101.
struct InfoSearch {
  DWORD processId;
  HWND dialog;
};

static BOOL CALLBACK VisitForInfo(HWND window, LPARAM param) {
  InfoSearch* search = (InfoSearch*)param;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId == search->processId && IsWindowVisible(window) && GetDlgItem(window, 101)) {
    search->dialog = window;
    return FALSE;
  }
  return TRUE;
}

// "dialog X Y W H", "first N" (first visible line of the text), "lines N", "length N" (text
// length), "edit-style 0x...", "dialog-style 0x...".
static int PrintInfoDialog() {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  InfoSearch search = {0, NULL};
  GetWindowThreadProcessId(window, &search.processId);
  EnumWindows(VisitForInfo, (LPARAM)&search);
  if (!search.dialog) return NotFound;
  HWND edit = GetDlgItem(search.dialog, 101);
  RECT rect;
  GetWindowRect(search.dialog, &rect);
  printf("dialog %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  GetWindowRect(edit, &rect);
  printf("edit %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  printf("first %ld\n", (long)SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  printf("lines %ld\n", (long)SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
  // Sent, not GetWindowTextLength: that does not ask a control of another process.
  printf("length %ld\n", (long)SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
  printf("edit-style 0x%08lx\n", (unsigned long)GetWindowLongA(edit, GWL_STYLE));
  printf("dialog-style 0x%08lx\n", (unsigned long)GetWindowLongA(search.dialog, GWL_STYLE));
  return Done;
}

// --- closing at a chosen moment, and timing the end ------------------------------------

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
static int RacePost(UINT message, WPARAM wParam, LPARAM lParam, double seconds) {
  printf("waiting\n");  // the test starts the program once it reads this
  fflush(stdout);
  DWORD deadline = GetTickCount() + (DWORD)(seconds * 1000);
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
static int PostAndWait(UINT message, WPARAM wParam, LPARAM lParam, double seconds) {
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

// --- reference pictures ------------------------------------------------------------------

// Decodes a JPEG file with the platform's picture loader, as the installer decodes its own
// pictures, and writes its pixels to `out`: 4 bytes each (blue, green, red, 0), rows top-down.
// Prints "size W H". The tests compare the screen with these pixels exactly, since another
// JPEG decoder may round some values differently.
static bool ReadWholeFile(const char* path, HGLOBAL* block, DWORD* size) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  *size = GetFileSize(file, NULL);
  *block = GlobalAlloc(GMEM_MOVEABLE, *size);
  DWORD read = 0;
  bool ok = *block && ReadFile(file, GlobalLock(*block), *size, &read, NULL) && read == *size;
  if (*block) GlobalUnlock(*block);
  CloseHandle(file);
  return ok;
}

static bool WriteWholeFile(const char* path, const void* data, DWORD size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, data, size, &written, NULL) && written == size;
  CloseHandle(file);
  return ok;
}

static int DecodeJpeg(const char* path, const char* out) {
  HGLOBAL block;
  DWORD size;
  if (!ReadWholeFile(path, &block, &size)) return Failed;
  IStream* stream = NULL;
  if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
    GlobalFree(block);
    return Failed;
  }
  IPicture* picture = NULL;
  HRESULT loaded = OleLoadPicture(stream, (LONG)size, TRUE, IID_IPicture, (void**)&picture);
  stream->Release();
  if (loaded != S_OK) return Failed;
  OLE_HANDLE handle = 0;
  picture->get_Handle(&handle);
  BITMAP bitmap;
  int code = Failed;
  if (GetObjectA((HBITMAP)(UINT_PTR)handle, sizeof bitmap, &bitmap)) {
    int width = bitmap.bmWidth, height = bitmap.bmHeight;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    DWORD bytes = (DWORD)width * height * 4;
    void* pixels = GlobalAlloc(GMEM_FIXED, bytes);
    HDC screen = GetDC(NULL);
    if (pixels && GetDIBits(screen, (HBITMAP)(UINT_PTR)handle, 0, height, pixels, &info,
                            DIB_RGB_COLORS) == height &&
        WriteWholeFile(out, pixels, bytes)) {
      printf("size %d %d\n", width, height);
      code = Done;
    }
    ReleaseDC(NULL, screen);
    GlobalFree(pixels);
  }
  picture->Release();
  return code;
}

// --- the folder browser and the status line ------------------------------------------------
//
// The Install button shows the shell's folder browser, a dialog of the installer's own process.
// Its tree view keeps its item records in that process, so they are read through a page of
// the installer's memory. The status line's text is the installer's pointer to one of its
// three constant texts: this tells where those texts lie, and the tests find the pointer by
// its value.

struct Browser {
  HWND dialog;
  HWND tree;
  HANDLE process;
  char* remote;  // a page of the installer's memory for the tree view's item records
};

struct BrowserSearch {
  DWORD processId;
  HWND dialog;
};

static BOOL CALLBACK VisitForBrowser(HWND window, LPARAM param) {
  BrowserSearch* search = (BrowserSearch*)param;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->processId || !IsWindowVisible(window) ||
      !FindWindowExA(window, NULL, "SysTreeView32", NULL))
    return TRUE;
  search->dialog = window;
  return FALSE;
}

// Waits up to `seconds` for the installer's folder browser to show.
static int OpenBrowser(Browser* browser, double seconds) {
  HWND main = FindMainWindow();
  if (!main) return NotFound;
  BrowserSearch search = {0, NULL};
  GetWindowThreadProcessId(main, &search.processId);
  DWORD deadline = GetTickCount() + (DWORD)(seconds * 1000);
  while (EnumWindows(VisitForBrowser, (LPARAM)&search), !search.dialog) {
    if ((LONG)(GetTickCount() - deadline) >= 0) return NotFound;
    Sleep(50);
  }
  browser->dialog = search.dialog;
  browser->tree = FindWindowExA(search.dialog, NULL, "SysTreeView32", NULL);
  browser->process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 search.processId);
  browser->remote = browser->process ? (char*)VirtualAllocEx(browser->process, NULL, 4096,
                                                             MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                                     : NULL;
  return browser->remote ? Done : Failed;
}

static void CloseBrowser(Browser* browser) {
  if (browser->remote) VirtualFreeEx(browser->process, browser->remote, 0, MEM_RELEASE);
  if (browser->process) CloseHandle(browser->process);
}

static void ItemText(Browser* browser, HTREEITEM item, char* text, int size) {
  TVITEMA record = {};
  record.mask = TVIF_TEXT;
  record.hItem = item;
  record.pszText = browser->remote + 1024;
  record.cchTextMax = size;
  text[0] = '\0';
  WriteProcessMemory(browser->process, browser->remote, &record, sizeof record, NULL);
  if (SendMessageA(browser->tree, TVM_GETITEMA, 0, (LPARAM)browser->remote))
    ReadProcessMemory(browser->process, browser->remote + 1024, text, size, NULL);
  text[size - 1] = '\0';
}

// The first child of an item, once the browser has filled the item in by expanding it.
static HTREEITEM FirstChild(Browser* browser, HTREEITEM item) {
  SendMessageA(browser->tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
  return (HTREEITEM)SendMessageA(browser->tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item);
}

static HTREEITEM NextSibling(Browser* browser, HTREEITEM item) {
  return (HTREEITEM)SendMessageA(browser->tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item);
}

static bool EndsWithNoCase(const char* text, const char* end) {
  size_t length = strlen(text), endLength = strlen(end);
  return length >= endLength && !_stricmp(text + length - endLength, end);
}

// A drive is a grandchild of the tree's root ("Desktop" > "My Computer" > "... (Q:)").
// The branch showing the Unix file system ("/") is not opened: it holds no drives.
static HTREEITEM FindDrive(Browser* browser, char letter) {
  char label[8], text[260];
  snprintf(label, sizeof label, "(%c:)", letter);
  HTREEITEM root = (HTREEITEM)SendMessageA(browser->tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  for (HTREEITEM branch = FirstChild(browser, root); branch; branch = NextSibling(browser, branch)) {
    ItemText(browser, branch, text, sizeof text);
    if (!strcmp(text, "/")) continue;
    for (HTREEITEM item = FirstChild(browser, branch); item; item = NextSibling(browser, item)) {
      ItemText(browser, item, text, sizeof text);
      if (EndsWithNoCase(text, label)) return item;
    }
  }
  return NULL;
}

static HTREEITEM FindChild(Browser* browser, HTREEITEM parent, const char* name) {
  char text[260];
  for (HTREEITEM item = FirstChild(browser, parent); item; item = NextSibling(browser, item)) {
    ItemText(browser, item, text, sizeof text);
    if (!_stricmp(text, name)) return item;
  }
  return NULL;
}

// Selects "Q:\" or "Q:\Folder\Sub" in the browser, opening the tree down to it, as a user
// clicking through it would. Prints "selected TEXT" (the item's text).
static int SelectFolder(const char* path) {
  if (!path[0] || path[1] != ':' || path[2] != '\\') return Usage;
  Browser browser = {};
  int code = OpenBrowser(&browser, 10);
  if (code != Done) return code;
  HTREEITEM item = FindDrive(&browser, path[0]);
  for (const char* part = path + 3; item && *part;) {
    char name[260];
    size_t length = strcspn(part, "\\");
    snprintf(name, sizeof name, "%.*s", (int)length, part);
    item = FindChild(&browser, item, name);
    part += length + (part[length] == '\\');
  }
  if (item) {
    SendMessageA(browser.tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
    char text[260];
    ItemText(&browser, item, text, sizeof text);
    printf("selected %s\n", text);
  } else {
    fprintf(stderr, "zav-testctl: the browser shows no folder %s\n", path);
  }
  CloseBrowser(&browser);
  return item ? Done : Failed;
}

static void PrintScreenRect(const char* name, HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  PrintRect(name, r);
}

// "browser X Y W H", "ok ...", "cancel ..." (screen rectangles) and "prompt TEXT".
static int PrintBrowser() {
  Browser browser = {};
  int code = OpenBrowser(&browser, 10);
  if (code != Done) return code;
  PrintScreenRect("browser", browser.dialog);
  PrintScreenRect("ok", GetDlgItem(browser.dialog, IDOK));
  PrintScreenRect("cancel", GetDlgItem(browser.dialog, IDCANCEL));
  char text[512];
  for (HWND child = FindWindowExA(browser.dialog, NULL, "Static", NULL); child;
       child = FindWindowExA(browser.dialog, child, "Static", NULL)) {
    if (GetWindowTextA(child, text, sizeof text) > 0) {
      printf("prompt %s\n", text);
      break;
    }
  }
  CloseBrowser(&browser);
  return Done;
}

// Presses the browser's OK or Cancel button, as a click on it would.
static int PressBrowserButton(const char* name) {
  int button = !strcmp(name, "ok") ? IDOK : !strcmp(name, "cancel") ? IDCANCEL : 0;
  if (!button) return Usage;
  Browser browser = {};
  int code = OpenBrowser(&browser, 10);
  if (code != Done) return code;
  PostMessageA(browser.dialog, WM_COMMAND, button, (LPARAM)GetDlgItem(browser.dialog, button));
  CloseBrowser(&browser);
  return Done;
}

// Where the status line's text lives in the installer: "text N ADDRESS" for each of its three
// texts (0 "Installing...", 1 "Installation completed", 2 "Unknown error"), found in the
// program's read-only data, and "writable ADDRESS SIZE" for each writable section, one of
// which holds the pointer to the text shown. The tests read that pointer from outside, far
// more often than a call into Wine could.
static const char* const StatusTexts[] = {"Installing...", "Installation completed", "Unknown error"};

static int PrintStatusLayout() {
  HWND main = FindMainWindow();
  if (!main) return NotFound;
  DWORD processId = 0;
  GetWindowThreadProcessId(main, &processId);
  HANDLE process = OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, processId);
  if (!process) return Failed;
  ULONG_PTR base = (ULONG_PTR)GetWindowLongPtrA(main, GWLP_HINSTANCE);
  IMAGE_DOS_HEADER dos;
  IMAGE_NT_HEADERS64 nt;
  int found = 0;
  if (ReadProcessMemory(process, (void*)base, &dos, sizeof dos, NULL) &&
      ReadProcessMemory(process, (void*)(base + dos.e_lfanew), &nt, sizeof nt, NULL)) {
    ULONG_PTR sections = base + dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                         nt.FileHeader.SizeOfOptionalHeader;
    for (int i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER section;
      ReadProcessMemory(process, (void*)(sections + i * sizeof section), &section, sizeof section,
                        NULL);
      ULONG_PTR start = base + section.VirtualAddress, size = section.Misc.VirtualSize;
      if (section.Characteristics & IMAGE_SCN_MEM_WRITE) {
        printf("writable 0x%llx %llu\n", (unsigned long long)start, (unsigned long long)size);
        continue;
      }
      if (!(section.Characteristics & IMAGE_SCN_CNT_INITIALIZED_DATA)) continue;
      char* bytes = (char*)malloc(size);
      if (bytes && ReadProcessMemory(process, (void*)start, bytes, size, NULL)) {
        for (int t = 0; t < 3; ++t) {
          size_t length = strlen(StatusTexts[t]) + 1;
          for (ULONG_PTR at = 0; at + length <= size; ++at) {
            if (memcmp(bytes + at, StatusTexts[t], length)) continue;
            printf("text %d 0x%llx\n", t, (unsigned long long)(start + at));
            ++found;
            break;
          }
        }
      }
      free(bytes);
    }
  }
  CloseHandle(process);
  return found == 3 ? Done : Failed;
}

// Draws a text as the status line does (font, colour, right-aligned in its 282 x 14 rectangle)
// and prints "mask 282 14" and one row per line, "#" where the text is drawn, "." elsewhere.
static int PrintTextMask(const char* text) {
  const int width = 282, height = 14;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = NULL;
  HDC dc = CreateCompatibleDC(NULL);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
  if (!dc || !bitmap) return Failed;
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HFONT font = CreateFontA(12, 8, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Terminal");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 0, 0));
  RECT rect = {0, 0, width, height};
  DrawTextA(dc, text, -1, &rect, DT_RIGHT);
  GdiFlush();
  printf("mask %d %d\n", width, height);
  const DWORD* pixels = (const DWORD*)bits;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) putchar(pixels[y * width + x] == 0x00FF0000 ? '#' : '.');
    putchar('\n');
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return Done;
}

static int PrintUsage() {
  fprintf(stderr,
          "usage: zav-testctl COMMAND\n"
          "  rect                   window and client rectangles, styles, process id\n"
          "  buttons                child controls: id, rectangle, style, class\n"
          "  close                  post WM_CLOSE\n"
          "  post MSG WPARAM LPARAM post any message\n"
          "  send MSG WPARAM LPARAM send any message, print its result\n"
          "  wait-shown SECONDS     wait until the window exists\n"
          "  wait-gone SECONDS      wait until the window no longer exists\n"
          "  tone SECONDS           play a 441 Hz tone through the wave mapper (no window needed)\n"
          "  race-post MSG WPARAM LPARAM SECONDS\n"
          "                         wait for the window, post at once, time the process's end\n"
          "  post-wait MSG WPARAM LPARAM SECONDS\n"
          "                         hit-test the background, post, time the process's end\n"
          "  decode JPEG OUT        write a JPEG's pixels as the platform decodes them\n"
          "  dialogs                the program's other visible top-level windows\n"
          "  close-dialogs          post WM_CLOSE to each of them\n"
          "  info-dialog            the info dialog: rectangles, first visible line, styles\n"
          "  browser                the folder browser: rectangles of it and its buttons, prompt\n"
          "  browser-select PATH    open the browser's tree down to a folder (Q:\\ or Q:\\A\\B), select it\n"
          "  browser-press ok|cancel  press one of the browser's buttons\n"
          "  status-layout          addresses of the status texts and the writable sections\n"
          "  text-mask TEXT         where the status line draws a text\n");
  return Usage;
}

int main(int argc, char** argv) {
  if (argc < 2) return PrintUsage();
  const char* command = argv[1];
  int rest = argc - 2;
  int code = Usage;
  if (!strcmp(command, "rect") && rest == 0) code = PrintMainRect();
  else if (!strcmp(command, "buttons") && rest == 0) code = PrintButtons();
  else if (!strcmp(command, "close") && rest == 0) code = PostToMain(WM_CLOSE, 0, 0);
  else if (!strcmp(command, "post") && rest == 3)
    code = PostToMain((UINT)ParseNumber(argv[2]), (WPARAM)ParseNumber(argv[3]), ParseNumber(argv[4]));
  else if (!strcmp(command, "send") && rest == 3)
    code = SendToMain((UINT)ParseNumber(argv[2]), (WPARAM)ParseNumber(argv[3]), ParseNumber(argv[4]));
  else if (!strcmp(command, "wait-shown") && rest == 1) code = WaitFor(true, atof(argv[2]));
  else if (!strcmp(command, "wait-gone") && rest == 1) code = WaitFor(false, atof(argv[2]));
  else if (!strcmp(command, "tone") && rest == 1) code = PlayTone(atoi(argv[2]));
  else if (!strcmp(command, "race-post") && rest == 4)
    code = RacePost((UINT)ParseNumber(argv[2]), (WPARAM)ParseNumber(argv[3]), ParseNumber(argv[4]),
                    atof(argv[5]));
  else if (!strcmp(command, "post-wait") && rest == 4)
    code = PostAndWait((UINT)ParseNumber(argv[2]), (WPARAM)ParseNumber(argv[3]),
                       ParseNumber(argv[4]), atof(argv[5]));
  else if (!strcmp(command, "decode") && rest == 2) code = DecodeJpeg(argv[2], argv[3]);
  else if (!strcmp(command, "dialogs") && rest == 0) code = ListDialogs(false);
  else if (!strcmp(command, "close-dialogs") && rest == 0) code = ListDialogs(true);
  else if (!strcmp(command, "info-dialog") && rest == 0) code = PrintInfoDialog();
  else if (!strcmp(command, "browser") && rest == 0) code = PrintBrowser();
  else if (!strcmp(command, "browser-select") && rest == 1) code = SelectFolder(argv[2]);
  else if (!strcmp(command, "browser-press") && rest == 1) code = PressBrowserButton(argv[2]);
  else if (!strcmp(command, "status-layout") && rest == 0) code = PrintStatusLayout();
  else if (!strcmp(command, "text-mask") && rest == 1) code = PrintTextMask(argv[2]);
  else return PrintUsage();
  if (code == NotFound && !strcmp(command, "wait-gone"))
    fprintf(stderr, "zav-testctl: the window of class \"%s\" is still there\n", WindowClass);
  else if (code == NotFound)
    fprintf(stderr, "zav-testctl: no window of class \"%s\"\n", WindowClass);
  else if (code == Usage)
    return PrintUsage();
  if (code == Failed) fprintf(stderr, "zav-testctl: %s failed (error %lu)\n", command, GetLastError());
  fflush(stdout);
  return code;
}
