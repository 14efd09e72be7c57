#include "packer/pe/program_icon.h"

#include <algorithm>
#include <set>

#include "packer/byte_order.h"

namespace {

constexpr size_t GroupHeaderSize = 6;
constexpr size_t GroupEntrySize = 14;
constexpr uint32_t NeutralLanguage = 0;
constexpr uint32_t MaxIconNumber = 0xFFFF;  // a group names its images in 16 bits

ResourceNode* FindNumbered(ResourceNode* directory, uint32_t id) {
  for (ResourceNode& child : directory->children)
    if (!child.named && child.id == id) return &child;
  return nullptr;
}

ResourceNode* FindOrAddNumbered(ResourceNode* directory, uint32_t id) {
  if (ResourceNode* found = FindNumbered(directory, id)) return found;
  ResourceNode added;
  added.id = id;
  directory->children.push_back(added);
  return &directory->children.back();
}

// A directory for `id` with one language holding `data`.
ResourceNode NumberedResource(uint32_t id, uint32_t language, std::vector<uint8_t> data) {
  ResourceNode leaf;
  leaf.id = language;
  leaf.leaf = true;
  leaf.data = std::move(data);
  ResourceNode named;
  named.id = id;
  named.children.push_back(std::move(leaf));
  return named;
}

// The icon numbers that a group's languages name; entries cut short are not read.
void AddGroupMembers(const ResourceNode& group, std::set<uint32_t>* members) {
  for (const ResourceNode& language : group.children) {
    if (!language.leaf || language.data.size() < GroupHeaderSize) continue;
    size_t count = ReadU16(language.data, 4);
    for (size_t i = 0; i < count; ++i) {
      size_t entry = GroupHeaderSize + GroupEntrySize * i;
      if (entry + GroupEntrySize > language.data.size()) break;
      members->insert(ReadU16(language.data, entry + 12));
    }
  }
}

// The group's images that no other group names.
std::set<uint32_t> OwnImages(const ResourceNode& groups, const ResourceNode* group) {
  std::set<uint32_t> own, shared;
  for (const ResourceNode& other : groups.children)
    AddGroupMembers(other, &other == group ? &own : &shared);
  for (uint32_t id : shared) own.erase(id);
  return own;
}

std::vector<uint8_t> GroupData(const std::vector<IconImage>& images,
                               const std::vector<uint16_t>& ids) {
  std::vector<uint8_t> data(GroupHeaderSize + GroupEntrySize * images.size());
  WriteU16(&data, 2, 1);  // an icon group, not a cursor group
  WriteU16(&data, 4, uint16_t(images.size()));
  for (size_t i = 0; i < images.size(); ++i) {
    size_t entry = GroupHeaderSize + GroupEntrySize * i;
    data[entry] = uint8_t(images[i].width);  // 256 wraps to 0, which means 256 here
    data[entry + 1] = uint8_t(images[i].height);
    data[entry + 2] = images[i].colorCount;
    WriteU16(&data, entry + 4, 1);  // planes
    WriteU16(&data, entry + 6, images[i].bitCount);
    WriteU32(&data, entry + 8, uint32_t(images[i].bytes.size()));
    WriteU16(&data, entry + 12, ids[i]);
  }
  return data;
}

bool ReplaceInTree(ResourceNode* root, uint32_t groupId, const std::vector<IconImage>& images) {
  ResourceNode* groups = FindOrAddNumbered(root, IconGroupResource);
  ResourceNode* group = FindNumbered(groups, groupId);
  uint32_t language = NeutralLanguage;
  std::set<uint32_t> oldImages;
  if (group) {
    if (!group->children.empty()) language = group->children.front().id;
    oldImages = OwnImages(*groups, group);
  }

  std::vector<ResourceNode>& icons = FindOrAddNumbered(root, IconResource)->children;
  icons.erase(std::remove_if(icons.begin(), icons.end(),
                             [&](const ResourceNode& icon) {
                               return !icon.named && oldImages.count(icon.id) != 0;
                             }),
              icons.end());
  std::set<uint32_t> taken;
  for (const ResourceNode& icon : icons) taken.insert(icon.id);
  std::vector<uint16_t> ids;
  uint32_t next = 1;
  for (const IconImage& image : images) {
    while (taken.count(next)) ++next;
    if (next > MaxIconNumber) return false;
    ids.push_back(uint16_t(next));
    icons.push_back(NumberedResource(next++, language, image.bytes));
  }

  ResourceNode replaced = NumberedResource(groupId, language, GroupData(images, ids));
  groups = FindNumbered(root, IconGroupResource);  // adding RT_ICON to the root may have moved it
  if (ResourceNode* old = FindNumbered(groups, groupId))
    *old = std::move(replaced);
  else
    groups->children.push_back(std::move(replaced));
  return true;
}

}  // namespace

bool ReplaceIconGroup(ResourceNode* root, uint32_t groupId, const std::vector<IconImage>& images) {
  ResourceNode edited = *root;
  if (!ReplaceInTree(&edited, groupId, images)) return false;
  *root = std::move(edited);
  return true;
}
