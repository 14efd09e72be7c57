#include "installer/install_paths.h"

#include "installer/file_names.h"
#include "installer/utf8.h"

char16_t InstallRoot[PathBufferSize];
char16_t TargetPath[PathBufferSize];

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Appends a UTF-8 text with "/" turned into "\"; null when it is no UTF-8 or does not fit.
char16_t* AppendUtf8Path(char16_t* out, const char16_t* end, const char* text) {
  char16_t* start = out;
  out = AppendUtf16(out, end, text);
  for (char16_t* c = start; out && c < out; ++c) {
    if (*c == u'/') *c = u'\\';
  }
  return out;
}

bool Refused(char16_t* path) {
  path[0] = 0;
  return false;
}

}  // namespace

char16_t* AppendPath(char16_t* out, const char16_t* end, const char16_t* text) {
  for (; *text; ++text) {
    if (end - out < 2) return nullptr;
    *out++ = *text == u'/' ? u'\\' : *text;
  }
  *out = 0;
  return out;
}

bool IsAbsolutePath(const char16_t* path) {
  char16_t drive = path[0] | 0x20;
  if (drive >= u'a' && drive <= u'z' && path[1] == u':' && IsSeparator(path[2])) return true;
  // "\\server\share": neither "\\?\" nor "\\.\", which reach the platform's devices.
  return IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] && !IsSeparator(path[2]) &&
         !((path[2] == u'?' || path[2] == u'.') && (IsSeparator(path[3]) || !path[3]));
}

bool FormInstallRoot(char16_t* root, const char16_t* chosen, const char* folderName) {
  if (!IsAbsolutePath(chosen)) return Refused(root);
  const char16_t* end = root + PathBufferSize;
  bool share = IsSeparator(chosen[0]);
  char16_t* out = AppendPath(root, end, share ? u"\\\\?\\UNC" : u"\\\\?\\");
  out = AppendPath(out, end, share ? chosen + 1 : chosen);
  if (out && out[-1] != u'\\') out = AppendPath(out, end, u"\\");
  if (out && *folderName) out = AppendUtf8Path(out, end, folderName);
  if (out && *folderName) out = AppendPath(out, end, u"\\");
  return out ? true : Refused(root);
}

bool FormTargetPath(char16_t* target, const char16_t* root, const char* storedName) {
  if (!IsSafeStoredName(storedName)) return Refused(target);
  const char16_t* end = target + PathBufferSize;
  char16_t* out = AppendPath(target, end, root);
  if (out) out = AppendUtf8Path(out, end, storedName);
  return out ? true : Refused(target);
}

void FormBrowseTitle(char16_t* title, const char* pattern, const char* folderName) {
  // In UTF-8 at most 200 characters of 4 bytes and 25 names of 256 bytes.
  static char filled[2 * BrowseTitleSize];
  FillPlaceholder(filled, sizeof filled, pattern, "{folder}", folderName);
  AppendUtf16(title, title + BrowseTitleSize, filled);
}
