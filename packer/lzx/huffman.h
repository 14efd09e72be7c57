// Huffman codes for the LZX trees: lengths of at most a given count of bits, and the canonical
// codes the decoder derives from them (shorter codes first, and in symbol order within a length).
#pragma once
#include <cstdint>

namespace lzx {

// Code lengths for `count` symbols of the frequencies given, none longer than `maxBits`. Every
// symbol of nonzero frequency gets a code, and the code is always complete: when fewer than two
// symbols occur, the first unused ones are added, since a decoder's table of a single code
// (or none) is accepted by some decoders only.
void BuildCodeLengths(const uint32_t* frequencies, int count, int maxBits, uint8_t* lengths);

// The canonical code of each symbol, read most significant bit first.
void CanonicalCodes(const uint8_t* lengths, int count, uint16_t* codes);

}  // namespace lzx
