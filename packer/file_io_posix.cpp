// The files zav-pack reads and writes, on Linux: POSIX calls, names as the file system holds them.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "packer/file_io.h"

const char PathSeparator = '/';

PathStatus StatusOf(const std::string& path, bool followLink) {
  PathStatus status;
  struct stat facts;
  if ((followLink ? stat(path.c_str(), &facts) : lstat(path.c_str(), &facts)) != 0) {
    status.error = std::strerror(errno);
    return status;
  }
  status.kind = S_ISREG(facts.st_mode) ? PathKind::File
              : S_ISDIR(facts.st_mode) ? PathKind::Folder
              : S_ISLNK(facts.st_mode) ? PathKind::Link
                                       : PathKind::Other;
  status.size = uint64_t(facts.st_size);
  status.modified = int64_t(facts.st_mtime);
  return status;
}

bool ListFolder(const std::string& path, std::vector<std::string>* names, std::string* error) {
  DIR* folder = opendir(path.c_str());
  if (!folder) {
    *error = std::strerror(errno);
    return false;
  }
  while (dirent* entry = readdir(folder)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names->push_back(entry->d_name);
  }
  closedir(folder);
  return true;
}

InputFile::~InputFile() { Close(); }

void InputFile::Close() {
  if (handle_ >= 0) close(int(handle_));
  handle_ = -1;
}

bool InputFile::Open(const std::string& path, std::string* error) {
  // Not blocking: a FIFO that slipped past the caller's check would block the open.
  int file = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (file < 0) {
    *error = std::strerror(errno);
    return false;
  }
  handle_ = file;
  return true;
}

int64_t InputFile::Read(void* buffer, size_t count, std::string* error) {
  for (;;) {
    ssize_t got = read(int(handle_), buffer, count);
    if (got >= 0) return got;
    if (errno != EINTR) {
      *error = std::strerror(errno);
      return -1;
    }
  }
}

bool InputFile::Seek(uint64_t offset) { return lseek(int(handle_), off_t(offset), SEEK_SET) == off_t(offset); }

namespace {

// The temporary file, for the signal handler; empty while there is none.
char PendingTemporary[4096];
const int CleanedUpSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveTemporaryAndStop(int signal) {
  if (PendingTemporary[0]) unlink(PendingTemporary);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

// Runs `step` with the cleaned-up signals held back, so that none comes between a change of the
// temporary file and the handler knowing of it.
template <typename Step>
void WithSignalsHeld(Step step) {
  sigset_t signals, before;
  sigemptyset(&signals);
  for (int signal : CleanedUpSignals) sigaddset(&signals, signal);
  sigprocmask(SIG_BLOCK, &signals, &before);
  step();
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

// mkstemp makes the file readable by its owner only; the installer gets the usual permissions.
int CreationMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& path, std::string* error) {
  std::string temporary = path + ".zav-pack-XXXXXX";
  if (temporary.size() >= sizeof PendingTemporary) {
    *error = "the path is too long";
    return false;
  }
  int file = -1;
  WithSignalsHeld([&] {
    file = mkstemp(&temporary[0]);
    if (file < 0) return;
    std::strncpy(PendingTemporary, temporary.c_str(), sizeof PendingTemporary - 1);
    for (int signal : CleanedUpSignals) std::signal(signal, RemoveTemporaryAndStop);
  });
  if (file < 0) {
    *error = std::strerror(errno);
    return false;
  }
  path_ = path;
  temporary_ = temporary;
  handle_ = file;
  if (fchmod(file, CreationMode()) != 0) {
    *error = std::strerror(errno);
    Discard();
    return false;
  }
  return true;
}

namespace {

// Writes or reads all of `count` bytes at `offset`.
bool Transfer(int file, uint64_t offset, char* bytes, size_t count, bool write, std::string* error) {
  while (count > 0) {
    ssize_t done = write ? pwrite(file, bytes, count, off_t(offset)) : pread(file, bytes, count, off_t(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      *error = done < 0 ? std::strerror(errno) : write ? "nothing could be written" : "the file ends early";
      return false;
    }
    bytes += done;
    offset += uint64_t(done);
    count -= size_t(done);
  }
  return true;
}

}  // namespace

bool OutputFile::WriteAt(uint64_t offset, const void* bytes, size_t count, std::string* error) {
  return Transfer(int(handle_), offset, static_cast<char*>(const_cast<void*>(bytes)), count, true, error);
}

bool OutputFile::ReadAt(uint64_t offset, void* buffer, size_t count, std::string* error) {
  return Transfer(int(handle_), offset, static_cast<char*>(buffer), count, false, error);
}

bool OutputFile::Commit(std::string* error) {
  std::string failure;
  if (fsync(int(handle_)) != 0) failure = std::strerror(errno);
  if (close(int(handle_)) != 0 && failure.empty()) failure = std::strerror(errno);
  handle_ = -1;
  if (failure.empty() && rename(temporary_.c_str(), path_.c_str()) != 0) failure = std::strerror(errno);
  if (!failure.empty()) {
    *error = failure;
    Discard();
    return false;
  }
  WithSignalsHeld([&] {
    for (int signal : CleanedUpSignals) std::signal(signal, SIG_DFL);
    PendingTemporary[0] = '\0';
  });
  temporary_.clear();
  return true;
}

void OutputFile::Discard() {
  if (handle_ >= 0) close(int(handle_));
  handle_ = -1;
  if (temporary_.empty()) return;
  WithSignalsHeld([&] {
    unlink(temporary_.c_str());
    for (int signal : CleanedUpSignals) std::signal(signal, SIG_DFL);
    PendingTemporary[0] = '\0';
  });
  temporary_.clear();
}
