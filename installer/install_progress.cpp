#include "installer/install_progress.h"

#include <cstring>

#include "installer/utf8.h"

namespace {

// The cabinet header's offset of the first file entry and the count of entries, and the size
// of an entry before its name (the file's size comes first).
const uint32_t FileListOffsetAt = 16;
const uint32_t FileCountAt = 28;
const uint32_t FileEntryBytes = 16;

uint32_t Read(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

}  // namespace

uint64_t CabinetFileBytes(const uint8_t* image, uint32_t size) {
  if (size < FileCountAt + 2 || std::memcmp(image, "MSCF", 4) != 0) return 0;
  uint64_t total = 0;
  uint32_t at = Read(image + FileListOffsetAt, 4);
  for (uint32_t files = Read(image + FileCountAt, 2); files > 0; --files) {
    if (at >= size || size - at <= FileEntryBytes) return 0;
    const void* nameEnd = std::memchr(image + at + FileEntryBytes, 0, size - at - FileEntryBytes);
    if (!nameEnd) return 0;
    total += Read(image + at, 4);
    at = static_cast<uint32_t>(static_cast<const uint8_t*>(nameEnd) - image) + 1;
  }
  return total;
}

uint32_t ProgressPercent(uint64_t written, uint64_t total) {
  if (written >= total) return 100;
  // A cabinet holds at most 65,535 files of 4 GiB each, so 100 times that stays in 64 bits.
  return static_cast<uint32_t>(written * 100 / total);
}

void FormProgressText(char text[ProgressTextSize], const char* pattern, uint32_t percent) {
  char digits[4], *out = digits;
  if (percent >= 100) *out++ = '1';
  if (percent >= 10) *out++ = static_cast<char>('0' + percent / 10 % 10);
  *out++ = static_cast<char>('0' + percent % 10);
  *out = 0;
  FillPlaceholder(text, ProgressTextSize, pattern, "{percent}", digits);
}
