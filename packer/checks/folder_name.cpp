#include <cstring>
#include <string>

#include "installer/install_paths.h"
#include "packer/checks/stored_names.h"
#include "packer/checks/texts.h"

namespace {

// Why the installer would not take the name; "" when it would.
std::string FolderNameProblem(const std::string& name) {
  if (name.empty()) return "is empty; give the name of the folder to create";
  if (name.size() > size_t(FolderNameMaxLength))
    return "is " + std::to_string(name.size()) + " characters long; the installer takes " +
           std::to_string(FolderNameMaxLength) + " at most; shorten it";
  for (unsigned char c : name) {
    if (c < 0x20 || c > 0x7E) return "has characters other than printable ASCII; use those only";
  }
  if (name.find_first_of("\\/") != std::string::npos)
    return "holds a \\ or /, but names one folder; give a single name";
  std::string problem = StoredNameProblem(name, FolderNameMaxLength);
  if (!problem.empty()) return problem;
  // Stricter than the stored names: the title of the folder browser shows the name too.
  if (!IsSafeFolderName(name.c_str())) return "is not a folder name the installer may create; choose another";
  return "";
}

}  // namespace

std::vector<uint8_t> CheckFolderName(const Input& folder, Diagnostics* diagnostics) {
  std::string problem = FolderNameProblem(folder.value);
  if (!problem.empty()) {
    diagnostics->Problem(folder, problem);
    return {};
  }
  std::vector<uint8_t> bytes(folder.value.begin(), folder.value.end());
  bytes.push_back(0);
  return bytes;
}
