#include "packer/data_section.h"

#include <cstring>

#include "packer/byte_order.h"

namespace {

size_t Aligned(size_t offset) {
  return (offset + DataBlockAlignment - 1) / DataBlockAlignment * DataBlockAlignment;
}

}  // namespace

std::vector<uint8_t> LayOutDataSection(const std::vector<uint8_t> (&blocks)[DataEntryCount]) {
  std::vector<uint8_t> section(DataDirectorySize);
  std::memcpy(section.data(), DataMagic, sizeof DataMagic);
  WriteU32(&section, 4, DataVersion);
  WriteU32(&section, 8, DataEntryCount);
  for (int entry = 0; entry < DataEntryCount; ++entry) {
    size_t offset = Aligned(section.size());
    section.resize(offset);
    section.insert(section.end(), blocks[entry].begin(), blocks[entry].end());
    WriteU32(&section, DataHeaderSize + 8 * entry, uint32_t(offset));
    WriteU32(&section, DataHeaderSize + 8 * entry + 4, uint32_t(blocks[entry].size()));
  }
  return section;
}
