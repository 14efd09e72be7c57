#include "packer/pe/resource_tree.h"

#include <algorithm>

#include "packer/byte_order.h"

namespace {

constexpr uint32_t HighBit = 0x80000000;  // on a name: a string; on an offset: a table
constexpr size_t TableSize = 16;
constexpr size_t EntrySize = 8;
constexpr size_t LeafEntrySize = 16;
constexpr size_t DataAlignment = 8;
constexpr int DeepestTable = 2;  // the root's types, each type's names, each name's languages

class TreeReader {
 public:
  TreeReader(const std::vector<uint8_t>& image, const PeLayout& layout, size_t base, uint32_t size,
             std::string* problem)
      : image_(image),
        layout_(layout),
        base_(base),
        size_(size),
        problem_(problem),
        entriesLeft_(size / EntrySize),
        dataLeft_(image.size()) {}

  bool ReadTable(uint32_t offset, int depth, ResourceNode* node) {
    if (!RangeFits(offset, TableSize, size_))
      return Fail("a resource table lies outside its section");
    size_t at = base_ + offset;
    node->characteristics = ReadU32(image_, at);
    node->timeDateStamp = ReadU32(image_, at + 4);
    node->majorVersion = ReadU16(image_, at + 8);
    node->minorVersion = ReadU16(image_, at + 10);
    size_t count = size_t(ReadU16(image_, at + 12)) + ReadU16(image_, at + 14);
    if (!RangeFits(offset + TableSize, EntrySize * count, size_))
      return Fail("a resource table's entries lie outside its section");
    // Every entry takes 8 bytes of the section, so a tree that reaches a table twice runs out.
    if (count > entriesLeft_) return Fail("the resource tree reaches some table more than once");
    entriesLeft_ -= count;
    node->children.resize(count);
    for (size_t i = 0; i < count; ++i) {
      size_t entry = at + TableSize + EntrySize * i;
      if (!ReadEntry(ReadU32(image_, entry), ReadU32(image_, entry + 4), depth, &node->children[i]))
        return false;
    }
    return true;
  }

 private:
  bool ReadEntry(uint32_t nameField, uint32_t dataField, int depth, ResourceNode* node) {
    node->named = (nameField & HighBit) != 0;
    node->id = nameField;
    if (node->named && !ReadName(nameField & ~HighBit, node)) return false;
    if ((dataField & HighBit) == 0) return ReadLeaf(dataField, node);
    if (depth == DeepestTable) return Fail("the resource tree is deeper than three levels");
    return ReadTable(dataField & ~HighBit, depth + 1, node);
  }

  bool ReadName(uint32_t offset, ResourceNode* node) {
    if (!RangeFits(offset, 2, size_) ||
        !RangeFits(offset + 2, 2 * size_t(ReadU16(image_, base_ + offset)), size_))
      return Fail("a resource name lies outside its section");
    size_t length = ReadU16(image_, base_ + offset);
    for (size_t i = 0; i < length; ++i)
      node->name.push_back(ReadU16(image_, base_ + offset + 2 + 2 * i));
    return true;
  }

  bool ReadLeaf(uint32_t offset, ResourceNode* node) {
    if (!RangeFits(offset, LeafEntrySize, size_))
      return Fail("a resource entry lies outside its section");
    uint32_t rva = ReadU32(image_, base_ + offset), size = ReadU32(image_, base_ + offset + 4);
    size_t at = 0;
    if (!RvaToFileOffset(layout_, rva, size, &at))
      return Fail("a resource's data lies outside the file");
    // Resources that share bytes could otherwise make the copy far larger than the image.
    if (size > dataLeft_) return Fail("the resources' data overlap");
    dataLeft_ -= size;
    node->leaf = true;
    node->data.assign(image_.begin() + at, image_.begin() + at + size);
    node->codePage = ReadU32(image_, base_ + offset + 8);
    return true;
  }

  bool Fail(const char* text) {
    *problem_ = std::string("the stub's resources are damaged: ") + text;
    return false;
  }

