#include "packer/lzx/huffman.h"

#include <algorithm>
#include <vector>

namespace lzx {

namespace {

// Plain Huffman lengths of the symbols in `used` (at least two), by the two-queue method over
// symbols sorted by frequency. False when some length exceeds `maxBits`.
bool HuffmanLengths(const std::vector<uint32_t>& weights, std::vector<int> used, int maxBits, uint8_t* lengths) {
  std::stable_sort(used.begin(), used.end(), [&](int a, int b) { return weights[size_t(a)] < weights[size_t(b)]; });
  size_t leaves = used.size();
  // Nodes 0..leaves-1 are the sorted leaves, the rest the merged ones in the order made.
  std::vector<uint64_t> weight(2 * leaves - 1);
  std::vector<int> parent(2 * leaves - 1, -1);
  for (size_t i = 0; i < leaves; ++i) weight[i] = weights[size_t(used[i])];
  size_t nextLeaf = 0, nextMerged = leaves, made = leaves;
  auto take = [&]() {
    if (nextLeaf < leaves && (nextMerged >= made || weight[nextLeaf] <= weight[nextMerged])) return nextLeaf++;
    return nextMerged++;
  };
  while (made < 2 * leaves - 1) {
    size_t a = take(), b = take();
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = int(made);
    ++made;
  }
  std::vector<int> depth(2 * leaves - 1, 0);
  for (size_t node = 2 * leaves - 2; node-- > 0;) depth[node] = depth[size_t(parent[node])] + 1;
  for (size_t i = 0; i < leaves; ++i) {
    if (depth[i] > maxBits) return false;
    lengths[used[i]] = uint8_t(depth[i]);
  }
  return true;
}

}  // namespace

void BuildCodeLengths(const uint32_t* frequencies, int count, int maxBits, uint8_t* lengths) {
  std::vector<uint32_t> weights(frequencies, frequencies + count);
  std::vector<int> used;
  for (int symbol = 0; symbol < count; ++symbol) {
    lengths[symbol] = 0;
    if (weights[size_t(symbol)] > 0) used.push_back(symbol);
  }
  for (int symbol = 0; used.size() < 2 && symbol < count; ++symbol) {
    if (weights[size_t(symbol)] == 0) {
      weights[size_t(symbol)] = 1;
      used.push_back(symbol);
    }
  }
  std::sort(used.begin(), used.end());
  // Too deep a tree: flatten the frequencies and build again, until it fits.
  while (!HuffmanLengths(weights, used, maxBits, lengths)) {
    for (int symbol : used) weights[size_t(symbol)] = (weights[size_t(symbol)] + 1) / 2;
  }
}

void CanonicalCodes(const uint8_t* lengths, int count, uint16_t* codes) {
  uint32_t next = 0;
  for (int bits = 1; bits <= 16; ++bits) {
    for (int symbol = 0; symbol < count; ++symbol) {
      if (lengths[symbol] == bits) codes[symbol] = uint16_t(next++);
    }
    next <<= 1;
  }
}

}  // namespace lzx
