#include "assets/data_directory.h"

#include <cstring>

#include "assets/language_texts.h"
#include "installer/file_names.h"
#include "installer/utf8.h"

namespace {

uint32_t ReadU32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
         uint32_t(bytes[3]) << 24;
}

// The text fills its block up to a final NUL.
bool IsText(const DataBlock& block) {
  return block.bytes[block.size - 1] == 0 && std::memchr(block.bytes, 0, block.size) == block.bytes + block.size - 1;
}

// The entries from the credits on are texts.
bool BlockFitsItsEntry(int entry, const DataBlock& block) {
  if (entry == SongEntry) return block.size >= 4 && ReadU32(block.bytes) == block.size - 4;
  if (entry == FlagsEntry) return block.size == 4;
  if (entry == TextsEntry) return IsTextsBlock(block.bytes, block.size);
  if (entry < CreditsEntry) return true;
  if (!IsText(block)) return false;
  const char* text = reinterpret_cast<const char*>(block.bytes);
  if (entry == CreditsEntry) return block.size == CreditsCharacters + 1;
  if (entry == FolderNameEntry) return IsSafeFolderName(text);
  if (entry == TitleEntry) return uint32_t(CharacterCount(text)) <= uint32_t(TitleMaxCharacters);  // -1 (no UTF-8) fails
  if (entry == RunEntry) return IsSafeStoredName(text);
  return true;
}

// Whether this program reads a directory of this version with this many entries.
bool KnownShape(uint32_t version, uint32_t count) {
  if (version == 1) return count == Version1EntryCount;
  if (version == 2) return count > Version1EntryCount && count <= Version2EntryCount;
  return version == DataVersion && count > Version1EntryCount && count <= DataEntryCount;
}

}  // namespace

bool ReadDataDirectory(const uint8_t* section, uint32_t size, DataBlock blocks[DataEntryCount]) {
  if (!section || size < DataHeaderSize || std::memcmp(section, DataMagic, 4) != 0) return false;
  uint32_t count = ReadU32(section + 8);
  uint32_t directorySize = DataHeaderSize + 8 * count;
  if (!KnownShape(ReadU32(section + 4), count) || size < directorySize) return false;
  DataBlock found[DataEntryCount] = {};
  for (uint32_t entry = 0; entry < count; ++entry) {
    uint32_t offset = ReadU32(section + DataHeaderSize + 8 * entry);
    uint32_t length = ReadU32(section + DataHeaderSize + 8 * entry + 4);
    if (entry >= Version1EntryCount && offset == 0 && length == 0) continue;  // absent
    if (offset < directorySize || offset > size || length == 0 || length > size - offset) return false;
    found[entry] = {section + offset, length};
    if (!BlockFitsItsEntry(int(entry), found[entry])) return false;
  }
  std::memcpy(blocks, found, sizeof found);
  return true;
}

bool ReadTextsEntry(const uint8_t* section, uint32_t size, DataBlock* texts) {
  if (!section || size < DataHeaderSize || std::memcmp(section, DataMagic, 4) != 0) return false;
  uint32_t count = ReadU32(section + 8);
  if (ReadU32(section + 4) != DataVersion || count <= uint32_t(TextsEntry) || count > DataEntryCount) return false;
  uint32_t directorySize = DataHeaderSize + 8 * count;
  if (size < directorySize) return false;
  uint32_t offset = ReadU32(section + DataHeaderSize + 8 * TextsEntry);
  uint32_t length = ReadU32(section + DataHeaderSize + 8 * TextsEntry + 4);
  if (offset < directorySize || offset > size || length > size - offset || !IsTextsBlock(section + offset, length))
    return false;
  *texts = {section + offset, length};
  return true;
}
