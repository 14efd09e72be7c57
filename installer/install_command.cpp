// The install command: the folder browser, the destination root and the status line around
// the extraction of the program's cabinet. It runs on the user-interface thread to its end,
// handling the window's messages between data blocks, while the render thread keeps animating
// and shows the status text.
#include "installer/install_command.h"

#include <shlobj.h>

#include "assets/language_texts.h"
#include "assets/program_data.h"
#include "common/shared_state.h"
#include "common/status_line.h"
#include "common/wide_text.h"
#include "installer/after_install.h"
#include "installer/cabinet_extract.h"
#include "installer/install_paths.h"
#include "installer/install_progress.h"
#include "music/music_player.h"

namespace {

char16_t BrowseTitle[BrowseTitleSize];
char16_t ChosenFolder[PathBufferSize];

bool Extracting;
bool InstallStopAsked;

// --- the status line ---------------------------------------------------------------------
//
// The render thread draws the text that StatusText points to, loading the pointer once a frame,
// at any time. Each percent has a text of its own, formed the first time it is shown and never
// written again, so a draw can never see a text change under it; the pointer is stored once the
// text is complete.

constexpr DWORD ProgressIntervalMs = 200;  // a few updates a second are enough to see it move

char ProgressTexts[101][ProgressTextSize];  // 0% to 100%, zero-filled until first shown
uint32_t ShownPercent;
DWORD ShownAt;

void ShowProgress(uint32_t percent) {
  char* text = ProgressTexts[percent];
  if (!text[0]) FormProgressText(text, ShownText(InstallingKey), percent);
  ShowStatus(text, false);
  ShownPercent = percent;
  ShownAt = GetTickCount();
}

void UpdateProgress(uint32_t percent) {
  if (percent != ShownPercent && GetTickCount() - ShownAt >= ProgressIntervalMs) ShowProgress(percent);
}

// --- the install -------------------------------------------------------------------------

// The folder the user chose, in ChosenFolder; false if there is none.
bool AskForFolder(HWND window, bool* cancelled) {
  FormBrowseTitle(BrowseTitle, ShownText(BrowseKey), ProgramText(FolderNameEntry));
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
  return named;
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

// Extracts the cabinet below ChosenFolder, into the destination root formed in InstallRoot;
// false, with nothing written, when there is no root to form (nothing must then be written below
// whatever the buffer held before).
bool InstallIntoChosenFolder(bool (*betweenBlocks)(uint32_t percent)) {
  if (!FormInstallRoot(InstallRoot, ChosenFolder, ProgramText(FolderNameEntry))) return false;
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
    ShowProgress(0);
    bool installed = chosen && InstallIntoChosenFolder(HandleMessagesBetweenBlocks);
    ShowStatus(ShownText(installed ? CompletedKey : ErrorKey), true);
    // Once what the author asked for is started, the installer has done its part.
    if (installed && StartAfterInstall(window)) {
      MusicFadeOut();
      PostMessageA(window, WM_CLOSE, 0, 0);
    }
  }
  HotButton.store(HotNone);
}

bool InstallUnattended(const char16_t* folder) {
  DWORD length = GetFullPathNameW(Wide(folder), PathBufferSize, Wide(ChosenFolder), nullptr);
  return length > 0 && length < PathBufferSize && InstallIntoChosenFolder(nullptr);
}
