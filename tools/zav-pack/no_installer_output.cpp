// Stands in for installer_output.cpp while the installer image writer is not part of the build:
// zav-pack then checks its inputs but writes no installer.
#include "tools/zav-pack/installer_output.h"

namespace {
const char NotBuiltIn[] = "this zav-pack was built without the installer image writer";
}

bool IconFits(const std::vector<uint8_t>&, std::string* problem) {
  *problem = NotBuiltIn;
  return false;
}

bool MakeInstaller(const std::vector<uint8_t>&, const std::vector<uint8_t>*, std::vector<uint8_t>*,
                   std::string* error) {
  *error = NotBuiltIn;
  return false;
}
