// The version information that Explorer's properties, the download prompt and SmartScreen show
// for a program: a VS_VERSIONINFO block, resource 1 of type 16.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "packer/pe/resource_tree.h"

constexpr uint32_t VersionResourceType = 16;

struct VersionInfo {
  uint16_t version[4] = {};  // the file's and the product's, as numbers
  // Named texts, UTF-8, in the order given ("ProductName", "CompanyName", ...); empty ones are
  // left out.
  std::vector<std::pair<std::string, std::string>> strings;
};

// The VS_VERSIONINFO block: the fixed part, then the texts as US English in UTF-16.
std::vector<uint8_t> VersionResource(const VersionInfo& info);

// Makes `resource` the program's version information (resource 1 of type 16, US English),
// in place of any it had.
void SetVersionResource(ResourceNode* root, std::vector<uint8_t> resource);