  const std::vector<uint8_t>& image_;
  const PeLayout& layout_;
  size_t base_;
  uint32_t size_;
  std::string* problem_;
  size_t entriesLeft_;
  size_t dataLeft_;
};

void SortTree(ResourceNode* node) {
  std::stable_sort(node->children.begin(), node->children.end(),
                   [](const ResourceNode& a, const ResourceNode& b) {
                     if (a.named != b.named) return a.named;
                     return a.named ? a.name < b.name : a.id < b.id;
                   });
  for (ResourceNode& child : node->children) SortTree(&child);
}

// Where each part of the written section goes; tables, leaves and names are listed in the
// order a breadth-first walk meets them, which is also the order they are written in.
struct SectionPlan {
  std::vector<const ResourceNode*> tables, leaves, names;
  std::vector<uint32_t> tableOffsets, leafOffsets, nameOffsets, dataOffsets;
  size_t size = 0;
};

SectionPlan PlanSection(const ResourceNode& root) {
  SectionPlan plan;
  plan.tables.push_back(&root);
  for (size_t i = 0; i < plan.tables.size(); ++i) {
    plan.tableOffsets.push_back(uint32_t(plan.size));
    plan.size += TableSize + EntrySize * plan.tables[i]->children.size();
    for (const ResourceNode& child : plan.tables[i]->children) {
      if (child.named) plan.names.push_back(&child);
      (child.leaf ? plan.leaves : plan.tables).push_back(&child);
    }
  }
  for (size_t i = 0; i < plan.leaves.size(); ++i, plan.size += LeafEntrySize)
    plan.leafOffsets.push_back(uint32_t(plan.size));
  for (const ResourceNode* named : plan.names) {
    plan.nameOffsets.push_back(uint32_t(plan.size));
    plan.size += 2 + 2 * named->name.size();
  }
  for (const ResourceNode* leaf : plan.leaves) {
    plan.size = AlignUp(plan.size, DataAlignment);
    plan.dataOffsets.push_back(uint32_t(plan.size));
    plan.size += leaf->data.size();
  }
  return plan;
}

void WriteTables(const SectionPlan& plan, std::vector<uint8_t>* out) {
  size_t nextTable = 1, nextLeaf = 0, nextName = 0;
  for (size_t t = 0; t < plan.tables.size(); ++t) {
    const ResourceNode& table = *plan.tables[t];
    size_t at = plan.tableOffsets[t];
    WriteU32(out, at, table.characteristics);
    WriteU32(out, at + 4, table.timeDateStamp);
    WriteU16(out, at + 8, table.majorVersion);
    WriteU16(out, at + 10, table.minorVersion);
    auto named = std::count_if(table.children.begin(), table.children.end(),
                               [](const ResourceNode& child) { return child.named; });
    WriteU16(out, at + 12, uint16_t(named));
    WriteU16(out, at + 14, uint16_t(table.children.size() - named));
    for (const ResourceNode& child : table.children) {
      uint32_t name = child.named ? HighBit | plan.nameOffsets[nextName++] : child.id;
      uint32_t data =
          child.leaf ? plan.leafOffsets[nextLeaf++] : HighBit | plan.tableOffsets[nextTable++];
      WriteU32(out, at + TableSize, name);
      WriteU32(out, at + TableSize + 4, data);
      at += EntrySize;
    }
  }
}

void WriteLeavesAndNames(const SectionPlan& plan, uint32_t rva, std::vector<uint8_t>* out) {
  for (size_t i = 0; i < plan.leaves.size(); ++i) {
    const ResourceNode& leaf = *plan.leaves[i];
    WriteU32(out, plan.leafOffsets[i], rva + plan.dataOffsets[i]);
    WriteU32(out, plan.leafOffsets[i] + 4, uint32_t(leaf.data.size()));
    WriteU32(out, plan.leafOffsets[i] + 8, leaf.codePage);
    std::copy(leaf.data.begin(), leaf.data.end(), out->begin() + plan.dataOffsets[i]);
  }
  for (size_t i = 0; i < plan.names.size(); ++i) {
    const std::vector<uint16_t>& name = plan.names[i]->name;
    WriteU16(out, plan.nameOffsets[i], uint16_t(name.size()));
    for (size_t c = 0; c < name.size(); ++c)
      WriteU16(out, plan.nameOffsets[i] + 2 + 2 * c, name[c]);
  }
}

}  // namespace

bool ReadResourceTree(const std::vector<uint8_t>& image, const PeLayout& layout,
                      PeDirectory directory, ResourceNode* root, std::string* problem) {
  size_t base = 0;
  if (!RvaToFileOffset(layout, directory.rva, directory.size, &base)) {
    *problem = "the stub's resource directory lies outside the file";
    return false;
  }
  ResourceNode read;
  TreeReader reader(image, layout, base, directory.size, problem);
  if (!reader.ReadTable(0, 0, &read)) return false;
  *root = std::move(read);
  return true;
}

std::vector<uint8_t> WriteResourceTree(ResourceNode root, uint32_t rva) {
  SortTree(&root);
  SectionPlan plan = PlanSection(root);
  std::vector<uint8_t> out(plan.size);
  WriteTables(plan, &out);
  WriteLeavesAndNames(plan, rva, &out);
  return out;
}
