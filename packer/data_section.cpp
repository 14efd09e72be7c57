#include "packer/data_section.h"

#include <cstring>

#include "packer/byte_order.h"

DataSectionLayout LayOutDataSection(const uint64_t (&sizes)[DataEntryCount]) {
  DataSectionLayout layout;
  uint64_t end = DataDirectorySize;
  auto place = [&](int entry) {
    if (entry >= Version1EntryCount && sizes[entry] == 0) return;  // absent: offset and size 0
    layout.offsets[entry] = AlignUp(end, DataBlockAlignment);
    layout.sizes[entry] = sizes[entry];
    end = layout.offsets[entry] + sizes[entry];
  };
  for (int entry = 0; entry < DataEntryCount; ++entry) {
    if (entry != CabinetEntry) place(entry);
  }
  place(CabinetEntry);
  layout.size = end;
  return layout;
}

std::vector<uint8_t> DataDirectoryBytes(const DataSectionLayout& layout) {
  std::vector<uint8_t> directory(DataDirectorySize);
  std::memcpy(directory.data(), DataMagic, sizeof DataMagic);
  WriteU32(&directory, 4, DataVersion);
  WriteU32(&directory, 8, DataEntryCount);
  for (int entry = 0; entry < DataEntryCount; ++entry) {
    WriteU32(&directory, DataHeaderSize + 8 * entry, uint32_t(layout.offsets[entry]));
    WriteU32(&directory, DataHeaderSize + 8 * entry + 4, uint32_t(layout.sizes[entry]));
  }
  return directory;
}

std::vector<uint8_t> LayOutDataSection(const std::vector<uint8_t> (&blocks)[DataEntryCount]) {
  uint64_t sizes[DataEntryCount];
  for (int entry = 0; entry < DataEntryCount; ++entry) sizes[entry] = blocks[entry].size();
  DataSectionLayout layout = LayOutDataSection(sizes);
  std::vector<uint8_t> section = DataDirectoryBytes(layout);
  section.resize(layout.size);
  for (int entry = 0; entry < DataEntryCount; ++entry)
    std::copy(blocks[entry].begin(), blocks[entry].end(), section.begin() + long(layout.offsets[entry]));
  return section;
}
