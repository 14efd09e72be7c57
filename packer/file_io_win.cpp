// The files zav-pack reads and writes, on Windows: the wide-character calls, names converted
// between UTF-16 and the shared code's UTF-8 so that an unpaired surrogate survives the way
// there and back (checks/utf16_names.h) and is refused as what it is. Reparse points (symbolic links, junctions) count
// as links, which the payload walk refuses.
#include <windows.h>

#include <atomic>

#include "common/wide_text.h"
#include "packer/checks/utf16_names.h"
#include "packer/file_io.h"
#include "packer/wide_text_win.h"

const char PathSeparator = '\\';

// The platform's wide characters are UTF-16 units (common/wide_text.h).
std::wstring Widened(const std::string& utf8) {
  std::u16string units = Utf16FromName(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string Narrowed(const wchar_t* utf16, size_t length) {
  return NameFromUtf16(reinterpret_cast<const char16_t*>(utf16), length);
}

std::string Narrowed(const std::wstring& utf16) { return Narrowed(utf16.data(), utf16.size()); }

std::wstring SystemPath(const std::string& path) {
  std::wstring wide = Widened(path);
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  DWORD length = size ? GetFullPathNameW(wide.c_str(), size, &full[0], nullptr) : 0;
  if (length == 0 || length >= size) return wide;  // the call itself will say what is wrong
  full.resize(length);
  // A drive's path or a share's; a device path ("\\?\", "\\.\") stays as it is.
  if (full.size() > 2 && full[1] == L':') return L"\\\\?\\" + full;
  if (full.size() > 2 && full[0] == L'\\' && full[1] == L'\\' && full[2] != L'?' && full[2] != L'.')
    return L"\\\\?\\UNC" + full.substr(1);
  return full;
}

std::string SystemMessage(unsigned long error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L'.')) --length;
  std::string message = length ? Narrowed(text, length) : "error " + std::to_string(error);
  LocalFree(text);
  return message;
}

namespace {

std::string LastError() { return SystemMessage(GetLastError()); }

int64_t UnixSeconds(FILETIME time) {
  uint64_t ticks = uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime;  // 100 ns since 1601
  return int64_t(ticks / 10000000) - 11644473600LL;
}

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

const DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

PathStatus StatusOf(const std::string& path, bool followLink) {
  PathStatus status;
  std::wstring wide = SystemPath(path);
  WIN32_FILE_ATTRIBUTE_DATA facts;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &facts)) {
    status.error = LastError();
    return status;
  }
  if ((facts.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !followLink) {
    status.kind = PathKind::Link;
    return status;
  }
  // Opened to follow a link, and to tell a device (CON, NUL, a pipe) from a file.
  HANDLE file = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION information;
  if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &information)) {
    status.error = LastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    status.kind = file == INVALID_HANDLE_VALUE ? PathKind::Missing : PathKind::Other;
    return status;
  }
  bool disk = GetFileType(file) == FILE_TYPE_DISK;
  CloseHandle(file);
  status.kind = !disk ? PathKind::Other
              : (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder
                                                                           : PathKind::File;
  status.size = uint64_t(information.nFileSizeHigh) << 32 | information.nFileSizeLow;
  status.modified = UnixSeconds(information.ftLastWriteTime);
  return status;
}

bool ListFolder(const std::string& path, std::vector<std::string>* names, std::string* error) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileExW((SystemPath(path) + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    *error = LastError();
    return false;
  }
  do {
    std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names->push_back(Narrowed(name));
  } while (FindNextFileW(search, &entry));
  DWORD ended = GetLastError();
  FindClose(search);
  if (ended != ERROR_NO_MORE_FILES) {
    *error = SystemMessage(ended);
    return false;
  }
  return true;
}

InputFile::~InputFile() { Close(); }

void InputFile::Close() {
  if (handle_ != -1) CloseHandle(Handle(handle_));
  handle_ = -1;
}

