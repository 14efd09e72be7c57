#include "packer/checks/stored_names.h"

#include <algorithm>
#include <map>
#include <set>

#include "installer/install_paths.h"
#include "packer/checks/cabinet_limits.h"

namespace {

const size_t DriveRootLength = 3;  // "X:\"

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasNonAscii(const std::string& name) {
  for (unsigned char c : name) {
    if (c >= 0x80) return true;
  }
  return false;
}

// Windows drops dots and blanks at the end of a name part: "notes." would arrive as "notes".
bool HasPartEndingInDotOrBlank(const std::string& name) {
  for (size_t i = 0; i < name.size(); ++i) {
    bool partEnds = i + 1 == name.size() || IsSeparator(name[i + 1]);
    if (partEnds && (name[i] == '.' || name[i] == ' ')) return true;
  }
  return false;
}

// The name as Windows compares it: case ignored, either separator.
std::string ComparedForm(const std::string& name) {
  std::string form = name;
  for (char& c : form) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c == '/') c = '\\';
  }
  return form;
}

}  // namespace

size_t StoredNameMaxLength(size_t folderNameLength) {
  size_t room = PathBufferSize - 1;
  size_t root = DriveRootLength + folderNameLength + 1;
  return std::min(CabinetNameMaxLength, room > root ? room - root : 0);
}

std::string StoredNameProblem(const std::string& name, size_t maxLength) {
  if (HasNonAscii(name))
    return "has characters outside ASCII, which the installer's file calls would turn into "
           "others; rename it with ASCII characters only";
  if (!IsSafeStoredName(name.c_str()))
    return "is not a name the installer may create (a device name such as CON, a part of dots "
           "only, or one of < > : \" | ? * or a control character); rename it";
  if (HasPartEndingInDotOrBlank(name))
    return "has a part that ends in a dot or a blank, which Windows drops; rename it";
  if (name.size() > maxLength)
    return "is " + std::to_string(name.size()) + " characters long, and the installer takes " +
           std::to_string(maxLength) + " at most (a cabinet stores 255, and the path below a "
           "drive's root must fit the installer's 511); shorten it";
  return "";
}

std::vector<std::string> StoredNameClashes(const std::vector<std::string>& names) {
  std::vector<std::string> clashes;
  std::map<std::string, const std::string*> files;
  std::map<std::string, const std::string*> folders;  // each folder part, by its compared form
  for (const std::string& name : names) {
    std::string form = ComparedForm(name);
    for (size_t at = form.find('\\'); at != std::string::npos; at = form.find('\\', at + 1))
      folders.emplace(form.substr(0, at), &name);
    auto [file, added] = files.emplace(form, &name);
    if (!added)
      clashes.push_back("'" + *file->second + "' and '" + name +
                        "' differ only in case, and Windows would store one over the other; "
                        "rename one of them");
  }
  for (const auto& [form, name] : files) {
    auto folder = folders.find(form);
    if (folder != folders.end())
      clashes.push_back("'" + *name + "' is a file, but '" + *folder->second +
                        "' needs a folder of that name; rename one of them");
  }
  return clashes;
}
