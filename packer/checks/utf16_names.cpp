#include "packer/checks/utf16_names.h"

#include "installer/utf8.h"

namespace {

bool IsLeadSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsTrailSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string* text, uint32_t c) {
  if (c < 0x80) {
    *text += char(c);
    return;
  }
  int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  const uint8_t leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
  *text += char(leads[length] | c >> 6 * (length - 1));
  for (int i = length - 2; i >= 0; --i) *text += char(0x80 | (c >> 6 * i & 0x3F));
}

}  // namespace

std::string NameFromUtf16(const char16_t* units, size_t count) {
  std::string name;
  for (size_t i = 0; i < count; ++i) {
    uint32_t c = units[i];
    if (IsLeadSurrogate(c) && i + 1 < count && IsTrailSurrogate(units[i + 1]))
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    AppendUtf8(&name, c);  // an unpaired surrogate as the three bytes of its value
  }
  return name;
}

char16_t CarriedSurrogate(const std::string& name, size_t at) {
  if (at + 3 > name.size() || uint8_t(name[at]) != 0xED) return 0;
  uint8_t second = uint8_t(name[at + 1]), third = uint8_t(name[at + 2]);
  if (second < 0xA0 || second > 0xBF || (third & 0xC0) != 0x80) return 0;
  return char16_t(0xD000 | (second & 0x3F) << 6 | (third & 0x3F));
}

std::u16string Utf16FromName(const std::string& name) {
  std::u16string units;
  uint32_t c;
  for (size_t at = 0; at < name.size();) {
    int length = DecodeUtf8(name.c_str() + at, &c);
    if (char16_t surrogate = CarriedSurrogate(name, at)) {
      c = surrogate;
      length = 3;
    } else if (length == 0) {
      c = 0xFFFD;
      length = 1;
    }
    if (c > 0xFFFF) {
      units += char16_t(0xD800 + ((c - 0x10000) >> 10));
      c = 0xDC00 + (c & 0x3FF);
    }
    units += char16_t(c);
    at += size_t(length);
  }
  return units;
}
