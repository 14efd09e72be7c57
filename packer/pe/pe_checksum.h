// The checksum of a PE file as Windows computes it (kernel-mode drivers and some signing tools
// check it; for a program it is informational, but it should be right).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The file's 16-bit little-endian words summed with end-around carry (the checksum field at
// `checkSumOffset` counted as zero, an odd last byte as a word of its own), plus the length.
uint32_t PeCheckSum(const std::vector<uint8_t>& file, size_t checkSumOffset);

// The same sum in parts, for a file written piece by piece: `words` adds `count` bytes that
// start at an even offset of the file (an odd count only for the file's last piece), and
// FinishPeCheckSum adds the file's length.
uint32_t PeWordSum(uint32_t sum, const uint8_t* bytes, size_t count);
uint32_t FinishPeCheckSum(uint32_t sum, uint64_t fileLength);
