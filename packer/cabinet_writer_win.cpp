// Packing an MSZIP cabinet on Windows with the platform's FCI in cabinet.dll. FCI reads each source
// file through the callbacks in pieces, keeps what it compressed in temporary files of its own
// (on the disk, deleted when they close, also if the process is ended), and copies them into the
// cabinet at the end: the cabinet here is the output file seen from the cabinet's offset on.
#include <windows.h>

#include <fcntl.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "packer/cabinet_format.h"
#include "packer/cabinet_writer.h"
#include "packer/system_libraries_win.h"
#include "packer/wide_text_win.h"

namespace {

const char CabinetName[] = "installer.cab";
const ULONG CabinetMaxBytes = 0x7FFFFFFF;  // one cabinet, never a set
const USHORT NameIsUtf8 = 0x80;            // _A_NAME_IS_UTF

// A temporary file of FCI's, kept open from its first open to its deletion: FCI may close and
// open it again by name meanwhile.
struct Temporary {
  HANDLE file;
  ~Temporary() { CloseHandle(file); }
};

// One packing, for the callbacks: the sources, the output and FCI's temporary files by name.
struct Packing {
  const std::vector<PayloadFile>* files;
  OutputFile* output;
  uint64_t offset;
  uint64_t end = 0;  // the furthest cabinet byte written
  std::map<std::string, std::unique_ptr<Temporary>> temporaries;
  unsigned temporaryCount = 0;
  std::string failure;
};

// An open file: the cabinet in the output, a temporary file, or a source read for FCI.
struct Handle {
  enum Kind { Cabinet, TemporaryFile, Source } kind;
  HANDLE file;      // of a temporary file or a source
  uint64_t position;
};

Packing* Of(void* pv) { return static_cast<Packing*>(pv); }
Handle* Of(INT_PTR handle) { return reinterpret_cast<Handle*>(handle); }
INT_PTR Opened(Handle::Kind kind, HANDLE file) { return reinterpret_cast<INT_PTR>(new Handle{kind, file, 0}); }

// Reads or writes at the handle's position in its own file.
bool Transfer(HANDLE file, uint64_t position, void* bytes, UINT count, bool write, DWORD* done) {
  OVERLAPPED at = {};
  at.Offset = DWORD(position);
  at.OffsetHigh = DWORD(position >> 32);
  *done = 0;
  return write ? WriteFile(file, bytes, count, done, &at) : (ReadFile(file, bytes, count, done, &at) || GetLastError() == ERROR_HANDLE_EOF);
}

FNFCIALLOC(Alloc) { return std::malloc(cb); }
FNFCIFREE(Free) { std::free(memory); }

FNFCIOPEN(Open) {
  Packing* packing = Of(pv);
  if (std::string(pszFile) == CabinetName) return Opened(Handle::Cabinet, nullptr);
  auto found = packing->temporaries.find(pszFile);
  if (found != packing->temporaries.end()) return Opened(Handle::TemporaryFile, found->second->file);
  wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (GetTempPathW(MAX_PATH + 1, folder) && GetTempFileNameW(folder, L"zav", 0, name))
    file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *err = int(GetLastError());
    return -1;
  }
  packing->temporaries[pszFile].reset(new Temporary{file});
  return Opened(Handle::TemporaryFile, file);
}

FNFCIREAD(Read) {
  Handle* handle = Of(hf);
  Packing* packing = Of(pv);
  DWORD done = 0;
  if (handle->kind == Handle::Cabinet) {
    std::string error;
    uint64_t left = packing->end > handle->position ? packing->end - handle->position : 0;
    done = DWORD(cb < left ? cb : left);
    if (!packing->output->ReadAt(packing->offset + handle->position, memory, done, &error)) return UINT(-1);
  } else if (!Transfer(handle->file, handle->position, memory, cb, false, &done)) {
    *err = int(GetLastError());
    return UINT(-1);
  }
  handle->position += done;
  return done;
}

