// Finding earlier occurrences of the bytes ahead, over the whole window: chains of the earlier
// positions whose next three bytes hash alike, newest first, walked to a given depth.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lzx {

struct Match {
  uint32_t length = 0;
  uint32_t offset = 0;  // how far back, 1 = the byte before
};

class MatchFinder {
 public:
  explicit MatchFinder(int windowBits);

  // The longest match for the bytes at `at` (stream position `position`, `available` bytes
  // readable from there), at most `limit` long and reaching back at most `maxOffset`; every
  // position in the chain must still be readable before `at`. The position joins the chains.
  // At most `depth` earlier positions are tried.
  Match FindAndInsert(const uint8_t* at, uint32_t position, uint32_t available, uint32_t limit, uint32_t maxOffset,
                      int depth);
  // Only adds the position to the chains (inside a match taken).
  void Insert(const uint8_t* at, uint32_t position, uint32_t available);

 private:
  uint32_t Hash(const uint8_t* at) const;

  uint32_t windowMask_;
  int hashBits_;
  // Positions plus one, 0 meaning none.
  std::vector<uint32_t> head_, previous_;
};

constexpr uint32_t HashedBytes = 3;
// The length at which a search stops looking further.
constexpr uint32_t NiceLength = 64;

// How many bytes at `a` and `b` are alike, up to `limit`, eight at a time.
uint32_t CommonLength(const uint8_t* a, const uint8_t* b, uint32_t limit);

}  // namespace lzx
