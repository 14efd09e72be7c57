#include "packer/checks/diagnostics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

std::string ShellQuoted(const std::string& text) {
  bool plain = !text.empty();
  for (unsigned char c : text) {
    if (!std::isalnum(c) && !std::strchr("_-./+:,@%=", c)) plain = false;
  }
  if (plain) return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string WithThousands(uint64_t number) {
  std::string digits = std::to_string(number);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

bool ReadInputFile(const Input& input, uint64_t maxBytes, std::vector<uint8_t>* bytes,
                   Diagnostics* diagnostics) {
  // Not opened before it is known to be a plain file: a FIFO would block the open.
  struct stat status;
  if (stat(input.value.c_str(), &status) != 0) {
    diagnostics->Problem(input, std::string("cannot be read: ") + std::strerror(errno));
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    diagnostics->Problem(input, S_ISDIR(status.st_mode) ? "is a folder, not a file; name a file"
                                                        : "is not a plain file; name a file");
    return false;
  }
  if (uint64_t(status.st_size) > maxBytes) {
    diagnostics->Problem(input, WithThousands(uint64_t(status.st_size)) + " bytes, more than the " +
                                    WithThousands(maxBytes) + " that it may have");
    return false;
  }
  int file = open(input.value.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (file < 0) {
    diagnostics->Problem(input, std::string("cannot be read: ") + std::strerror(errno));
    return false;
  }
  bytes->clear();
  uint8_t buffer[1 << 16];
  ssize_t got;
  // Bounded even if the file grows while it is read.
  while (bytes->size() <= maxBytes && (got = read(file, buffer, sizeof buffer)) != 0) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      diagnostics->Problem(input, std::string("cannot be read: ") + std::strerror(errno));
      close(file);
      return false;
    }
    bytes->insert(bytes->end(), buffer, buffer + got);
  }
  close(file);
  if (bytes->size() > maxBytes) {
    diagnostics->Problem(input, "grew past " + WithThousands(maxBytes) + " bytes while it was read");
    return false;
  }
  return true;
}
