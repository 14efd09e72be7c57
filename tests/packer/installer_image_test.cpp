// The installer image's refusals: damaged or unsuitable stubs and icon files give one line of
// error and leave the output alone. Also the resource edits that the real stub never shows.
#include "packer/pe/installer_image.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/testdata.h"
#include "packer/byte_order.h"
#include "packer/pe/program_icon.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The stub is the Windows tree's; without it these tests say so and skip.
#define REQUIRE_STUB(stub)                                  \
  const Bytes stub = zavtest::ReadFileBytes(ZAV_PACK_STUB); \
  if (stub.empty()) GTEST_SKIP() << "skipped: no stub at " ZAV_PACK_STUB

size_t Pe(const Bytes& b) { return ReadU32(b, 0x3C); }
size_t Optional(const Bytes& b) { return Pe(b) + 24; }
size_t SectionTableEnd(const Bytes& b) {
  return Optional(b) + ReadU16(b, Pe(b) + 20) + 40 * ReadU16(b, Pe(b) + 6);
}

// A 16 x 16 icon with one 4-bit bitmap, whose directory entry is at 6 and image at 22.
Bytes Icon() {
  Bytes ico = {0, 0, 1, 0, 1, 0, 16, 16, 16, 0, 1, 0, 4, 0, 40, 1, 0, 0, 22, 0, 0, 0};
  ico.resize(22 + 296);
  for (auto [at, value] : {std::pair{22, 40}, {26, 16}, {30, 32}, {34, 1}, {36, 4}})
    ico[at] = uint8_t(value);
  return ico;
}

struct Damage {
  const char* what;
  const char* says;  // part of the error
  std::function<void(Bytes*)> apply;
};

void ExpectRefused(const Bytes& stub, const Bytes* ico, const Damage& damage,
                   const Bytes& data = {1}) {
  Bytes image = {42};
  std::string error;
  EXPECT_FALSE(BuildInstallerImage(stub, data, ico, &image, &error)) << damage.what;
  EXPECT_EQ(image, Bytes{42}) << damage.what;
  EXPECT_TRUE(error.find(damage.says) != std::string::npos && error.find('\n') == std::string::npos)
      << damage.what << ": " << error;
}

// The icon is given every time: the stub's own damage must be found first, the resources' damage
// when the icon is about to replace them.
TEST(InstallerImage, UnsuitableStubsAreRefused) {
  REQUIRE_STUB(stub);
  Bytes installer, ico = Icon();
  std::string error;
  ASSERT_TRUE(BuildInstallerImage(stub, {1, 2, 3}, nullptr, &installer, &error)) << error;
  size_t resources = Optional(stub) + 112 + 8 * 2;
  const Damage damages[] = {
      {"cut in its headers", "cut short", [](Bytes* b) { b->resize(0x100); }},
      {"cut in its last section", "outside the file",
       [](Bytes* b) { b->resize(b->size() - 0x100); }},
      {"a text file", "not a Windows program", [](Bytes* b) { *b = Bytes(4000, 'x'); }},
      {"no PE header", "not a PE program", [](Bytes* b) { (*b)[Pe(*b)] = 'N'; }},
      {"32-bit", "32-bit", [](Bytes* b) { WriteU16(b, Optional(*b), 0x10B); }},
      {"ARM64", "not a 64-bit x86-64", [](Bytes* b) { WriteU16(b, Pe(*b) + 4, 0xAA64); }},
      {"no room for a header", "no room",
       [](Bytes* b) { WriteU32(b, Optional(*b) + 60, SectionTableEnd(*b)); }},
      {"bytes after its table", "no room", [](Bytes* b) { (*b)[SectionTableEnd(*b) + 20] = 1; }},
      {"signed", "signed", [](Bytes* b) { WriteU32(b, Optional(*b) + 112 + 8 * 4 + 4, 0x400); }},
      {"an installer already", "already has a data section", [&](Bytes* b) { *b = installer; }},
      {"resources outside the file", "outside the file",
       [&](Bytes* b) { WriteU32(b, resources, 0x7FFF0000); }},
      {"a resource table that names itself", "deeper than three levels",
       [&](Bytes* b) {
         size_t at = 0;  // the file offset of the resource section, whose root table is first
         for (size_t s = SectionTableEnd(*b) - 40; at == 0; s -= 40)
           if (ReadU32(*b, s + 12) == ReadU32(*b, resources)) at = ReadU32(*b, s + 20);
         WriteU32(b, at + 16 + 4, 0x80000000);
       }},
  };
  for (const Damage& damage : damages) {
    Bytes damaged = stub;
    damage.apply(&damaged);
    ExpectRefused(damaged, &ico, damage);
  }
  ExpectRefused(stub, &ico, {"empty data", "empty", nullptr}, {});
}

