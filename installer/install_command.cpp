// The install command: the folder browser, the destination root and the status line around
// the extraction of the program's cabinet. It runs on the user-interface thread to its end,
// handling the window's messages between data blocks, while the render thread keeps animating
// and shows the status text.
#include "installer/install_command.h"

#include <shlobj.h>

#include "assets/program_data.h"
#include "common/shared_state.h"
#include "installer/cabinet_extract.h"
#include "installer/install_paths.h"
#include "installer/memory_file.h"

namespace {

// "Select folder where 'NAME' will be installed. Directory 'NAME' will be created automatically."
char BrowseTitle[128 + 2 * FolderNameMaxLength];
const char Installing[] = "Installing...";
const char Installed[] = "Installation completed";
const char InstallFailed[] = "Unknown error";

bool Extracting;
bool InstallStopAsked;

void FormBrowseTitle() {
  lstrcpyA(BrowseTitle, "Select folder where '");
  lstrcatA(BrowseTitle, ProgramText(FolderNameEntry));
  lstrcatA(BrowseTitle, "' will be installed. Directory '");
  lstrcatA(BrowseTitle, ProgramText(FolderNameEntry));
  lstrcatA(BrowseTitle, "' will be created automatically.");
}

// The chosen folder's path in InstallRoot; false if it has none (nothing must then be written
// below whatever the buffer held before).
bool AskForFolder(HWND window, bool* cancelled) {
  FormBrowseTitle();
  BROWSEINFOA browse = {};
  browse.hwndOwner = window;
  browse.lpszTitle = BrowseTitle;
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST folder = SHBrowseForFolderA(&browse);
  *cancelled = folder == nullptr;
  if (!folder) return false;
  bool named = SHGetPathFromIDListA(folder, InstallRoot) != FALSE;
  CoTaskMemFree(folder);
  return named;
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

bool Extract() {
  Extracting = true;
  InstallStopAsked = false;
  bool extracted = ExtractCabinet(HandleMessagesBetweenBlocks);
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
    MemoryFileAttach(ProgramData[CabinetEntry].bytes, ProgramData[CabinetEntry].size);
    bool installed = chosen && CompleteInstallRoot(InstallRoot, ProgramText(FolderNameEntry)) && Extract();
    StatusText.store(installed ? Installed : InstallFailed);
  }
  HotButton.store(HotNone);
}
