#include "packer/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// The temporary file, for the signal handler; empty while there is none.
char TemporaryPath[4096];
const int CleanedUpSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveTemporaryAndStop(int signal) {
  if (TemporaryPath[0]) unlink(TemporaryPath);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

void GuardTemporary(const std::string& path) {
  std::strncpy(TemporaryPath, path.c_str(), sizeof TemporaryPath - 1);
  for (int signal : CleanedUpSignals) std::signal(signal, RemoveTemporaryAndStop);
}

void ReleaseTemporary() {
  for (int signal : CleanedUpSignals) std::signal(signal, SIG_DFL);
  TemporaryPath[0] = '\0';
}

bool WriteAll(int file, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = write(file, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += size_t(written);
  }
  return true;
}

// mkstemp makes the file readable by its owner only; the installer gets the usual permissions.
int CreationMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  std::string temporary = path + ".zav-pack-XXXXXX";
  if (temporary.size() >= sizeof TemporaryPath) {
    *error = "the path is too long";
    return false;
  }
  sigset_t signals, before;
  sigemptyset(&signals);
  for (int signal : CleanedUpSignals) sigaddset(&signals, signal);
  // No signal between the file's creation and the handler knowing its name.
  sigprocmask(SIG_BLOCK, &signals, &before);
  int file = mkstemp(&temporary[0]);
  if (file >= 0) GuardTemporary(temporary);
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (file < 0) {
    *error = std::strerror(errno);
    return false;
  }
  std::string failure;
  if (fchmod(file, CreationMode()) != 0 || !WriteAll(file, bytes) || fsync(file) != 0)
    failure = std::strerror(errno);
  if (close(file) != 0 && failure.empty()) failure = std::strerror(errno);
  if (failure.empty() && rename(temporary.c_str(), path.c_str()) != 0) failure = std::strerror(errno);
  if (!failure.empty()) {
    unlink(temporary.c_str());
    *error = failure;
  }
  sigprocmask(SIG_BLOCK, &signals, &before);
  ReleaseTemporary();
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return failure.empty();
}