bool InputFile::Open(const std::string& path, std::string* error) {
  HANDLE file = CreateFileW(SystemPath(path).c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = LastError();
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(file);
  return true;
}

int64_t InputFile::Read(void* buffer, size_t count, std::string* error) {
  DWORD got = 0;
  DWORD wanted = count > (1u << 30) ? (1u << 30) : DWORD(count);
  if (!ReadFile(Handle(handle_), buffer, wanted, &got, nullptr)) {
    *error = LastError();
    return -1;
  }
  return got;
}

bool InputFile::Seek(uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = LONGLONG(offset);
  return SetFilePointerEx(Handle(handle_), to, nullptr, FILE_BEGIN) != 0;
}

namespace {

// The temporary file, for the console's control handler (Ctrl+C, Ctrl+Break, the console
// closed, the user logging off): it runs on a thread of its own while the run goes on.
wchar_t PendingTemporary[32768];
std::atomic<bool> TemporaryPending(false);

BOOL WINAPI RemoveTemporary(DWORD) {
  // Opened with FILE_SHARE_DELETE: the file goes once the process's handle closes at its end.
  if (TemporaryPending.exchange(false)) DeleteFileW(PendingTemporary);
  // Ended here, with the code of a program that Ctrl+C ended: Wine's default handler would end
  // it with 0, which a script takes for success.
  ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& path, std::string* error) {
  std::string temporary;
  std::wstring wide;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
    temporary = path + ".zav-pack-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
    wide = SystemPath(temporary);
    if (wide.size() >= sizeof PendingTemporary / sizeof *PendingTemporary) {
      *error = "the path is too long";
      return false;
    }
    file = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    *error = LastError();
    return false;
  }
  lstrcpyW(PendingTemporary, wide.c_str());
  TemporaryPending = true;
  SetConsoleCtrlHandler(RemoveTemporary, TRUE);
  path_ = path;
  temporary_ = temporary;
  handle_ = reinterpret_cast<intptr_t>(file);
  return true;
}

namespace {

// Writes or reads all of `count` bytes at `offset`, a gigabyte at most per call.
bool Transfer(HANDLE file, uint64_t offset, char* bytes, size_t count, bool write, std::string* error) {
  while (count > 0) {
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD piece = count > (1u << 30) ? (1u << 30) : DWORD(count), done = 0;
    BOOL moved = write ? WriteFile(file, bytes, piece, &done, &at) : ReadFile(file, bytes, piece, &done, &at);
    if (!moved || done == 0) {
      *error = moved ? "the file ends early" : LastError();
      return false;
    }
    bytes += done;
    offset += done;
    count -= done;
  }
  return true;
}

}  // namespace

bool OutputFile::WriteAt(uint64_t offset, const void* bytes, size_t count, std::string* error) {
  return Transfer(Handle(handle_), offset, static_cast<char*>(const_cast<void*>(bytes)), count, true, error);
}

bool OutputFile::ReadAt(uint64_t offset, void* buffer, size_t count, std::string* error) {
  return Transfer(Handle(handle_), offset, static_cast<char*>(buffer), count, false, error);
}

bool OutputFile::Commit(std::string* error) {
  std::string failure;
  if (!FlushFileBuffers(Handle(handle_))) failure = LastError();
  CloseHandle(Handle(handle_));
  handle_ = -1;
  if (failure.empty() && !MoveFileExW(SystemPath(temporary_).c_str(), SystemPath(path_).c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    failure = LastError();
  if (!failure.empty()) {
    *error = failure;
    Discard();
    return false;
  }
  TemporaryPending = false;
  SetConsoleCtrlHandler(RemoveTemporary, FALSE);
  temporary_.clear();
  return true;
}

void OutputFile::Discard() {
  if (handle_ != -1) CloseHandle(Handle(handle_));
  handle_ = -1;
  if (temporary_.empty()) return;
  TemporaryPending = false;
  DeleteFileW(SystemPath(temporary_).c_str());
  SetConsoleCtrlHandler(RemoveTemporary, FALSE);
  temporary_.clear();
}
