#include "installer/utf8.h"

#include <cstddef>
#include <cstring>

namespace {

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

int DecodeUtf8(const char* text, uint32_t* codePoint) {
  const uint8_t* b = reinterpret_cast<const uint8_t*>(text);
  int length = b[0] < 0x80 ? 1 : b[0] < 0xC2 ? 0 : b[0] < 0xE0 ? 2 : b[0] < 0xF0 ? 3 : b[0] < 0xF5 ? 4 : 0;
  if (length == 0) return 0;  // a continuation byte, an overlong lead (C0, C1), or past F4
  uint32_t value = length == 1 ? b[0] : b[0] & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if (!IsContinuation(b[i])) return 0;  // the NUL included: the sequence is cut short
    value = value << 6 | (b[i] & 0x3F);
  }
  // The least value that needs the length: a smaller one in more bytes is an overlong form.
  uint32_t least = length == 1 ? 0 : length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (value < least || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
  *codePoint = value;
  return length;
}

int CharacterCount(const char* text) {
  int count = 0;
  uint32_t codePoint;
  for (int length; *text; text += length, ++count) {
    if ((length = DecodeUtf8(text, &codePoint)) == 0) return -1;
  }
  return count;
}

char16_t* AppendUtf16(char16_t* out, const char16_t* end, const char* text) {
  char16_t* start = out;
  uint32_t c = 0;
  for (int length; *text; text += length) {
    length = DecodeUtf8(text, &c);
    int units = c > 0xFFFF ? 2 : 1;
    if (length == 0 || end - out < units + 1) break;
    if (units == 2) {
      c -= 0x10000;
      *out++ = char16_t(0xD800 + (c >> 10));
      c = 0xDC00 + (c & 0x3FF);
    }
    *out++ = char16_t(c);
  }
  bool whole = *text == 0 && out < end;
  if (!whole) out = start;
  if (out < end) *out = 0;
  return whole ? out : nullptr;
}

bool FillPlaceholder(char* out, int size, const char* pattern, const char* placeholder, const char* value) {
  size_t placeholderLength = std::strlen(placeholder), valueLength = std::strlen(value);
  char* end = out + size;
  while (*pattern) {
    bool fill = std::strncmp(pattern, placeholder, placeholderLength) == 0;
    const char* piece = fill ? value : pattern;
    size_t length = fill ? valueLength : 1;
    if (end - out <= std::ptrdiff_t(length)) {
      *out = 0;
      return false;
    }
    std::memcpy(out, piece, length);
    out += length;
    pattern += fill ? placeholderLength : 1;
  }
  *out = 0;
  return true;
}
