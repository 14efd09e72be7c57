#include <string>

#include "installer/file_names.h"
#include "installer/utf8.h"
#include "packer/checks/stored_names.h"
#include "packer/checks/texts.h"

namespace {

// Why the installer would not take the name; "" when it would.
std::string FolderNameProblem(const std::string& name) {
  if (name.empty()) return "is empty; give the name of the folder to create";
  int characters = CharacterCount(name.c_str());
  if (characters < 0) return NotUnicodeProblem(name, "give the name in UTF-8", "give another name");
  if (characters > FolderNameMaxLength)
    return "is " + std::to_string(characters) + " characters long; the installer takes " +
           std::to_string(FolderNameMaxLength) + " at most; shorten it";
  if (name.find_first_of("\\/") != std::string::npos)
    return "holds a \\ or /, but names one folder; give a single name";
  std::string problem = StoredNameProblem(name, name.size());
  if (!problem.empty()) return problem;
  // Stricter than the stored names: the title of the folder browser shows the name too.
  if (!IsSafeFolderName(name.c_str()))
    return "holds a control character, which the folder browser's title cannot show; remove it";
  return "";
}

}  // namespace

std::vector<uint8_t> CheckFolderName(const Input& folder, Diagnostics* diagnostics) {
  std::string problem = FolderNameProblem(folder.value);
  if (!problem.empty()) {
    diagnostics->Problem({folder.option, ShownName(folder.value)}, problem);
    return {};
  }
  std::vector<uint8_t> bytes(folder.value.begin(), folder.value.end());
  bytes.push_back(0);
  return bytes;
}
