#include "packer/installer_output.h"

#include "packer/embedded.h"
#include "packer/pe/installer_image.h"

bool IconFits(const std::vector<uint8_t>& ico, std::string* problem) { return CheckIconFile(ico, problem); }

bool MakeInstaller(const std::vector<uint8_t>& dataSection, const std::vector<uint8_t>* ico,
                   std::vector<uint8_t>* installer, std::string* error) {
  std::vector<uint8_t> stub = EmbeddedBytes(StubProgram);
  if (stub.empty()) {
    *error = "this zav-pack was built without the installer program (build the Windows tree first)";
    return false;
  }
  return BuildInstallerImage(stub, dataSection, ico, installer, error);
}
