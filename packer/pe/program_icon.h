// The program's icon in its resource tree: one icon group naming its images by number.
#pragma once
#include <cstdint>
#include <vector>

#include "packer/pe/icon_file.h"
#include "packer/pe/resource_tree.h"

// The icon the window class and the file's shell view use.
constexpr uint32_t ProgramIconGroup = 100;

// Makes `images` icon group `groupId`: the group's old images go (unless another group also
// names them), the new ones take the lowest free icon numbers, and the group keeps the language
// it had (neutral for a group that did not exist). Every other resource stays as it is. False,
// with the tree unchanged, when the 16-bit icon numbers run out.
bool ReplaceIconGroup(ResourceNode* root, uint32_t groupId, const std::vector<IconImage>& images);
