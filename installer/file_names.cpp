#include "installer/file_names.h"

#include <cstdint>
#include <cstring>

#include "installer/utf8.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters that no file name may hold; ':' would also name a drive or a data stream. Bytes
// of UTF-8 sequences are all 0x80 or more, so this holds byte for byte.
bool IsForbiddenCharacter(unsigned char c) {
  return c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Names that open a device instead of a file in any folder, whatever extension follows. The
// ports COM and LPT take one digit, or (in newer Windows versions) a superscript one to three,
// two bytes in UTF-8; PortNumber stands for either.
const char PortNumber = '#';
const char DeviceNames[] = "CON\0PRN\0AUX\0NUL\0CONIN$\0CONOUT$\0COM#\0LPT#\0";

bool IsPortNumber(const char* text, int length) {
  if (length == 1) return text[0] >= '0' && text[0] <= '9';
  return length == 2 && text[0] == '\xC2' &&
         (text[1] == '\xB9' || text[1] == '\xB2' || text[1] == '\xB3');
}

// Whether the stem's `length` characters are `device` in any case.
bool IsDevice(const char* stem, int length, const char* device) {
  for (int i = 0;; ++i) {
    if (device[i] == PortNumber) return IsPortNumber(stem + i, length - i);
    if (!device[i] || i == length) return !device[i] && i == length;
    if (Upper(stem[i]) != device[i]) return false;
  }
}

// The part before the first "." with trailing blanks dropped ("con .txt" is "CON" too) is
// what the platform compares with its device names.
bool IsDeviceName(const char* part, int length) {
  int stem = 0;
  while (stem < length && part[stem] != '.') ++stem;
  while (stem > 0 && part[stem - 1] == ' ') --stem;
  for (const char* device = DeviceNames; *device; device += std::strlen(device) + 1) {
    if (IsDevice(part, stem, device)) return true;
  }
  return false;
}

// A part of dots and blanks only is "." or ".." once the platform drops trailing ones.
bool IsDotsAndBlanks(const char* part, int length) {
  for (int i = 0; i < length; ++i) {
    if (part[i] != '.' && part[i] != ' ') return false;
  }
  return true;
}

NameFault PartFault(const char* part, int length) {
  if (length == 0 || IsDotsAndBlanks(part, length) || IsDeviceName(part, length)) return NameFault::Unsafe;
  if (part[length - 1] == '.' || part[length - 1] == ' ') return NameFault::PartEndsInDotOrBlank;
  return NameFault::None;
}

}  // namespace

NameFault StoredNameFault(const char* name) {
  if (!IsUtf8(name)) return NameFault::NotUtf8;
  NameFault found = NameFault::None;
  const char* part = name;
  for (const char* c = name;; ++c) {
    if (*c == '\0' || IsSeparator(*c)) {
      NameFault fault = PartFault(part, static_cast<int>(c - part));
      if (fault == NameFault::Unsafe) return fault;
      if (found == NameFault::None) found = fault;
      if (*c == '\0') return found;
      part = c + 1;
    } else if (IsForbiddenCharacter(static_cast<unsigned char>(*c))) {
      return NameFault::Unsafe;
    }
  }
}

bool IsSafeFolderName(const char* name) {
  int count = CharacterCount(name);
  if (count < 1 || count > FolderNameMaxLength) return false;
  uint32_t c;
  for (const char* at = name; *at;) {
    at += DecodeUtf8(at, &c);  // never 0: the count found UTF-8
    if (c == '\\' || c == '/' || c == 0x7F || (c >= 0x80 && c <= 0x9F)) return false;
  }
  return IsSafeStoredName(name);
}
