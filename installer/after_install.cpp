#include "installer/after_install.h"

#include <shellapi.h>

#include "assets/program_data.h"
#include "common/wide_text.h"
#include "installer/install_paths.h"

namespace {

char16_t RunFolder[PathBufferSize];

// The path without the long-path prefix, which the shell does not take: "\\?\C:\x" is "C:\x",
// and "\\?\UNC\server\x" is "\\server\x" (formed in place from the "C\" before "\server").
char16_t* Unprefixed(char16_t* path) {
  static const char16_t Prefix[] = u"\\\\?\\", Unc[] = u"UNC\\";
  for (int i = 0; i < 4; ++i) {
    if (path[i] != Prefix[i]) return path;
  }
  for (int i = 0; i < 4; ++i) {
    if (path[4 + i] != Unc[i]) return path + 4;
  }
  path[6] = u'\\';
  return path + 6;
}

// The folder that holds `file`: everything before its last "\".
const char16_t* FolderOf(const char16_t* file) {
  int last = 0;
  for (int i = 0; file[i] && i < PathBufferSize - 1; ++i) {
    RunFolder[i] = file[i];
    if (file[i] == u'\\') last = i;
  }
  RunFolder[last] = 0;
  return RunFolder;
}

}  // namespace

bool StartAfterInstall(HWND window) {
  const char* target = ProgramText(RunEntry);
  bool openFolder = ProgramData[FlagsEntry].size && (ProgramData[FlagsEntry].bytes[0] & OpenFolderFlag);
  if (!target && !openFolder) return false;
  if (target && FormTargetPath(TargetPath, InstallRoot, target)) {
    const char16_t* file = Unprefixed(TargetPath);
    ShellExecuteW(window, nullptr, Wide(file), nullptr, Wide(FolderOf(file)), SW_SHOWNORMAL);
  }
  if (openFolder && AppendPath(TargetPath, TargetPath + PathBufferSize, InstallRoot))
    ShellExecuteW(window, nullptr, Wide(Unprefixed(TargetPath)), nullptr, nullptr, SW_SHOWNORMAL);
  return true;
}
