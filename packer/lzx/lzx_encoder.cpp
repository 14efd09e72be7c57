#include "packer/lzx/lzx_encoder.h"

#include <algorithm>
#include <cstring>

#include "packer/lzx/call_translation.h"
#include "packer/lzx/huffman.h"

namespace lzx {

namespace {

// A block covers whole frames, so that no match and no block runs over a frame's end: one
// decoder cannot follow a match that does, and the frames must each end in their own data
// block. Two frames (64 KB) let the trees follow the data closely at little cost for them.
constexpr uint32_t BlockFrames = 2;
constexpr uint32_t BlockBytes = BlockFrames * FrameBytes;

// Rough costs in bits, for the parse, which runs before the block's trees are known: a literal,
// and a match's main symbol (a repeated offset's is cheaper, the first one's cheapest).
constexpr int LiteralBits = 9;
constexpr int MatchSymbolBits = 9;
constexpr int RepeatSymbolBits = 7;
constexpr int LongLengthBits = 5;

// How hard the match finder looks: this many earlier positions at most, a quarter as many for
// the position after a match already good, and none after one long enough. Each position tried
// is a cache miss or two in a window of megabytes, which is where the time goes: 6 instead of
// 12 takes about 40 % less time for about 1.5 % more output on program files.
constexpr int ChainDepth = 6;
constexpr uint32_t GoodLength = 8;
constexpr uint32_t LazyLength = 16;

// The bits a match saves over sending its bytes as literals.
int Saving(uint32_t length, int symbolBits, int footerBits) {
  return int(length) * LiteralBits - symbolBits - footerBits - (length - MinMatch >= LengthHeaders - 1 ? LongLengthBits : 0);
}

// One tree's lengths coded against the previous ones with a pretree: zero runs (17: 4..19,
// 18: 20..51) and deltas modulo 17. The run of equal lengths (19) is left out: the decoders
// read its delta against the first length it covers, as the format's description did not say,
// and avoiding it keeps the stream within what every reading of that description accepts.
struct TreeCode {
  std::vector<uint8_t> symbols, extras;
  uint8_t lengths[PretreeSymbols];
  uint16_t codes[PretreeSymbols];
  uint32_t bits = 0;
};

void CodeTree(const uint8_t* previous, const uint8_t* lengths, int count, TreeCode* code) {
  uint32_t frequencies[PretreeSymbols] = {};
  for (int x = 0; x < count;) {
    int run = 0;
    while (x + run < count && run < 51 && lengths[x + run] == 0) ++run;
    uint8_t symbol, extra = 0;
    if (run >= 20) {
      symbol = 18, extra = uint8_t(run - 20);
    } else if (run >= 4) {
      symbol = 17, extra = uint8_t(run - 4);
    } else {
      symbol = uint8_t((previous[x] - lengths[x] + 17) % 17), run = 1;
    }
    code->symbols.push_back(symbol);
    code->extras.push_back(extra);
    ++frequencies[symbol];
    x += run;
  }
  BuildCodeLengths(frequencies, PretreeSymbols, MaxPretreeBits, code->lengths);
  CanonicalCodes(code->lengths, PretreeSymbols, code->codes);
  code->bits = PretreeSymbols * 4;
  for (int symbol = 0; symbol < PretreeSymbols; ++symbol) {
    code->bits += frequencies[symbol] * (code->lengths[symbol] + (symbol == 17 ? 4 : symbol == 18 ? 5 : 0));
  }
}

void WriteTree(const TreeCode& code, BitWriter* bits) {
  for (int symbol = 0; symbol < PretreeSymbols; ++symbol) bits->Put(code.lengths[symbol], 4);
  for (size_t i = 0; i < code.symbols.size(); ++i) {
    uint8_t symbol = code.symbols[i];
    bits->Put(code.codes[symbol], code.lengths[symbol]);
    if (symbol == 17) bits->Put(code.extras[i], 4);
    if (symbol == 18) bits->Put(code.extras[i], 5);
  }
}

}  // namespace

// A block's trees, their coding and what each block type would cost.
struct Encoder::BlockCode {
  uint8_t main[MaxMainSymbols], length[LengthTreeSymbols], aligned[AlignedSymbols];
  uint16_t mainCodes[MaxMainSymbols], lengthCodes[LengthTreeSymbols], alignedCodes[AlignedSymbols];
  TreeCode literals, matches, lengths;
  uint64_t verbatimBits = 0, alignedBits = 0;
};

Encoder::Encoder(int windowBits, uint64_t streamBytes)
    : windowBits_(windowBits),
      windowBytes_(uint32_t(1) << windowBits),
      streamBytes_(streamBytes),
      translateCalls_((streamBytes + FrameBytes - 1) / FrameBytes <= CallTranslationFrames),
      finder_(windowBits) {
  frameEnd_ = uint32_t(std::min<uint64_t>(FrameBytes, streamBytes));
}

void Encoder::Write(const uint8_t* bytes, size_t count) {
  while (count > 0) {
    size_t take = std::min<size_t>(count, position_ + BlockBytes - loaded_);
    Load(bytes, take);
    bytes += take;
    count -= take;
    if (loaded_ - position_ == BlockBytes) {
      TranslateLoadedFrames();
      CompressBlock(loaded_);
    }
  }
}

void Encoder::Finish() {
  TranslateLoadedFrames();
  while (position_ < loaded_) CompressBlock(std::min(loaded_, position_ + BlockBytes));
}

std::vector<CompressedFrame> Encoder::TakeFrames() {
  std::vector<CompressedFrame> taken;
  taken.swap(frames_);
  return taken;
}

// The buffer keeps the window behind the position compressed to; it slides only when twice the
// window is used, so that each byte is moved about once.
void Encoder::Load(const uint8_t* bytes, size_t count) {
  if (data_.size() + count > 2 * size_t(windowBytes_) + BlockBytes) {
    uint32_t keep = position_ > windowBytes_ ? position_ - windowBytes_ : 0;
    data_.erase(data_.begin(), data_.begin() + (keep - base_));
    base_ = keep;
  }
  data_.insert(data_.end(), bytes, bytes + count);
  loaded_ += uint32_t(count);
}

void Encoder::TranslateLoadedFrames() {
  while (translateCalls_ && translated_ < loaded_) {
    uint32_t size = uint32_t(std::min<uint64_t>(FrameBytes, streamBytes_ - translated_));
    if (translated_ + size > loaded_) break;
    TranslateCalls(data_.data() + (translated_ - base_), size, translated_, CallTranslationSize);
    translated_ += size;
  }
}

Encoder::Item Encoder::Choose(uint32_t position, uint32_t limit, int depth, int* score) {
  Item best = {0, *At(position)};
  *score = 0;
  const uint8_t* at = At(position);
  for (uint32_t i = 0; i < 3; ++i) {
    uint32_t offset = repeated_[i];
    if (offset > position || limit < MinMatch) continue;
    uint32_t length = CommonLength(at, at - offset, limit);
    int saving = Saving(length, RepeatSymbolBits + int(i), 0);
    if (length >= MinMatch && saving > *score) best = {length, i}, *score = saving;
  }
  Match match = finder_.FindAndInsert(at, position, loaded_ - position, limit, MaxOffset(windowBits_), depth);
  inserted_ = position + 1;
  if (match.length >= MinMatch) {
    int saving = Saving(match.length, MatchSymbolBits, FooterBits(SlotOf(match.offset + 2)));
    if (saving > *score) best = {match.length, match.offset + 2}, *score = saving;
  }
  return best;
}

void Encoder::InsertUpTo(uint32_t end) {
  for (; inserted_ < end; ++inserted_) finder_.Insert(At(inserted_), inserted_, loaded_ - inserted_);
}

// The decoder's queue of the three last offsets: a repeated one moves to the front, a new one
// pushes the others back.
void Encoder::Repeat(const Item& match) {
  if (match.value == 1 || match.value == 2) {
    std::swap(repeated_[0], repeated_[match.value]);
  } else if (match.value > 2) {
    repeated_[2] = repeated_[1];
    repeated_[1] = repeated_[0];
    repeated_[0] = match.value - 2;
  }
}

// Lazy matching: a match is taken unless the one starting a byte later saves more.
void Encoder::Parse(uint32_t end, std::vector<Item>* items) {
  bool ahead = false;
  Item next = {};
  int nextScore = 0;
  for (uint32_t position = position_; position < end;) {
    uint32_t frameLimit = std::min(end, (position / FrameBytes + 1) * FrameBytes);
    uint32_t limit = std::min(MaxMatch, frameLimit - position);
    int score;
    Item item = ahead ? next : Choose(position, limit, ChainDepth, &score);
    if (ahead) score = nextScore;
    ahead = false;
    if (item.length >= MinMatch && item.length < LazyLength && position + 1 < frameLimit) {
      int depth = item.length >= GoodLength ? ChainDepth / 4 : ChainDepth;
      next = Choose(position + 1, std::min(MaxMatch, frameLimit - position - 1), depth, &nextScore);
      if (next.length >= MinMatch && nextScore > score) {
        items->push_back({0, *At(position)});
        ++position;
        ahead = true;
        continue;
      }
    }
    if (item.length < MinMatch) item = {0, *At(position)};
    items->push_back(item);
    position += std::max<uint32_t>(item.length, 1);
    InsertUpTo(position);
    if (item.length > 0) Repeat(item);
  }
}

void Encoder::CompressBlock(uint32_t end) {
  uint32_t savedRepeated[3] = {repeated_[0], repeated_[1], repeated_[2]};
  std::vector<Item> items;
  items.reserve(end - position_);
  Parse(end, &items);

  int mainCount = MainSymbols(windowBits_);
  uint32_t mainFrequencies[MaxMainSymbols] = {}, lengthFrequencies[LengthTreeSymbols] = {};
  uint32_t alignedFrequencies[AlignedSymbols] = {};
  uint64_t footerBits = 0, alignedFooters = 0;
  for (const Item& item : items) {
    if (item.length == 0) {
      ++mainFrequencies[item.value];
      continue;
    }
    int slot = SlotOf(item.value);
    uint32_t header = std::min(item.length - MinMatch, LengthHeaders - 1);
    ++mainFrequencies[LiteralCount + slot * 8 + int(header)];
    if (header == LengthHeaders - 1) ++lengthFrequencies[item.length - MinMatch - header];
    footerBits += uint64_t(FooterBits(slot));
    if (FooterBits(slot) >= 3) ++alignedFrequencies[(item.value - SlotBase(slot)) & 7], ++alignedFooters;
  }
  // The decoders undo the call translation only once a block's main tree has a code for the
  // E8 byte (or after an uncompressed block), so every block gives it one.
  if (translateCalls_ && mainFrequencies[0xE8] == 0) mainFrequencies[0xE8] = 1;

  BlockCode code;
  BuildCodeLengths(mainFrequencies, mainCount, MaxCodeBits, code.main);
  BuildCodeLengths(lengthFrequencies, LengthTreeSymbols, MaxCodeBits, code.length);
  BuildCodeLengths(alignedFrequencies, AlignedSymbols, MaxAlignedBits, code.aligned);
  CanonicalCodes(code.main, mainCount, code.mainCodes);
  CanonicalCodes(code.length, LengthTreeSymbols, code.lengthCodes);
  CanonicalCodes(code.aligned, AlignedSymbols, code.alignedCodes);
  CodeTree(mainLengths_, code.main, LiteralCount, &code.literals);
  CodeTree(mainLengths_ + LiteralCount, code.main + LiteralCount, mainCount - LiteralCount, &code.matches);
  CodeTree(lengthLengths_, code.length, LengthTreeSymbols, &code.lengths);
  uint64_t bits = 3 + 24 + code.literals.bits + code.matches.bits + code.lengths.bits + footerBits;
  for (int symbol = 0; symbol < mainCount; ++symbol) bits += uint64_t(mainFrequencies[symbol]) * code.main[symbol];
  for (uint32_t symbol = 0; symbol < LengthTreeSymbols; ++symbol) bits += uint64_t(lengthFrequencies[symbol]) * code.length[symbol];
  code.verbatimBits = bits;
  code.alignedBits = bits + AlignedSymbols * 3 - alignedFooters * 3;
  for (int symbol = 0; symbol < AlignedSymbols; ++symbol) code.alignedBits += uint64_t(alignedFrequencies[symbol]) * code.aligned[symbol];
  uint64_t uncompressedBits = 3 + 24 + 16 + 96 + uint64_t(end - position_) * 8;

  if (uncompressedBits < std::min(code.verbatimBits, code.alignedBits)) {
    std::memcpy(repeated_, savedRepeated, sizeof repeated_);
    EmitUncompressed(end);
  } else {
    EmitCompressed(code.alignedBits < code.verbatimBits ? Aligned : Verbatim, end, items, code);
  }
  position_ = end;
}

void Encoder::WriteBlockHeader(int type, uint32_t size) {
  ++blocksOfType_[type];
  if (!headerWritten_) {
    headerWritten_ = true;
    bits_.Put(translateCalls_ ? 1 : 0, 1);
    if (translateCalls_) {
      bits_.Put(CallTranslationSize >> 16, 16);
      bits_.Put(CallTranslationSize & 0xFFFF, 16);
    }
  }
  bits_.Put(uint32_t(type), 3);
  bits_.Put(size >> 8, 16);
  bits_.Put(size & 0xFF, 8);
}

// Each frame ends on a 16-bit boundary, where the decoders realign, and becomes one data block.
void Encoder::Advance(uint32_t bytes) {
  emitted_ += bytes;
  if (emitted_ != frameEnd_) return;
  bits_.Align();
  frames_.push_back({std::move(frame_), (frameEnd_ - 1) % FrameBytes + 1});
  frame_.clear();
  frameEnd_ = uint32_t(std::min<uint64_t>(uint64_t(frameEnd_) + FrameBytes, streamBytes_));
}

void Encoder::EmitCompressed(int type, uint32_t end, const std::vector<Item>& items, const BlockCode& code) {
  WriteBlockHeader(type, end - position_);
  if (type == Aligned) {
    for (int symbol = 0; symbol < AlignedSymbols; ++symbol) bits_.Put(code.aligned[symbol], 3);
  }
  WriteTree(code.literals, &bits_);
  WriteTree(code.matches, &bits_);
  WriteTree(code.lengths, &bits_);
  std::memcpy(mainLengths_, code.main, size_t(MainSymbols(windowBits_)));
  std::memcpy(lengthLengths_, code.length, sizeof code.length);
  for (const Item& item : items) {
    if (item.length == 0) {
      bits_.Put(code.mainCodes[item.value], code.main[item.value]);
      Advance(1);
      continue;
    }
    int slot = SlotOf(item.value);
    uint32_t header = std::min(item.length - MinMatch, LengthHeaders - 1);
    int symbol = LiteralCount + slot * 8 + int(header);
    bits_.Put(code.mainCodes[symbol], code.main[symbol]);
    if (header == LengthHeaders - 1) {
      uint32_t extra = item.length - MinMatch - header;
      bits_.Put(code.lengthCodes[extra], code.length[extra]);
    }
    int footerBits = FooterBits(slot);
    uint32_t footer = item.value - SlotBase(slot);
    if (type == Aligned && footerBits >= 3) {
      bits_.Put(footer >> 3, footerBits - 3);
      bits_.Put(code.alignedCodes[footer & 7], code.aligned[footer & 7]);
    } else {
      bits_.PutLong(footer, footerBits);
    }
    Advance(item.length);
  }
}

// The bytes as they are, after the three repeated offsets, which the decoder takes from here;
// the header is followed by 1 to 16 bits of padding (16 when it ends on a word boundary), and a
// block of odd length by a byte of padding.
void Encoder::EmitUncompressed(uint32_t end) {
  WriteBlockHeader(Uncompressed, end - position_);
  if (bits_.Aligned()) bits_.Put(0, 16);
  bits_.Align();
  uint8_t offsets[12];
  for (int i = 0; i < 12; ++i) offsets[i] = uint8_t(repeated_[i / 4] >> (8 * (i % 4)));
  bits_.PutBytes(offsets, sizeof offsets);
  for (uint32_t position = position_; position < end;) {
    uint32_t count = std::min(end, frameEnd_) - position;
    bits_.PutBytes(At(position), count);
    position += count;
    const uint8_t padding = 0;
    if (position == end && (end - position_) % 2 == 1) bits_.PutBytes(&padding, 1);
    Advance(count);
  }
}

}  // namespace lzx
