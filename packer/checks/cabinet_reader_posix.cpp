// Reading a cabinet back on Linux: libmspack, the decompressor of Debian's cabextract, which
// knows MSZIP, LZX and Quantum as the installer's decompressor does. libmspack reads and writes
// through a table of file operations: here the cabinet is a part of a file, and each file it
// extracts goes to the sink.
#include <mspack.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "packer/checks/cabinet_reader.h"
#include "packer/file_io.h"

namespace {

const char CabinetName[] = "cabinet";  // the name libmspack opens the cabinet by

// The table of operations with the place and the sink beside it; each open file is a Handle.
struct System {
  mspack_system table;
  const CabinetPlace* place;
  CabinetSink* sink;
  std::string failure;
};

struct Handle {
  bool cabinet;
  System* system;
  InputFile file;
  uint64_t position = 0;
};

System* Of(mspack_system* self) { return reinterpret_cast<System*>(self); }
Handle* Of(mspack_file* file) { return reinterpret_cast<Handle*>(file); }

mspack_file* Open(mspack_system* self, const char* name, int mode) {
  System* system = Of(self);
  bool cabinet = std::strcmp(name, CabinetName) == 0;
  if (cabinet != (mode == MSPACK_SYS_OPEN_READ)) return nullptr;
  auto* handle = new Handle{cabinet, system, {}, 0};
  if (cabinet && !handle->file.Open(system->place->path, &system->failure)) {
    delete handle;
    return nullptr;
  }
  return reinterpret_cast<mspack_file*>(handle);
}

void Close(mspack_file* file) { delete Of(file); }

int Read(mspack_file* file, void* buffer, int bytes) {
  Handle* handle = Of(file);
  uint64_t left = handle->system->place->length - handle->position;
  size_t wanted = size_t(bytes) < left ? size_t(bytes) : size_t(left);
  if (!handle->file.Seek(handle->system->place->offset + handle->position)) return -1;
  size_t done = 0;
  while (done < wanted) {
    int64_t got = handle->file.Read(static_cast<char*>(buffer) + done, wanted - done, &handle->system->failure);
    if (got < 0) return -1;
    if (got == 0) break;
    done += size_t(got);
  }
  handle->position += done;
  return int(done);
}

int Write(mspack_file* file, void* buffer, int bytes) {
  Handle* handle = Of(file);
  return handle->system->sink->Write(static_cast<const uint8_t*>(buffer), size_t(bytes)) ? bytes : -1;
}

int Seek(mspack_file* file, off_t offset, int mode) {
  Handle* handle = Of(file);
  int64_t base = mode == MSPACK_SYS_SEEK_START ? 0
               : mode == MSPACK_SYS_SEEK_CUR   ? int64_t(handle->position)
                                               : int64_t(handle->system->place->length);
  int64_t target = base + int64_t(offset);
  if (target < 0 || uint64_t(target) > handle->system->place->length) return -1;
  handle->position = uint64_t(target);
  return 0;
}

off_t Tell(mspack_file* file) { return off_t(Of(file)->position); }

void Message(mspack_file*, const char*, ...) {}
void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void Free(void* block) { std::free(block); }
void Copy(void* from, void* to, size_t bytes) { std::memmove(to, from, bytes); }

const char* ErrorText(int error) {
  switch (error) {
    case MSPACK_ERR_OPEN: return "it cannot be opened";
    case MSPACK_ERR_READ: return "it cannot be read";
    case MSPACK_ERR_WRITE: return "an extracted file was refused";
    case MSPACK_ERR_SEEK: return "it is cut short";
    case MSPACK_ERR_NOMEMORY: return "out of memory";
    case MSPACK_ERR_SIGNATURE: return "it is not a cabinet";
    case MSPACK_ERR_DATAFORMAT: return "its structure is damaged";
    case MSPACK_ERR_CHECKSUM: return "a data block's checksum is wrong";
    case MSPACK_ERR_DECRUNCH: return "its compressed data is damaged";
    default: return "it cannot be extracted";
  }
}

}  // namespace

std::string ExtractCabinet(const CabinetPlace& place, CabinetSink* sink) {
  System system = {{Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr}, &place, sink, ""};
  mscab_decompressor* decompressor = mspack_create_cab_decompressor(&system.table);
  if (!decompressor) return "libmspack could not start";
  std::string problem;
  mscabd_cabinet* cabinet = decompressor->open(decompressor, CabinetName);
  if (!cabinet) problem = ErrorText(decompressor->last_error(decompressor));
  // Files in the order the cabinet holds them, which is also the order of their data.
  for (mscabd_file* file = cabinet ? cabinet->files : nullptr; file && problem.empty(); file = file->next) {
    if (!sink->BeginFile(file->filename, file->length)) {
      problem = "'" + std::string(file->filename) + "' is not what was packed";
      break;
    }
    int error = decompressor->extract(decompressor, file, "file");
    if (error != MSPACK_ERR_OK || !sink->EndFile())
      problem = "'" + std::string(file->filename) + "': " + (error != MSPACK_ERR_OK ? ErrorText(error) : "it is not what was packed");
  }
  if (cabinet) decompressor->close(decompressor, cabinet);
  mspack_destroy_cab_decompressor(decompressor);
  return problem.empty() ? "" : "libmspack: " + problem;
}
