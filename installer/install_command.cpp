// The install command: the folder browser, the destination root and the status line around
// the extraction of the embedded cabinet. It runs on the user-interface thread to its end,
// while the render thread keeps animating and shows the status text.
#include "installer/install_command.h"

#include <shlobj.h>

#include "assets/embedded.h"
#include "installer/cabinet_extract.h"
#include "installer/install_paths.h"
#include "installer/memory_file.h"
#include "common/shared_state.h"

namespace {

const char BrowseTitle[] =
    "Select folder where 'ZAVInstaller' will be installed. Directory 'ZAVInstaller' will be "
    "created automatically.";
const char Installing[] = "Installing...";
const char Installed[] = "Installation completed";
const char InstallFailed[] = "Unknown error";

// The chosen folder's path in InstallRoot; false if it has none (nothing must then be written
// below whatever the buffer held before).
bool AskForFolder(HWND window, bool* cancelled) {
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

}  // namespace

void InstallCommand(HWND window) {
  bool cancelled;
  bool chosen = AskForFolder(window, &cancelled);
  if (!cancelled) {
    StatusText.store(Installing);
    MemoryFileAttach(CabinetImage, CabinetImageSize);
    bool installed = chosen && CompleteInstallRoot(InstallRoot, "ZAVInstaller") && ExtractCabinet();
    StatusText.store(installed ? Installed : InstallFailed);
  }
  HotButton.store(HotNone);
}
