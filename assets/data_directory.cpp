#include "assets/data_directory.h"

#include <cstring>

#include "installer/file_names.h"

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
  if (entry < CreditsEntry) return true;
  if (!IsText(block)) return false;
  if (entry == CreditsEntry) return block.size == CreditsCharacters + 1;
  return entry != FolderNameEntry || IsSafeFolderName(reinterpret_cast<const char*>(block.bytes));
}

}  // namespace

bool ReadDataDirectory(const uint8_t* section, uint32_t size, DataBlock blocks[DataEntryCount]) {
  if (!section || size < DataDirectorySize || std::memcmp(section, DataMagic, 4) != 0 ||
      ReadU32(section + 4) != DataVersion || ReadU32(section + 8) != uint32_t(DataEntryCount))
    return false;
  DataBlock found[DataEntryCount];
  for (int entry = 0; entry < DataEntryCount; ++entry) {
    uint32_t offset = ReadU32(section + DataHeaderSize + 8 * entry);
    uint32_t length = ReadU32(section + DataHeaderSize + 8 * entry + 4);
    if (offset < DataDirectorySize || offset > size || length == 0 || length > size - offset) return false;
    found[entry] = {section + offset, length};
    if (!BlockFitsItsEntry(entry, found[entry])) return false;
  }
  std::memcpy(blocks, found, sizeof found);
  return true;
}
