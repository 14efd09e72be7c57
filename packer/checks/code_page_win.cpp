// The info text's conversion on Windows: the platform's MultiByteToWideChar from UTF-8, a
// character at a time so that the first byte that is not UTF-8 is known, and WideCharToMultiByte
// to code page 437 without best-fit substitutes, a character that takes the default one refused.
#include <windows.h>

#include "packer/checks/code_page.h"

namespace {

// The byte count of a UTF-8 sequence by its lead byte; 0 for a byte that leads none.
size_t SequenceLength(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
}

}  // namespace

bool DecodeUtf8(const std::string& text, std::vector<Utf8Character>* characters, size_t* valid) {
  size_t at = 0;
  while (at < text.size()) {
    size_t length = SequenceLength(static_cast<unsigned char>(text[at]));
    wchar_t units[2];
    int count = length && at + length <= text.size()
                    ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data() + at, int(length), units, 2)
                    : 0;
    if (count == 0) break;
    uint32_t codePoint = count == 2 ? 0x10000 + ((uint32_t(units[0]) - 0xD800) << 10) + (uint32_t(units[1]) - 0xDC00) : units[0];
    characters->push_back({codePoint, at, length});
    at += length;
  }
  *valid = at;
  return true;
}

bool ToCodePage437(uint32_t codePoint, char* byte) {
  if (codePoint > 0xFFFF) return false;  // code page 437 has nothing outside the basic plane
  wchar_t unit = wchar_t(codePoint);
  BOOL usedDefault = FALSE;
  int count = WideCharToMultiByte(437, WC_NO_BEST_FIT_CHARS, &unit, 1, byte, 1, nullptr, &usedDefault);
  return count == 1 && !usedDefault;
}
