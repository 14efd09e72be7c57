// The install command: the folder browser, the destination root and the status line around
// the extraction of the program's cabinet. It runs on the user-interface thread to its end,
// handling the window's messages between data blocks, while the render thread keeps animating
// and shows the status text.
#include "installer/install_command.h"

#include <shlobj.h>

#include "assets/program_data.h"
#include "common/shared_state.h"
#include "common/wide_text.h"
#include "installer/cabinet_extract.h"
#include "installer/install_paths.h"
#include "installer/install_progress.h"

namespace {

char16_t BrowseTitle[BrowseTitleSize];
char16_t ChosenFolder[PathBufferSize];
const char Installed[] = "Installation completed";
const char InstallFailed[] = "Unknown error";

bool Extracting;
bool InstallStopAsked;

// --- the status line ---------------------------------------------------------------------
//
// The render thread draws the text that StatusText points to, loading the pointer once a frame.
// The progress is written into one of two buffers, the one not on show, and shown by storing the
// pointer once it is complete. That buffer may still be read by a draw that loaded the pointer
// before it was last replaced; the render thread counts its draws in StatusDraws, odd while one
// runs, so a buffer is written only when no draw that began before the last store goes on.

constexpr DWORD ProgressIntervalMs = 200;  // a few updates a second are enough to see it move

char ProgressTexts[2][ProgressTextSize];
int NextProgressText;
uint32_t ShownPercent;
DWORD ShownAt;
uint32_t DrawsWhenShown;

void ShowStatus(const char* text) {
  StatusText.store(text);
  DrawsWhenShown = StatusDraws.load();
}

bool ProgressBufferFree() { return (DrawsWhenShown & 1) == 0 || StatusDraws.load() != DrawsWhenShown; }

void ShowProgress(uint32_t percent) {
  char* text = ProgressTexts[NextProgressText];
  FormProgressText(text, percent);
  ShowStatus(text);
  NextProgressText ^= 1;
  ShownPercent = percent;
  ShownAt = GetTickCount();
}

// At the start the progress must show: a draw that still holds the buffer ends within a frame.
void ShowFirstProgress() {
  while (!ProgressBufferFree()) Sleep(1);
  ShowProgress(0);
}

void UpdateProgress(uint32_t percent) {
  if (percent != ShownPercent && GetTickCount() - ShownAt >= ProgressIntervalMs && ProgressBufferFree())
    ShowProgress(percent);
}

// --- the install -------------------------------------------------------------------------

// The destination root in InstallRoot, below the folder the user chose; false if there is none
// (nothing must then be written below whatever the buffer held before).
bool AskForFolder(HWND window, bool* cancelled) {
  FormBrowseTitle(BrowseTitle, ProgramText(FolderNameEntry));
  BROWSEINFOW browse = {};
  browse.hwndOwner = window;
  browse.lpszTitle = Wide(BrowseTitle);
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST folder = SHBrowseForFolderW(&browse);
  *cancelled = folder == nullptr;
  if (!folder) return false;
  // Unlike SHGetPathFromIDListW, not limited to 259 characters.
  bool named = SHGetPathFromIDListEx(folder, Wide(ChosenFolder), PathBufferSize, GPFIDL_DEFAULT) != FALSE;
  CoTaskMemFree(folder);
  return named && FormInstallRoot(InstallRoot, ChosenFolder, ProgramText(FolderNameEntry));
}

// Shows the progress and handles the window's messages between two data blocks; false once a
// stop has been asked for.
bool HandleMessagesBetweenBlocks(uint32_t percent) {
  UpdateProgress(percent);
  MSG message;
  while (!InstallStopAsked && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not for this loop to take: the message loop must still see it.
      PostQuitMessage(static_cast<int>(message.wParam));
      InstallStopAsked = true;
    } else {
      DispatchMessageA(&message);
    }
  }
  return !InstallStopAsked;
}

bool Extract(bool (*betweenBlocks)(uint32_t percent)) {
  Extracting = true;
  InstallStopAsked = false;
  bool extracted = ExtractCabinet(ProgramData[CabinetEntry].bytes, ProgramData[CabinetEntry].size, betweenBlocks);
  Extracting = false;
  return extracted;
}

}  // namespace

bool InstallRunning() { return Extracting; }

void StopInstall() { InstallStopAsked = Extracting; }

void InstallCommand(HWND window) {
  bool cancelled;
  bool chosen = AskForFolder(window, &cancelled);
  if (!cancelled) {
    ShowFirstProgress();
    bool installed = chosen && Extract(HandleMessagesBetweenBlocks);
    ShowStatus(installed ? Installed : InstallFailed);
  }
  HotButton.store(HotNone);
}

bool InstallUnattended(const char16_t* folder) {
  DWORD length = GetFullPathNameW(Wide(folder), PathBufferSize, Wide(ChosenFolder), nullptr);
  return length > 0 && length < PathBufferSize &&
         FormInstallRoot(InstallRoot, ChosenFolder, ProgramText(FolderNameEntry)) && Extract(nullptr);
}
