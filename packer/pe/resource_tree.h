// The resource directory of a program as a tree (type, then name, then language, then the
// data), read from an image and written anew for a given address.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "packer/pe/pe_layout.h"

struct ResourceNode {
  // The entry's name: a number, or (when `named`) a string of UTF-16 units.
  bool named = false;
  uint32_t id = 0;
  std::vector<uint16_t> name;

  // A directory: the fields of its table, and its entries.
  uint32_t characteristics = 0;
  uint32_t timeDateStamp = 0;
  uint16_t majorVersion = 0;
  uint16_t minorVersion = 0;
  std::vector<ResourceNode> children;

  // A leaf: the resource's bytes and code page.
  bool leaf = false;
  std::vector<uint8_t> data;
  uint32_t codePage = 0;
};

// Resource types used here.
constexpr uint32_t IconResource = 3;
constexpr uint32_t IconGroupResource = 14;

// Reads the tree whose root table is at `directory` (the resource data directory). Every table,
// entry, name and datum is checked to lie inside the image; a tree deeper than the three levels
// Windows uses, or with more entries than its bytes can hold (a table reached twice), is
// refused. False with `problem` set.
bool ReadResourceTree(const std::vector<uint8_t>& image, const PeLayout& layout,
                      PeDirectory directory, ResourceNode* root, std::string* problem);

// The tree as a resource section placed at `rva`: first every directory table, then the data
// entries, the names and the data (each datum 8-byte aligned). Entries are sorted as the
// resource loader's binary search expects: named entries first, by name, then numbered ones by
// number.
std::vector<uint8_t> WriteResourceTree(ResourceNode root, uint32_t rva);
