#include "packer/lzx/match_finder.h"

#include <cstring>

namespace lzx {

uint32_t CommonLength(const uint8_t* a, const uint8_t* b, uint32_t limit) {
  uint32_t length = 0;
  while (length + 8 <= limit) {
    uint64_t x, y;
    std::memcpy(&x, a + length, 8);
    std::memcpy(&y, b + length, 8);
    if (x != y) return length + uint32_t(__builtin_ctzll(x ^ y) / 8);  // little-endian: the first byte lowest
    length += 8;
  }
  while (length < limit && a[length] == b[length]) ++length;
  return length;
}

MatchFinder::MatchFinder(int windowBits)
    : windowMask_((uint32_t(1) << windowBits) - 1),
      hashBits_(windowBits < 17 ? 15 : 17),
      head_(size_t(1) << hashBits_),
      previous_(size_t(1) << windowBits) {}

uint32_t MatchFinder::Hash(const uint8_t* at) const {
  uint32_t three = uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16;
  return (three * 2654435761u) >> (32 - hashBits_);
}

void MatchFinder::Insert(const uint8_t* at, uint32_t position, uint32_t available) {
  if (available < HashedBytes) return;
  uint32_t& head = head_[Hash(at)];
  previous_[position & windowMask_] = head;
  head = position + 1;
}

Match MatchFinder::FindAndInsert(const uint8_t* at, uint32_t position, uint32_t available, uint32_t limit,
                                 uint32_t maxOffset, int depth) {
  Match best;
  if (available < HashedBytes) return best;
  uint32_t& head = head_[Hash(at)];
  uint32_t candidate = head;
  previous_[position & windowMask_] = head;
  head = position + 1;
  if (limit > available) limit = available;
  for (; depth > 0 && candidate != 0; --depth) {
    uint32_t earlier = candidate - 1;
    // A chain entry overwritten by a newer position (its slot reused a window later) is as far
    // as the chain holds.
    if (earlier >= position || position - earlier > maxOffset) break;
    uint32_t offset = position - earlier;
    const uint8_t* from = at - offset;
    if (from[best.length] == at[best.length]) {
      uint32_t length = CommonLength(at, from, limit);
      if (length > best.length) {
        best.length = length;
        best.offset = offset;
        if (length >= limit || length >= NiceLength) break;
      }
    }
    candidate = previous_[earlier & windowMask_];
  }
  return best;
}

}  // namespace lzx