TEST(InstallerImage, UnsuitableIconFilesAreRefused) {
  const Damage damages[] = {
      {"cut in its directory", "directory is cut short", [](Bytes* b) { b->resize(12); }},
      {"cut in its image", "outside the file", [](Bytes* b) { b->pop_back(); }},
      {"no images", "no images", [](Bytes* b) { (*b)[4] = 0; }},
      {"a cursor", "cursor", [](Bytes* b) { (*b)[2] = 2; }},
      {"image past the end", "outside the file",
       [](Bytes* b) { WriteU32(b, 18, uint32_t(b->size())); }},
      {"image in the directory", "inside the icon's directory",
       [](Bytes* b) { WriteU32(b, 18, 6); }},
      {"images overlapping", "image 1 of the icon overlaps image 2",
       [](Bytes* b) {
         (*b)[4] = 2;
         b->insert(b->begin() + 22, b->begin() + 6, b->begin() + 22);
         for (size_t entry : {18, 34}) WriteU32(b, entry, 38);
       }},
      {"a PNG file", "not an icon file",
       [](Bytes* b) { *b = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13}; }},
      {"a PNG image of 300 pixels", "256 x 256",
       [](Bytes* b) {
         const char png[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\x2c\0\0\x01\x2c\x08\x06";
         std::copy(png, png + sizeof png, b->begin() + 22);
       }},
      {"an odd bitmap height", "256 x 256", [](Bytes* b) { (*b)[22 + 8] = 31; }},
      {"a compressed bitmap", "kind icons do not use", [](Bytes* b) { (*b)[22 + 16] = 1; }},
  };
  REQUIRE_STUB(stub);
  for (const Damage& damage : damages) {
    Bytes ico = Icon();
    damage.apply(&ico);
    std::string problem;
    EXPECT_FALSE(CheckIconFile(ico, &problem)) << damage.what;
    EXPECT_NE(problem.find(damage.says), std::string::npos) << damage.what << ": " << problem;
    ExpectRefused(stub, &ico, damage);
  }
}

// Icon 1 is shared with group 200 and stays; icon 2 is group 100's own and goes; the new
// images take the lowest free numbers and the group keeps its language.
TEST(ProgramIcon, ImagesSharedWithAnotherGroupStay) {
  auto numbered = [](uint32_t id, Bytes groupMembers) {
    ResourceNode language, node;
    language.id = 1033;
    language.leaf = true;
    language.data = {0, 0, 1, 0, uint8_t(groupMembers.size()), 0};
    for (uint8_t member : groupMembers)
      language.data.insert(language.data.end(), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, member, 0});
    node.id = id;
    node.children = {language};
    return node;
  };
  ResourceNode root;
  root.children = {numbered(IconResource, {}), numbered(IconGroupResource, {})};
  root.children[0].children = {numbered(1, {}), numbered(2, {}), numbered(4, {})};
  root.children[1].children = {numbered(100, {1, 2}), numbered(200, {1, 4})};
  ASSERT_TRUE(ReplaceIconGroup(&root, ProgramIconGroup, std::vector<IconImage>(2)));
  std::vector<uint32_t> ids;
  for (const ResourceNode& icon : root.children[0].children) ids.push_back(icon.id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{1, 4, 2, 3}));
  const ResourceNode& group = root.children[1].children[0].children[0];
  EXPECT_EQ(group.id, 1033u);
  EXPECT_EQ(ReadU16(group.data, 6 + 12) + 256 * ReadU16(group.data, 6 + 14 + 12), 2 + 256 * 3);
}

}  // namespace
