// The data section as zav-pack lays it out and the program reads it back: every block found
// whole, and a damaged directory refused rather than read outside the section.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>

#include "packer/data_section.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text, bool nul = true) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  if (nul) bytes.push_back(0);
  return bytes;
}

// One record of texts by language (the progress and the error; the rest English) and the closing NUL.
std::vector<uint8_t> Texts(const std::string& tag, const std::string& installing, const std::string& error) {
  std::string record = tag + '\0' + installing + '\0' + '\0' + error + std::string(6, '\0');
  return std::vector<uint8_t>(record.begin(), record.end());
}

struct Blocks {
  std::vector<uint8_t> blocks[DataEntryCount];
  Blocks() {
    blocks[CabinetEntry] = Bytes("MSCF...", false);
    for (int picture = BackgroundEntry; picture <= ExitButtonEntry; ++picture)
      blocks[picture] = Bytes(std::string(picture * 7, '\xFF'), false);
    blocks[SongEntry] = {3, 0, 0, 0, 'x', 'm', '!'};
    blocks[CreditsEntry] = Bytes(std::string(CreditsCharacters, 'c'));
    blocks[InfoTextEntry] = Bytes("\xDB\xB1 info\r\n" + std::string(TitleMaxCharacters, 'i'));
    blocks[FolderNameEntry] = Bytes("My Game");
    blocks[TitleEntry] = Bytes("My Game \xCE\xA9 Setup");
    blocks[RunEntry] = Bytes("bin\\game.exe");
    blocks[FlagsEntry] = {OpenFolderFlag, 0, 0, 0};
    blocks[TextsEntry] = Texts("de", "Installiere... {percent} %", "Fehler");
  }
};

bool Read(const std::vector<uint8_t>& section, DataBlock* blocks) {
  return ReadDataDirectory(section.data(), uint32_t(section.size()), blocks);
}

TEST(DataSection, EveryBlockIsReadBackWholeAndAligned) {
  Blocks written;
  std::vector<uint8_t> section = LayOutDataSection(written.blocks);
  DataBlock read[DataEntryCount];
  ASSERT_TRUE(Read(section, read));
  for (int entry = 0; entry < DataEntryCount; ++entry) {
    EXPECT_EQ(std::vector<uint8_t>(read[entry].bytes, read[entry].bytes + read[entry].size),
              written.blocks[entry]) << entry;
    EXPECT_EQ((read[entry].bytes - section.data()) % DataBlockAlignment, 0u) << entry;
  }
}

// zav-pack writes every block before the cabinet's size is known, at the places of a layout made
// with the cabinet empty: those must be the final places, the cabinet's among them.
TEST(DataSection, BlocksKeepTheirPlacesOnceTheCabinetsSizeIsKnown) {
  Blocks written;
  uint64_t sizes[DataEntryCount];
  for (int entry = 0; entry < DataEntryCount; ++entry) sizes[entry] = written.blocks[entry].size();
  sizes[CabinetEntry] = 0;
  DataSectionLayout before = LayOutDataSection(sizes);
  sizes[CabinetEntry] = 1 << 20;
  DataSectionLayout after = LayOutDataSection(sizes);
  for (int entry = 0; entry < DataEntryCount; ++entry) EXPECT_EQ(before.offsets[entry], after.offsets[entry]) << entry;
  EXPECT_GT(after.offsets[CabinetEntry], after.offsets[FlagsEntry]);
}

void PutU32(std::vector<uint8_t>* section, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*section)[at + i] = uint8_t(value >> (8 * i));
}

size_t OffsetOf(int entry) { return DataHeaderSize + 8 * entry; }

