#include "packer/checks/stored_names.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "installer/file_names.h"
#include "installer/install_paths.h"
#include "installer/utf8.h"
#include "installer/windows_upper_case.h"
#include "packer/checks/cabinet_limits.h"
#include "packer/checks/utf16_names.h"

namespace {

const size_t DriveRootLength = 7;  // "\\?\X:\"
const char ReplacementCharacter[] = "\xEF\xBF\xBD";  // U+FFFD

// The name as Windows compares it: each UTF-16 unit upper-cased, either separator. A name that
// is no UTF-8 (refused on its own) is compared byte for byte.
std::u16string ComparedForm(const std::string& name) {
  std::u16string form(name.size() + 1, u'\0');  // never more units than UTF-8 bytes
  char16_t* end = AppendUtf16(&form[0], &form[0] + form.size(), name.c_str());
  if (end) {
    form.resize(end - &form[0]);
  } else {
    form.assign(name.begin(), name.end());
  }
  for (char16_t& unit : form) unit = unit == u'/' ? u'\\' : WindowsUpperCase(unit);
  return form;
}

std::string Quoted(const std::string& name) { return "'" + ShownName(name) + "'"; }

}  // namespace

size_t StoredNameMaxLength(size_t folderNameLength) {
  size_t room = PathBufferSize - 1;
  size_t root = DriveRootLength + folderNameLength + 1;
  return std::min(CabinetNameMaxLength, room > root ? room - root : 0);
}

std::string StoredNameProblem(const std::string& name, size_t maxLength) {
  switch (StoredNameFault(name.c_str())) {
    case NameFault::NotUtf8:
      return NotUnicodeProblem(name, "rename it in UTF-8 (convmv -f latin1 -t utf8 --notest NAME does it)", "rename it");
    case NameFault::Unsafe:
      return "is not a name the installer may create (a device name such as CON, a part of dots "
             "only, or one of < > : \" | ? * or a control character); rename it";
    case NameFault::PartEndsInDotOrBlank:
      return "has a part that ends in a dot or a blank, which Windows drops; rename it";
    case NameFault::None:
      break;
  }
  if (name.find(ReplacementCharacter) != std::string::npos)
    return "holds U+FFFD (shown as \\uFFFD), which stands for a character lost when the name was "
           "converted (under Wine: a Linux name that is not UTF-8); rename it";
  if (name.size() > maxLength)
    return "is " + std::to_string(name.size()) + " bytes long in UTF-8 (" +
           std::to_string(CharacterCount(name.c_str())) + " characters), and a cabinet stores " +
           std::to_string(maxLength) + " at most; shorten it";
  return "";
}

std::string NotUnicodeProblem(const std::string& name, const char* bytesRemedy, const char* unitsRemedy) {
  for (size_t at = 0; at < name.size(); ++at) {
    if (CarriedSurrogate(name, at))
      return std::string("is not UTF-16: it holds an unpaired surrogate (shown as \\uHHHH), and names on "
                         "Windows are Unicode; ") + unitsRemedy;
  }
  return std::string("is not UTF-8 (the bytes that are not are shown as \\xHH), and names on Windows are "
                     "Unicode; ") + bytesRemedy;
}

std::vector<std::string> StoredNameClashes(const std::vector<std::string>& names) {
  std::vector<std::string> clashes;
  std::map<std::u16string, const std::string*> files;
  std::map<std::u16string, const std::string*> folders;  // each folder part, by its compared form
  for (const std::string& name : names) {
    std::u16string form = ComparedForm(name);
    for (size_t at = form.find(u'\\'); at != std::u16string::npos; at = form.find(u'\\', at + 1))
      folders.emplace(form.substr(0, at), &name);
    auto [file, added] = files.emplace(form, &name);
    if (!added)
      clashes.push_back(Quoted(*file->second) + " and " + Quoted(name) +
                        " differ only in case, and Windows would store one over the other; "
                        "rename one of them");
  }
  for (const auto& [form, name] : files) {
    auto folder = folders.find(form);
    if (folder != folders.end())
      clashes.push_back(Quoted(*name) + " is a file, but " + Quoted(*folder->second) +
                        " needs a folder of that name; rename one of them");
  }
  return clashes;
}

std::string ShownName(const std::string& name) {
  std::string shown;
  uint32_t codePoint;
  char escaped[8];
  for (size_t at = 0; at < name.size();) {
    int length = DecodeUtf8(name.c_str() + at, &codePoint);
    if (char16_t surrogate = CarriedSurrogate(name, at)) {
      std::snprintf(escaped, sizeof escaped, "\\u%04X", unsigned(surrogate));
      length = 3;
    } else if (length == 0) {
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(name[at]));
      length = 1;
    } else if (codePoint == 0xFFFD) {
      std::snprintf(escaped, sizeof escaped, "\\uFFFD");
    } else {
      escaped[0] = '\0';
      shown.append(name, at, size_t(length));
    }
    shown += escaped;
    at += size_t(length);
  }
  return shown;
}
