#include "packer/pe/pe_checksum.h"

namespace {

uint32_t Fold(uint32_t sum) { return (sum & 0xFFFF) + (sum >> 16); }

}  // namespace

uint32_t PeWordSum(uint32_t sum, const uint8_t* bytes, size_t count) {
  size_t at = 0;
  for (; at + 1 < count; at += 2) sum = Fold(sum + (uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8));
  if (at < count) sum = Fold(sum + bytes[at]);
  return sum;
}

uint32_t FinishPeCheckSum(uint32_t sum, uint64_t fileLength) { return Fold(Fold(sum)) + uint32_t(fileLength); }

uint32_t PeCheckSum(const std::vector<uint8_t>& file, size_t checkSumOffset) {
  // The field counts as zero byte by byte, which stays right even where it is not word-aligned.
  std::vector<uint8_t> copy = file;
  for (size_t at = checkSumOffset; at < checkSumOffset + 4 && at < copy.size(); ++at) copy[at] = 0;
  return FinishPeCheckSum(PeWordSum(0, copy.data(), copy.size()), copy.size());
}
