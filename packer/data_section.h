// The data section that zav-pack adds to the stub: the directory the program reads, then the
// blocks. The directory names each block by its offset, so their order in the section is free:
// the cabinet comes last, written as a stream whose length is known only at its end.
#pragma once
#include <cstdint>
#include <vector>

#include "assets/data_directory.h"

// Where each block lies: the directory, then every block but the cabinet in the directory's
// order, then the cabinet, each at the next multiple of DataBlockAlignment. An empty block of an
// entry that may be absent (one after the first version's) is absent: at offset 0.
struct DataSectionLayout {
  uint64_t offsets[DataEntryCount] = {};
  uint64_t sizes[DataEntryCount] = {};
  uint64_t size = 0;  // of the whole section
};
DataSectionLayout LayOutDataSection(const uint64_t (&sizes)[DataEntryCount]);

// The directory of a layout.
std::vector<uint8_t> DataDirectoryBytes(const DataSectionLayout& layout);

// The whole section of blocks held in memory.
std::vector<uint8_t> LayOutDataSection(const std::vector<uint8_t> (&blocks)[DataEntryCount]);