TEST(DataSection, ADamagedDirectoryIsRefused) {
  Blocks good;
  const std::vector<uint8_t> section = LayOutDataSection(good.blocks);
  using Damage = std::function<void(std::vector<uint8_t>*, Blocks*)>;
  const std::pair<const char*, Damage> damages[] = {
      {"wrong magic", [](auto* s, auto*) { (*s)[0] = 'X'; }},
      {"another version", [](auto* s, auto*) { PutU32(s, 4, DataVersion + 1); }},
      {"more entries than known", [](auto* s, auto*) { PutU32(s, 8, DataEntryCount + 1); }},
      {"fewer entries than version 2 has", [](auto* s, auto*) { PutU32(s, 8, Version1EntryCount); }},
      {"version 1 with more entries", [](auto* s, auto*) { PutU32(s, 4, 1); }},
      {"a needed block absent", [](auto* s, auto*) { PutU32(s, OffsetOf(FolderNameEntry), 0), PutU32(s, OffsetOf(FolderNameEntry) + 4, 0); }},
      {"cut inside the directory", [](auto* s, auto*) { s->resize(DataDirectorySize - 1); }},
      {"a block past the end", [](auto* s, auto*) { PutU32(s, OffsetOf(InfoTextEntry) + 4, 1u << 30); }},
      {"a block wrapping around", [](auto* s, auto*) { PutU32(s, OffsetOf(CabinetEntry), 0xFFFFFFF0u); }},
      {"a block inside the directory", [](auto* s, auto*) { PutU32(s, OffsetOf(SongEntry), 4); }},
      {"an empty block", [](auto* s, auto*) { PutU32(s, OffsetOf(ExitButtonEntry) + 4, 0); }},
      {"a section cut short", [](auto* s, auto*) { s->pop_back(); }},
      {"credits without their NUL", [](auto*, auto* b) { b->blocks[CreditsEntry].back() = 'c'; }},
      {"credits too short", [](auto*, auto* b) { b->blocks[CreditsEntry] = Bytes("short"); }},
      {"info text without its NUL", [](auto*, auto* b) { b->blocks[InfoTextEntry].pop_back(); }},
      {"a song count that disagrees", [](auto*, auto* b) { b->blocks[SongEntry][0] = 4; }},
      {"a folder name leaving the root", [](auto*, auto* b) { b->blocks[FolderNameEntry] = Bytes("..\\..\\Windows"); }},
      {"a folder name with a NUL inside", [](auto*, auto* b) { b->blocks[FolderNameEntry] = Bytes(std::string("a\0b", 3)); }},
      {"a title without its NUL", [](auto*, auto* b) { b->blocks[TitleEntry].pop_back(); }},
      {"a title that is no UTF-8", [](auto*, auto* b) { b->blocks[TitleEntry] = Bytes("Caf\xE9 Setup"); }},
      {"a title too long", [](auto*, auto* b) { b->blocks[TitleEntry] = Bytes(std::string(TitleMaxCharacters + 1, 't')); }},
      {"a file to start outside the root", [](auto*, auto* b) { b->blocks[RunEntry] = Bytes("..\\setup.exe"); }},
      {"flags of 3 bytes", [](auto*, auto* b) { b->blocks[FlagsEntry].pop_back(); }},
      {"version 2 with texts by language", [](auto* s, auto*) { PutU32(s, 4, 2); }},
      {"texts without their closing NUL", [](auto*, auto* b) { b->blocks[TextsEntry].pop_back(); }},
      {"texts with a record cut short", [](auto*, auto* b) { b->blocks[TextsEntry].erase(b->blocks[TextsEntry].end() - 3, b->blocks[TextsEntry].end() - 1); }},
      {"texts of a tag that is none", [](auto*, auto* b) { b->blocks[TextsEntry] = Texts("d_e", "{percent}", ""); }},
      {"a status text too long", [](auto*, auto* b) { b->blocks[TextsEntry] = Texts("de", "{percent}", std::string(36, 'e')); }},
      {"a progress text without its percent", [](auto*, auto* b) { b->blocks[TextsEntry] = Texts("de", "{percent", ""); }},
      {"a text that is no UTF-8", [](auto*, auto* b) { b->blocks[TextsEntry] = Texts("de", "{percent}", "Fehl\xE9r"); }},
  };
  for (const auto& [what, damage] : damages) {
    Blocks blocks;
    std::vector<uint8_t> damaged = section;
    damage(&damaged, &blocks);
    if (damaged == section) damaged = LayOutDataSection(blocks.blocks);
    DataBlock read[DataEntryCount] = {};
    EXPECT_FALSE(Read(damaged, read)) << what;
    EXPECT_EQ(read[0].bytes, nullptr) << what << ": blocks written despite the refusal";
  }
}

