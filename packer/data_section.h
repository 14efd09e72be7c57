// The data section that zav-pack adds to the stub: the directory the program reads, then the
// blocks in the directory's order.
#pragma once
#include <cstdint>
#include <vector>

#include "assets/data_directory.h"

// The directory, then each block at the next multiple of DataBlockAlignment.
std::vector<uint8_t> LayOutDataSection(const std::vector<uint8_t> (&blocks)[DataEntryCount]);
