#include "packer/checks/after_install.h"

#include "assets/data_directory.h"
#include "packer/checks/stored_names.h"

std::vector<uint8_t> CheckRunTarget(const Input& run, const std::vector<PayloadFile>* payload, size_t maxLength,
                                    Diagnostics* diagnostics) {
  std::string stored = run.value;
  for (char& c : stored) {
    if (c == '/') c = '\\';
  }
  std::string problem = stored.empty() ? "is empty; name a file of the payload, e.g. bin/game.exe"
                                       : StoredNameProblem(stored, maxLength);
  if (problem.empty() && payload) {
    bool found = false;
    for (const PayloadFile& file : *payload) found = found || file.stored == stored;
    if (!found) problem = "is not a file of the payload (names are matched exactly, case too); name one below --payload";
  }
  if (!problem.empty()) {
    diagnostics->Problem({run.option, ShownName(run.value)}, problem);
    return {};
  }
  std::vector<uint8_t> block(stored.begin(), stored.end());
  block.push_back(0);
  return block;
}

std::vector<uint8_t> AfterInstallFlagsBlock(bool openFolder) {
  if (!openFolder) return {};
  return {uint8_t(OpenFolderFlag), 0, 0, 0};
}
