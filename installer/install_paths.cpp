#include "installer/install_paths.h"

#include <cstring>

char InstallRoot[PathBufferSize];
char TargetPath[PathBufferSize];

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters that no file name may hold; ':' would also name a drive or a data stream.
bool IsForbiddenCharacter(unsigned char c) {
  return c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Names that open a device instead of a file in any folder, whatever extension follows.
const char DeviceNames[][8] = {
    "CON",  "PRN",  "AUX",  "NUL",  "CONIN$", "CONOUT$", "COM0", "COM1", "COM2", "COM3",
    "COM4", "COM5", "COM6", "COM7", "COM8",   "COM9",    "LPT0", "LPT1", "LPT2", "LPT3",
    "LPT4", "LPT5", "LPT6", "LPT7", "LPT8",    "LPT9",
};

// The part before the first "." with trailing blanks dropped ("con .txt" is "CON" too) is
// what the platform compares with its device names.
bool IsDeviceName(const char* part, int length) {
  int stem = 0;
  while (stem < length && part[stem] != '.') ++stem;
  while (stem > 0 && part[stem - 1] == ' ') --stem;
  for (const char* device : DeviceNames) {
    int i = 0;
    while (i < stem && device[i] && Upper(part[i]) == device[i]) ++i;
    if (i == stem && !device[i]) return true;
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

bool IsSafePart(const char* part, int length) {
  return length > 0 && !IsDotsAndBlanks(part, length) && !IsDeviceName(part, length);
}

}  // namespace

bool IsSafeFolderName(const char* name) {
  size_t length = std::strlen(name);
  if (length > FolderNameMaxLength) return false;
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c > 0x7E || IsSeparator(name[i])) return false;
  }
  return IsSafeStoredName(name);
}

bool CompleteInstallRoot(char* root, const char* folderName) {
  size_t length = std::strlen(root);
  size_t folderLength = std::strlen(folderName);
  if (length == 0) return false;
  bool needsSeparator = root[length - 1] != '\\';
  // The folder, its separator and the NUL.
  if (length + needsSeparator + folderLength + 2 > PathBufferSize) return false;
  if (needsSeparator) root[length++] = '\\';
  std::memcpy(root + length, folderName, folderLength);
  std::memcpy(root + length + folderLength, "\\", 2);
  return true;
}

bool IsSafeStoredName(const char* name) {
  const char* part = name;
  for (const char* c = name;; ++c) {
    if (*c == '\0' || IsSeparator(*c)) {
      if (!IsSafePart(part, static_cast<int>(c - part))) return false;
      if (*c == '\0') return true;
      part = c + 1;
    } else if (IsForbiddenCharacter(static_cast<unsigned char>(*c))) {
      return false;
    }
  }
}

bool FormTargetPath(char* target, const char* root, const char* storedName) {
  target[0] = '\0';
  size_t rootLength = std::strlen(root);
  size_t nameLength = std::strlen(storedName);
  if (!IsSafeStoredName(storedName) || rootLength + nameLength >= PathBufferSize) return false;
  std::memcpy(target, root, rootLength);
  for (size_t i = 0; i <= nameLength; ++i)
    target[rootLength + i] = storedName[i] == '/' ? '\\' : storedName[i];
  return true;
}
