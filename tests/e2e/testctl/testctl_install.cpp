// zav-testctl: the folder browser and the status line of the install command.
#include <windows.h>
#include <commctrl.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/e2e/testctl/testctl.h"

//
// The Install button shows the shell's folder browser, a dialog of the installer's own process.
// Its tree view keeps its item records in that process, so they are read through a page of
// the installer's memory. The status line's text is the installer's pointer to one of its
// two constant texts or to a progress text in its writable data: this tells where those lie,
// and the tests find the pointer by its value.

struct Browser {
  HWND dialog;
  HWND tree;
  HANDLE process;
  char* remote;  // a page of the installer's memory for the tree view's item records
};

static bool IsBrowser(HWND window) {
  return FindWindowExA(window, NULL, "SysTreeView32", NULL) != NULL;
}

// Waits up to `seconds` for the installer's folder browser to show.
static int OpenBrowser(Browser* browser, double seconds) {
  HWND main = FindMainWindow();
  if (!main) return NotFound;
  DWORD processId = 0;
  GetWindowThreadProcessId(main, &processId);
  DWORD deadline = GetTickCount() + (DWORD)(seconds * 1000);
  HWND dialog;
  while (!(dialog = FindProgramWindow(main, IsBrowser))) {
    if ((LONG)(GetTickCount() - deadline) >= 0) return NotFound;
    Sleep(50);
  }
  browser->dialog = dialog;
  browser->tree = FindWindowExA(dialog, NULL, "SysTreeView32", NULL);
  browser->process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 processId);
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
int SelectFolder(const char* path) {
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

// "browser X Y W H", "ok ...", "cancel ..." (screen rectangles) and "prompt TEXT" (UTF-8, as
// the browser holds it in UTF-16).
int PrintBrowser() {
  Browser browser = {};
  int code = OpenBrowser(&browser, 10);
  if (code != Done) return code;
  PrintScreenRect("browser", browser.dialog);
  PrintScreenRect("ok", GetDlgItem(browser.dialog, IDOK));
  PrintScreenRect("cancel", GetDlgItem(browser.dialog, IDCANCEL));
  wchar_t text[512];
  char utf8[3 * 512];
  for (HWND child = FindWindowExA(browser.dialog, NULL, "Static", NULL); child;
       child = FindWindowExA(browser.dialog, child, "Static", NULL)) {
    if (GetWindowTextW(child, text, 512) > 0 &&
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL) > 0) {
      printf("prompt %s\n", utf8);
      break;
    }
  }
  CloseBrowser(&browser);
  return Done;
}

// Presses the browser's OK or Cancel button, as a click on it would.
int PressBrowserButton(const char* name) {
  int button = !strcmp(name, "ok") ? IDOK : !strcmp(name, "cancel") ? IDCANCEL : 0;
  if (!button) return Usage;
  Browser browser = {};
  int code = OpenBrowser(&browser, 10);
  if (code != Done) return code;
  PostMessageA(browser.dialog, WM_COMMAND, button, (LPARAM)GetDlgItem(browser.dialog, button));
  CloseBrowser(&browser);
  return Done;
}

// Where the status line's text lives in the installer: "text N ADDRESS" for each of its two
// constant texts (0 "Installation completed", 1 "Unknown error"), found in the program's
// read-only data, and "writable ADDRESS SIZE" for each writable section, one of which holds
// the pointer to the text shown and the buffers of the progress texts. The tests read that
// pointer from outside, far more often than a call into Wine could.
static const char* const StatusTexts[] = {"Installation completed", "Unknown error"};
static const int StatusTextCount = sizeof StatusTexts / sizeof StatusTexts[0];

int PrintStatusLayout() {
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
        for (int t = 0; t < StatusTextCount; ++t) {
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
  return found == StatusTextCount ? Done : Failed;
}

// Draws a text as the status line does (font, colour, right-aligned in its 282 x 14 rectangle)
// and prints "mask 282 14" and one row per line, "#" where the text is drawn, "." elsewhere.
int PrintTextMask(const char* text) {
  const int width = 282, height = 14;
  BITMAPINFO info = TopDownBitmapInfo(width, height);
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
