// zav-pack.exe's entry point: the command line as UTF-16, the report written so that any file
// name shows as it is, and the drop case. A folder dropped on zav-pack.exe in Explorer arrives as
// its only argument; it makes "<folder> Setup.exe" beside the folder with every default, and the
// outcome is told in a message box, since the console that Explorer opened for the program
// closes as soon as it ends.
#include <windows.h>

#include "packer/file_io.h"
#include "packer/packer.h"
#include "packer/system_libraries_win.h"
#include "packer/wide_text_win.h"

namespace {

// To the console as UTF-16, which shows every name; to a file or pipe as UTF-8.
void WriteLines(DWORD stream, const std::vector<std::string>& lines) {
  HANDLE output = GetStdHandle(stream);
  DWORD mode, written;
  for (const std::string& line : lines) {
    if (GetConsoleMode(output, &mode)) {
      std::wstring wide = Widened(line + "\r\n");
      WriteConsoleW(output, wide.data(), DWORD(wide.size()), &written, nullptr);
    } else {
      std::string bytes = line + "\r\n";
      WriteFile(output, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    }
  }
}

// The folder that was dropped, or "" when the arguments are a command line.
std::string DroppedFolder(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1 || arguments[0].empty() || arguments[0][0] == '-') return "";
  std::string folder = arguments[0];
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return StatusOf(folder, true).kind == PathKind::Folder ? folder : "";
}

// A drive ("C:\") or a share ("\\server\share") has no folder beside it for its installer, and
// its name would not make a file name.
bool IsDriveOrShare(const std::string& folder) {
  if (folder.size() >= 2 && folder.size() <= 3 && folder[1] == ':') return true;
  if (folder.compare(0, 2, "\\\\") != 0) return false;
  size_t server = folder.find('\\', 2);
  return server == std::string::npos || folder.find('\\', server + 1) == std::string::npos;
}

void ShowOutcome(int status, const RunReport& report) {
  std::string text;
  for (const std::string& line : report.out) text += line + "\n";
  for (const std::string& line : report.err) text += line + "\n";
  if (!System().messageBox) return;
  System().messageBox(nullptr, Widened(text).c_str(), L"zav-pack",
                      MB_OK | MB_SETFOREGROUND | (status == ExitWritten ? MB_ICONINFORMATION : MB_ICONERROR));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  NarrowLibrarySearch();
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(Narrowed(argv[i]));
  std::string dropped = DroppedFolder(arguments);
  RunReport report;
  int status = ExitBadInput;
  if (!dropped.empty() && IsDriveOrShare(dropped)) {
    report.err.push_back("zav-pack: " + dropped + ": is a whole drive or share, and an installer is made "
                         "beside the folder it packs; drop a folder");
  } else {
    if (!dropped.empty()) arguments = {"--payload", dropped, "-o", dropped + " Setup.exe"};
    status = RunZavPack(arguments, &report);
  }
  WriteLines(STD_OUTPUT_HANDLE, report.out);
  WriteLines(STD_ERROR_HANDLE, report.err);
  if (!dropped.empty()) ShowOutcome(status, report);
  return status;
}
