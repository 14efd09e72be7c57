#include "packer/pe/pe_checksum.h"

uint32_t PeCheckSum(const std::vector<uint8_t>& file, size_t checkSumOffset) {
  // The field counts as zero byte by byte, which stays right even where it is not word-aligned.
  auto byteAt = [&](size_t at) -> uint32_t {
    if (at >= file.size() || (at >= checkSumOffset && at < checkSumOffset + 4)) return 0;
    return file[at];
  };
  uint32_t sum = 0;
  for (size_t at = 0; at < file.size(); at += 2) {
    sum += byteAt(at) | byteAt(at + 1) << 8;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return sum + uint32_t(file.size());
}
