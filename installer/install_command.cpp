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

namespace {

char16_t BrowseTitle[BrowseTitleSize];
char16_t ChosenFolder[PathBufferSize];
const char Installing[] = "Installing...";
const char Installed[] = "Installation completed";
const char InstallFailed[] = "Unknown error";

bool Extracting;
bool InstallStopAsked;

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

// Handles the window's messages between two data blocks; false once a stop has been asked for.
bool HandleMessagesBetweenBlocks() {
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

bool Extract(bool (*betweenBlocks)()) {
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
    StatusText.store(Installing);
    bool installed = chosen && Extract(HandleMessagesBetweenBlocks);
    StatusText.store(installed ? Installed : InstallFailed);
  }
  HotButton.store(HotNone);
}
