#include "packer/pe/installer_image.h"

#include <algorithm>

#include "packer/byte_order.h"
#include "packer/pe/icon_file.h"
#include "packer/pe/pe_checksum.h"
#include "packer/pe/pe_layout.h"
#include "packer/pe/program_icon.h"
#include "packer/pe/resource_section.h"
#include "packer/pe/version_resource.h"

namespace {

// The program takes the last section of its own image as its data, so this name only lets
// people and tools see which section it is.
const char DataSectionName[] = ".zavdata";

bool Refuse(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

bool CheckStub(const std::vector<uint8_t>& stub, PeLayout* layout, std::string* problem) {
  if (!ReadPeLayout(stub, layout, problem)) return false;
  // A signature covers the whole file; anything added after it breaks it, so signing comes last.
  PeDirectory certificates = ReadPeDirectory(stub, *layout, CertificateDirectory);
  if (certificates.rva != 0 || certificates.size != 0) {
    *problem = "the stub is signed; build the installer from an unsigned stub and sign the result";
    return false;
  }
  if (std::any_of(layout->sections.begin(), layout->sections.end(),
                  [](const PeSection& section) { return section.name == DataSectionName; })) {
    *problem = "the stub already has a data section (.zavdata): it is an installer, not the stub";
    return false;
  }
  return true;
}

// The icon and the version information, each when given; the other resources stay.
bool EditResources(std::vector<uint8_t>* image, PeLayout* layout, const std::vector<uint8_t>* icoFile,
                   const std::vector<uint8_t>* versionResource, std::string* problem) {
  std::vector<IconImage> images;
  ResourceNode resources;
  if ((icoFile && !ReadIconFile(*icoFile, &images, problem)) ||
      !ReadProgramResources(*image, *layout, &resources, problem))
    return false;
  if (icoFile && !ReplaceIconGroup(&resources, ProgramIconGroup, images)) {
    *problem = "the stub has too many icons to add these";
    return false;
  }
  if (versionResource) SetVersionResource(&resources, *versionResource);
  return WriteProgramResources(image, layout, std::move(resources), problem);
}

}  // namespace

bool BuildInstallerHead(const std::vector<uint8_t>& stub, uint64_t dataSectionSize,
                        const std::vector<uint8_t>* icoFile, InstallerHead* head, std::string* error,
                        const std::vector<uint8_t>* versionResource) {
  std::string problem;
  PeLayout layout;
  if (!CheckStub(stub, &layout, &problem)) return Refuse(error, problem);
  if (dataSectionSize == 0) return Refuse(error, "the installer's data section is empty");
  // Everything happens on a copy, so that a refusal leaves `head` as it was.
  std::vector<uint8_t> built = stub;
  if ((icoFile || versionResource) && !EditResources(&built, &layout, icoFile, versionResource, &problem))
    return Refuse(error, problem);
  if (!AppendSectionHeader(&built, &layout, DataSectionName, dataSectionSize, InitializedReadOnlyData, &problem))
    return Refuse(error, problem);
  head->bytes.swap(built);
  head->fileSize = uint64_t(layout.sections.back().rawOffset) + layout.sections.back().rawSize;
  head->checkSumOffset = CheckSumOffset(layout);
  return true;
}

void SetInstallerCheckSum(InstallerHead* head, uint32_t dataSectionSum) {
  WriteU32(&head->bytes, head->checkSumOffset, 0);
  uint32_t sum = PeWordSum(dataSectionSum, head->bytes.data(), head->bytes.size());
  WriteU32(&head->bytes, head->checkSumOffset, FinishPeCheckSum(sum, head->fileSize));
}

bool BuildInstallerImage(const std::vector<uint8_t>& stub, const std::vector<uint8_t>& dataSection,
                         const std::vector<uint8_t>* icoFile, std::vector<uint8_t>* image,
                         std::string* error) {
  InstallerHead head;
  if (!BuildInstallerHead(stub, dataSection.size(), icoFile, &head, error)) return false;
  SetInstallerCheckSum(&head, PeWordSum(0, dataSection.data(), dataSection.size()));
  std::vector<uint8_t> built = std::move(head.bytes);
  built.insert(built.end(), dataSection.begin(), dataSection.end());
  built.resize(head.fileSize);
  image->swap(built);
  return true;
}

bool CheckIconFile(const std::vector<uint8_t>& icoFile, std::string* problem) {
  std::vector<IconImage> images;
  std::string found;
  if (ReadIconFile(icoFile, &images, &found)) return true;
  if (problem) *problem = found;
  return false;
}
