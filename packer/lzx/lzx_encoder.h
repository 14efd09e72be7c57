// An LZX compressor for cabinet folders: one stream of a known length in, its 32 KB frames out,
// each compressed frame being the bytes of one cabinet data block. Memory stays bounded: the
// window, a block's worth of input ahead, the match chains and the frames not yet taken.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "packer/lzx/bit_writer.h"
#include "packer/lzx/lzx_format.h"
#include "packer/lzx/match_finder.h"

namespace lzx {

struct CompressedFrame {
  std::vector<uint8_t> bytes;
  uint32_t uncompressedBytes;
};

class Encoder {
 public:
  // `windowBits` from 15 to 21; `streamBytes` is the whole stream's length.
  Encoder(int windowBits, uint64_t streamBytes);

  // The stream's next bytes; whole blocks are compressed as they fill.
  void Write(const uint8_t* bytes, size_t count);
  // After the last byte: compresses what is left.
  void Finish();
  // The frames compressed since the last call, in order.
  std::vector<CompressedFrame> TakeFrames();
  // How many blocks of each type (Verbatim, Aligned, Uncompressed) were written so far.
  uint32_t BlocksOfType(int type) const { return blocksOfType_[type]; }

 private:
  struct Item {
    uint32_t length;  // 0: a literal
    uint32_t value;   // the literal, or the formatted offset (0..2: a repeated offset)
  };
  struct BlockCode;

  void Load(const uint8_t* bytes, size_t count);
  void TranslateLoadedFrames();
  void CompressBlock(uint32_t end);
  void Parse(uint32_t end, std::vector<Item>* items);
  Item Choose(uint32_t position, uint32_t limit, int depth, int* score);
  void InsertUpTo(uint32_t end);
  void Repeat(const Item& match);
  void EmitCompressed(int type, uint32_t end, const std::vector<Item>& items, const BlockCode& code);
  void EmitUncompressed(uint32_t end);
  void WriteBlockHeader(int type, uint32_t size);
  void Advance(uint32_t bytes);
  const uint8_t* At(uint32_t position) const { return data_.data() + (position - base_); }

  int windowBits_;
  uint32_t windowBytes_;
  uint64_t streamBytes_;
  bool translateCalls_;
  MatchFinder finder_;
  std::vector<uint8_t> data_;  // the window behind `position_` and the input loaded ahead
  uint32_t base_ = 0;          // the stream position of data_[0]
  uint32_t loaded_ = 0;        // the stream position after the last byte loaded
  uint32_t translated_ = 0;    // frames are translated up to here
  uint32_t position_ = 0;      // compressed up to here
  uint32_t repeated_[3] = {1, 1, 1};
  // The code lengths of the last block that had trees: the next ones are coded against them.
  uint8_t mainLengths_[MaxMainSymbols] = {};
  uint8_t lengthLengths_[LengthTreeSymbols] = {};
  bool headerWritten_ = false;
  uint32_t inserted_ = 0;       // positions before this are in the match chains
  uint32_t blocksOfType_[4] = {};
  std::vector<CompressedFrame> frames_;
  std::vector<uint8_t> frame_;  // the frame being written
  BitWriter bits_{&frame_};
  uint32_t emitted_ = 0;        // the stream position the bits written reach
  uint32_t frameEnd_ = 0;
};

}  // namespace lzx