FNFCIWRITE(Write) {
  Handle* handle = Of(hf);
  Packing* packing = Of(pv);
  DWORD done = cb;
  if (handle->kind == Handle::Cabinet) {
    if (!packing->output->WriteAt(packing->offset + handle->position, memory, cb, &packing->failure)) return UINT(-1);
    if (handle->position + cb > packing->end) packing->end = handle->position + cb;
  } else if (handle->kind == Handle::Source || !Transfer(handle->file, handle->position, memory, cb, true, &done)) {
    *err = int(GetLastError());
    return UINT(-1);
  }
  handle->position += done;
  return done;
}

FNFCICLOSE(Close) {
  Handle* handle = Of(hf);
  if (handle->kind == Handle::Source) CloseHandle(handle->file);
  delete handle;
  return 0;
}

FNFCISEEK(Seek) {
  Handle* handle = Of(hf);
  int64_t base = seektype == SEEK_SET ? 0 : seektype == SEEK_CUR ? int64_t(handle->position) : -1;
  if (base < 0) {
    LARGE_INTEGER size = {};
    if (handle->kind == Handle::Cabinet) size.QuadPart = LONGLONG(Of(pv)->end);
    else GetFileSizeEx(handle->file, &size);
    base = size.QuadPart;
  }
  if (base + dist < 0) return -1;
  handle->position = uint64_t(base + dist);
  return LONG(handle->position);
}

FNFCIDELETE(Delete) {
  Of(pv)->temporaries.erase(pszFile);  // closing it deletes it
  return 0;
}

FNFCIGETTEMPFILE(TemporaryName) {
  Packing* packing = Of(pv);
  std::string name = "temporary-" + std::to_string(++packing->temporaryCount);
  if (int(name.size()) >= cbTempName) return FALSE;
  lstrcpyA(pszTempName, name.c_str());
  return TRUE;
}

FNFCIFILEPLACED(Placed) { return 0; }
FNFCIGETNEXTCABINET(NextCabinet) { return FALSE; }
FNFCISTATUS(Status) { return 0; }

// FCI asks for a source by the name given to FCIAddFile: here its number in the list.
FNFCIGETOPENINFO(OpenSource) {
  Packing* packing = Of(pv);
  const PayloadFile& source = (*packing->files)[size_t(std::strtoul(pszName, nullptr, 10))];
  HANDLE file = CreateFileW(SystemPath(source.path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *err = int(GetLastError());
    packing->failure = "'" + source.path + "' cannot be read: " + SystemMessage(GetLastError());
    return -1;
  }
  DosDateTime(CabinetTime(source.time), pdate, ptime);
  *pattribs = 0;
  for (unsigned char c : source.stored) {
    if (c >= 0x80) *pattribs = NameIsUtf8;
  }
  return Opened(Handle::Source, file);
}

}  // namespace

bool WriteMszipCabinet(const std::vector<PayloadFile>& files, OutputFile* output, uint64_t offset, uint64_t* size,
                       std::string* error) {
  const SystemEntries& system = System();
  if (!system.fciCreate || !system.fciAddFile || !system.fciFlushCabinet || !system.fciDestroy) {
    *error = "the system's cabinet.dll has no FCI";
    return false;
  }
  Packing packing;
  packing.files = &files;
  packing.output = output;
  packing.offset = offset;
  CCAB cabinet = {};
  cabinet.cb = CabinetMaxBytes;
  cabinet.cbFolderThresh = CabinetMaxBytes;
  lstrcpyA(cabinet.szCab, CabinetName);
  ERF failure = {};
  HFCI fci = system.fciCreate(&failure, Placed, Alloc, Free, Open, Read, Write, Close, Seek, Delete, TemporaryName,
                              &cabinet, &packing);
  if (!fci) {
    *error = "FCI could not start";
    return false;
  }
  bool packed = true;
  for (size_t i = 0; i < files.size() && packed; ++i) {
    std::string number = std::to_string(i), stored = files[i].stored;
    packed = system.fciAddFile(fci, &number[0], &stored[0], FALSE, NextCabinet, Status, OpenSource,
                               tcompTYPE_MSZIP) != FALSE;
  }
  packed = packed && system.fciFlushCabinet(fci, FALSE, NextCabinet, Status);
  system.fciDestroy(fci);
  if (!packed) {
    *error = !packing.failure.empty() ? packing.failure : "FCI failed (error " + std::to_string(failure.erfOper) + ")";
    return false;
  }
  *size = packing.end;
  return true;
}
