// The checksum of a PE file as Windows computes it (kernel-mode drivers and some signing tools
// check it; for a program it is informational, but it should be right).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The file's 16-bit little-endian words summed with end-around carry (the checksum field at
// `checkSumOffset` counted as zero, an odd last byte as a word of its own), plus the length.
uint32_t PeCheckSum(const std::vector<uint8_t>& file, size_t checkSumOffset);
