#include "packer/pe/resource_section.h"

#include <algorithm>

namespace {

const char ResourceSectionName[] = ".rsrc";
const char ClearedSectionName[] = ".oldrsrc";
// Offsets in a resource section have their top bit taken by the table flag.
constexpr size_t MaxResourceSectionSize = 0x7FFFFFFF;

// The section that the resources start, or -1 when they share one with other data or are none.
int OwnSection(const PeLayout& layout, PeDirectory resources) {
  for (size_t i = 0; i < layout.sections.size(); ++i)
    if (resources.size != 0 && layout.sections[i].virtualAddress == resources.rva) return int(i);
  return -1;
}

bool RewriteInPlace(std::vector<uint8_t>* image, PeLayout* layout, size_t index,
                    const ResourceNode& root) {
  PeSection& section = layout->sections[index];
  std::vector<uint8_t> bytes = WriteResourceTree(root, section.virtualAddress);
  uint64_t room = section.rawSize;
  if (index + 1 < layout->sections.size())
    room = std::min<uint64_t>(room,
                              layout->sections[index + 1].virtualAddress - section.virtualAddress);
  if (bytes.size() > room) return false;
  auto raw = image->begin() + section.rawOffset;
  std::fill(std::copy(bytes.begin(), bytes.end(), raw), raw + section.rawSize, 0);
  section.virtualSize = uint32_t(bytes.size());
  WriteSectionHeader(image, *layout, index);
  WritePeDirectory(image, *layout, ResourceDirectory,
                   {section.virtualAddress, uint32_t(bytes.size())});
  return true;
}

// The old resources stay in the address space, as zeros, under a name of their own.
void ClearOldSection(std::vector<uint8_t>* image, PeLayout* layout, size_t index, PeDirectory old) {
  size_t at = 0;
  if (RvaToFileOffset(*layout, old.rva, old.size, &at))
    std::fill(image->begin() + at, image->begin() + at + old.size, 0);
  if (layout->sections[index].name == ResourceSectionName) {
    layout->sections[index].name = ClearedSectionName;
    WriteSectionHeader(image, *layout, index);
  }
}

}  // namespace

bool ReadProgramResources(const std::vector<uint8_t>& image, const PeLayout& layout,
                          ResourceNode* root, std::string* problem) {
  PeDirectory resources = ReadPeDirectory(image, layout, ResourceDirectory);
  if (resources.size == 0) {
    *root = ResourceNode();
    return true;
  }
  return ReadResourceTree(image, layout, resources, root, problem);
}

bool WriteProgramResources(std::vector<uint8_t>* image, PeLayout* layout, ResourceNode root,
                           std::string* problem) {
  if (layout->directoryCount <= ResourceDirectory) {
    *problem = "the stub's headers have no entry for resources";
    return false;
  }
  PeDirectory old = ReadPeDirectory(*image, *layout, ResourceDirectory);
  int own = OwnSection(*layout, old);
  if (own >= 0 && RewriteInPlace(image, layout, size_t(own), root)) return true;

  uint32_t rva = uint32_t(std::min<uint64_t>(NextSectionAddress(*layout), UINT32_MAX));
  std::vector<uint8_t> bytes = WriteResourceTree(std::move(root), rva);
  if (bytes.size() > MaxResourceSectionSize) {
    *problem = "the resources would be larger than 2 GB";
    return false;
  }
  uint32_t characteristics =
      own >= 0 ? layout->sections[own].characteristics : InitializedReadOnlyData;
  if (!AppendSection(image, layout, ResourceSectionName, bytes, characteristics, problem))
    return false;
  if (own >= 0) ClearOldSection(image, layout, size_t(own), old);
  WritePeDirectory(image, *layout, ResourceDirectory, {rva, uint32_t(bytes.size())});
  return true;
}
