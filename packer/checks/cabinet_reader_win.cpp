// Reading a cabinet back on Windows: the platform's FDI in cabinet.dll, the installer's own
// decompressor. FDI opens the cabinet by name through the callbacks below, which read it from its
// place in a file, and hands over each file's bytes through writes to a handle the notification
// gave it, here the sink.
#include <windows.h>

#include <fcntl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "packer/checks/cabinet_reader.h"
#include "packer/file_io.h"
#include "packer/system_libraries_win.h"

namespace {

// One extraction: the cabinet's place and the sink, for the callbacks that get no user value.
struct Extraction {
  const CabinetPlace* place;
  CabinetSink* sink;
  std::string failure;
};
Extraction* Current;

// A handle is either the cabinet, read from its place, or the sink.
struct Handle {
  bool cabinet;
  InputFile file;
  uint64_t position = 0;
};
Handle SinkHandle = {false, {}, 0};

Handle* Of(INT_PTR handle) { return reinterpret_cast<Handle*>(handle); }

FNALLOC(Alloc) { return std::malloc(cb); }
FNFREE(Free) { std::free(pv); }

FNOPEN(Open) {
  if ((oflag & (_O_WRONLY | _O_RDWR)) != 0) return -1;
  auto* handle = new Handle{true, {}, 0};
  if (!handle->file.Open(Current->place->path, &Current->failure)) {
    delete handle;
    return -1;
  }
  return reinterpret_cast<INT_PTR>(handle);
}

FNREAD(Read) {
  Handle* handle = Of(hf);
  if (!handle->cabinet) return UINT(-1);
  uint64_t left = Current->place->length - handle->position;
  size_t wanted = cb < left ? cb : size_t(left), done = 0;
  if (!handle->file.Seek(Current->place->offset + handle->position)) return UINT(-1);
  while (done < wanted) {
    int64_t got = handle->file.Read(static_cast<char*>(pv) + done, wanted - done, &Current->failure);
    if (got < 0) return UINT(-1);
    if (got == 0) break;
    done += size_t(got);
  }
  handle->position += done;
  return UINT(done);
}

FNWRITE(Write) {
  if (Of(hf)->cabinet) return UINT(-1);
  return Current->sink->Write(static_cast<const uint8_t*>(pv), cb) ? cb : UINT(-1);
}

FNCLOSE(Close) {
  if (Of(hf)->cabinet) delete Of(hf);
  return 0;
}

FNSEEK(Seek) {
  Handle* handle = Of(hf);
  int64_t base = seektype == SEEK_SET ? 0 : seektype == SEEK_CUR ? int64_t(handle->position) : int64_t(Current->place->length);
  int64_t target = base + dist;
  if (!handle->cabinet || target < 0 || uint64_t(target) > Current->place->length) return -1;
  handle->position = uint64_t(target);
  return LONG(target);
}

FNFDINOTIFY(Notify) {
  switch (fdint) {
    case fdintCOPY_FILE:
      return Current->sink->BeginFile(pfdin->psz1, pfdin->cb) ? reinterpret_cast<INT_PTR>(&SinkHandle) : -1;
    case fdintCLOSE_FILE_INFO:
      return Current->sink->EndFile() ? TRUE : FALSE;
    default:
      return 0;
  }
}

const char* ErrorText(int error) {
  switch (error) {
    case FDIERROR_CABINET_NOT_FOUND: return "it cannot be opened";
    case FDIERROR_NOT_A_CABINET: return "it is not a cabinet";
    case FDIERROR_UNKNOWN_CABINET_VERSION: return "it is of another cabinet version";
    case FDIERROR_CORRUPT_CABINET: return "its structure is damaged";
    case FDIERROR_ALLOC_FAIL: return "out of memory";
    case FDIERROR_BAD_COMPR_TYPE: return "it uses an unknown compression";
    case FDIERROR_MDI_FAIL: return "its compressed data is damaged";
    case FDIERROR_TARGET_FILE: return "an extracted file was refused";
    case FDIERROR_USER_ABORT: return "an extracted file was refused";
    default: return "it cannot be extracted";
  }
}

}  // namespace

std::string ExtractCabinet(const CabinetPlace& place, CabinetSink* sink) {
  const SystemEntries& system = System();
  if (!system.fdiCreate || !system.fdiCopy || !system.fdiDestroy) return "the system's cabinet.dll has no FDI";
  Extraction extraction = {&place, sink, ""};
  Current = &extraction;
  ERF error = {};
  HFDI fdi = system.fdiCreate(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &error);
  if (!fdi) return "FDI could not start";
  char name[] = "cabinet", path[] = "";
  BOOL copied = system.fdiCopy(fdi, name, path, 0, Notify, nullptr, nullptr);
  system.fdiDestroy(fdi);
  Current = nullptr;
  return copied ? "" : std::string("FDI: ") + ErrorText(error.erfOper);
}
