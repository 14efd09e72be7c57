#include "packer/checks/diagnostics.h"

#include <cctype>
#include <cstring>

#include "packer/file_io.h"

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
  PathStatus status = StatusOf(input.value, true);
  if (status.kind != PathKind::File) {
    diagnostics->Problem(input, status.kind == PathKind::Missing ? "cannot be read: " + status.error
                                : status.kind == PathKind::Folder ? "is a folder, not a file; name a file"
                                                                  : "is not a plain file; name a file");
    return false;
  }
  if (status.size > maxBytes) {
    diagnostics->Problem(input, WithThousands(status.size) + " bytes, more than the " + WithThousands(maxBytes) +
                                    " that it may have");
    return false;
  }
  InputFile file;
  std::string error;
  if (!file.Open(input.value, &error)) {
    diagnostics->Problem(input, "cannot be read: " + error);
    return false;
  }
  bytes->clear();
  uint8_t buffer[1 << 16];
  int64_t got;
  // Bounded even if the file grows while it is read.
  while (bytes->size() <= maxBytes && (got = file.Read(buffer, sizeof buffer, &error)) != 0) {
    if (got < 0) {
      diagnostics->Problem(input, "cannot be read: " + error);
      return false;
    }
    bytes->insert(bytes->end(), buffer, buffer + got);
  }
  if (bytes->size() > maxBytes) {
    diagnostics->Problem(input, "grew past " + WithThousands(maxBytes) + " bytes while it was read");
    return false;
  }
  return true;
}