// A damaged installer still says so in its user's language when its texts are whole.
TEST(DataSection, TheTextsOfADamagedDirectoryAreStillFound) {
  Blocks blocks;
  blocks.blocks[FolderNameEntry] = Bytes("..\\..\\Windows");
  const std::vector<uint8_t> section = LayOutDataSection(blocks.blocks);
  std::vector<uint8_t> version2 = section, outside = section, damagedTexts = section;
  PutU32(&version2, 4, 2);
  PutU32(&outside, OffsetOf(TextsEntry) + 4, 1u << 30);
  PutU32(&damagedTexts, OffsetOf(TextsEntry) + 4, uint32_t(blocks.blocks[TextsEntry].size() - 1));
  DataBlock all[DataEntryCount] = {}, texts = {};
  ASSERT_FALSE(Read(section, all));
  ASSERT_TRUE(ReadTextsEntry(section.data(), uint32_t(section.size()), &texts));
  EXPECT_EQ(std::vector<uint8_t>(texts.bytes, texts.bytes + texts.size), blocks.blocks[TextsEntry]);
  for (const auto* damaged : {&version2, &outside, &damagedTexts}) {
    DataBlock none = {};
    EXPECT_FALSE(ReadTextsEntry(damaged->data(), uint32_t(damaged->size()), &none));
    EXPECT_EQ(none.bytes, nullptr);
  }
}

// An installer made before the title existed (version 1, nine entries), one of version 2 whose
// title is absent, and one whose directory ends before the entries after the title (as one made
// before those existed): all read, the missing entries absent.
TEST(DataSection, AnOlderDirectoryAndAbsentEntriesAreRead) {
  Blocks blocks;
  std::vector<uint8_t> section = LayOutDataSection(blocks.blocks);
  std::vector<uint8_t> absent = section, older = section, shorter = section;
  PutU32(&absent, OffsetOf(TitleEntry), 0);
  PutU32(&absent, OffsetOf(TitleEntry) + 4, 0);
  PutU32(&older, 4, 1);
  PutU32(&older, 8, Version1EntryCount);
  PutU32(&shorter, 8, RunEntry);
  std::vector<uint8_t> version2 = section;
  PutU32(&version2, 4, 2);
  PutU32(&version2, 8, Version2EntryCount);
  // Each directory, and whether it has a title and a file to start.
  const std::tuple<const std::vector<uint8_t>*, bool, bool> cases[] = {
      {&absent, false, true}, {&older, false, false}, {&shorter, true, false}, {&version2, true, true}};
  for (const auto& [directory, titled, running] : cases) {
    DataBlock read[DataEntryCount] = {};
    ASSERT_TRUE(Read(*directory, read));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(read[FolderNameEntry].bytes)), "My Game");
    EXPECT_EQ(read[TitleEntry].bytes != nullptr, titled);
    EXPECT_EQ(read[RunEntry].size != 0, running);
    EXPECT_EQ(read[FlagsEntry].size != 0, running);
    EXPECT_EQ(read[TextsEntry].size != 0, directory == &absent);
  }
  // Empty blocks are laid out as absent entries.
  blocks.blocks[RunEntry].clear();
  blocks.blocks[FlagsEntry].clear();
  DataBlock read[DataEntryCount] = {};
  ASSERT_TRUE(Read(LayOutDataSection(blocks.blocks), read));
  EXPECT_EQ(read[RunEntry].bytes, nullptr);
  EXPECT_EQ(read[FlagsEntry].size, 0u);
}

}  // namespace
