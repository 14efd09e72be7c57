// The numbers of the cabinet's LZX format that the encoder and its tests share: frames, the
// window's position slots, the trees' sizes, the block types.
#pragma once
#include <cstdint>

namespace lzx {

// The decoder hands out 32 KB at a time, and each such frame is one data block of the cabinet.
constexpr uint32_t FrameBytes = 32768;
constexpr int MinWindowBits = 15;
constexpr int MaxWindowBits = 21;
constexpr uint32_t MinMatch = 2;
constexpr uint32_t MaxMatch = 257;
constexpr int LiteralCount = 256;
// A match's main symbol holds its length up to 8 (header 0..6) or says "more in the length tree"
// (header 7).
constexpr uint32_t LengthHeaders = 8;
constexpr uint32_t LengthTreeSymbols = 249;
constexpr int PretreeSymbols = 20;
constexpr int AlignedSymbols = 8;
constexpr int MaxMainSymbols = LiteralCount + 50 * 8;
// Code lengths: main and length trees are delta-coded modulo 17 (0..16), the pretree's stand in
// 4 bits and the aligned tree's in 3, 0 meaning "not used".
constexpr int MaxCodeBits = 16;
constexpr int MaxPretreeBits = 15;
constexpr int MaxAlignedBits = 7;

enum BlockType { Verbatim = 1, Aligned = 2, Uncompressed = 3 };

// The translation size put in the stream's header when calls are translated: the size of the
// program images the translation is meant for, as the format's description suggests.
constexpr uint32_t CallTranslationSize = 12000000;
// Both decoders translate calls only in a stream's first 32768 frames (one of them in the
// 32769th as well): a longer stream is written without the translation.
constexpr uint32_t CallTranslationFrames = 32768;

// Position slots: a formatted offset (the real one plus 2; 0..2 name the repeated offsets) is
// its slot and that many footer bits. 2^15 .. 2^19 have 2 x bits slots, 2^20 has 42, 2^21 50.
inline int PositionSlots(int windowBits) { return windowBits == 21 ? 50 : windowBits == 20 ? 42 : windowBits * 2; }
inline int MainSymbols(int windowBits) { return LiteralCount + PositionSlots(windowBits) * 8; }
// The farthest a match may reach back: the last slot's top formatted offset, less 2.
inline uint32_t MaxOffset(int windowBits) { return (uint32_t(1) << windowBits) - 3; }

inline int FooterBits(int slot) { return slot < 4 ? 0 : slot >= 36 ? 17 : slot / 2 - 1; }
inline uint32_t SlotBase(int slot) {
  if (slot < 4) return uint32_t(slot);
  if (slot >= 36) return 262144 + uint32_t(slot - 36) * 131072;
  return (uint32_t(2) | uint32_t(slot & 1)) << (slot / 2 - 1);
}
inline int SlotOf(uint32_t formatted) {
  if (formatted < 4) return int(formatted);
  if (formatted >= 262144) return 36 + int((formatted - 262144) >> 17);
  int top = 31 - __builtin_clz(formatted);
  return top * 2 + int((formatted >> (top - 1)) & 1);
}

}  // namespace lzx
