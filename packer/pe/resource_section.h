// The program's resources in its image: read as a tree, and written back after a change.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "packer/pe/pe_layout.h"
#include "packer/pe/resource_tree.h"

// The tree of the image's resources; an empty tree when it has none.
bool ReadProgramResources(const std::vector<uint8_t>& image, const PeLayout& layout,
                          ResourceNode* root, std::string* problem);

// Writes `root` as the image's resources. In the old resource section's place when it fits
// there (raw bytes and address room alike); otherwise as a new ".rsrc" section after the
// others, with the old section kept where it is (so that nothing else moves) but cleared and
// renamed, so that the only ".rsrc" holds the live resources. The resource data directory
// follows. False with `problem` set when the headers cannot take the change.
bool WriteProgramResources(std::vector<uint8_t>* image, PeLayout* layout, ResourceNode root,
                           std::string* problem);
