// The LZX bit stream: bits are gathered most significant first into 16-bit words, and each word
// is stored little-endian.
#pragma once
#include <cstdint>
#include <vector>

namespace lzx {

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>* out) : out_(out) {}
  void Retarget(std::vector<uint8_t>* out) { out_ = out; }

  // `count` is at most 16.
  void Put(uint32_t value, int count) {
    pending_ = pending_ << count | (value & ((uint32_t(1) << count) - 1));
    pendingBits_ += count;
    if (pendingBits_ >= 16) {
      pendingBits_ -= 16;
      PutWord(uint16_t(pending_ >> pendingBits_));
      pending_ &= (uint32_t(1) << pendingBits_) - 1;
    }
  }
  void PutLong(uint32_t value, int count) {
    if (count > 16) {
      Put(value >> 16, count - 16);
      count = 16;
    }
    Put(value, count);
  }
  // Fills the word begun with zero bits; nothing when none is begun.
  void Align() {
    if (pendingBits_ > 0) Put(0, 16 - pendingBits_);
  }
  bool Aligned() const { return pendingBits_ == 0; }
  // Raw bytes, for uncompressed blocks: only on a word boundary.
  void PutBytes(const uint8_t* bytes, size_t count) { out_->insert(out_->end(), bytes, bytes + count); }

 private:
  void PutWord(uint16_t word) {
    out_->push_back(uint8_t(word));
    out_->push_back(uint8_t(word >> 8));
  }

  std::vector<uint8_t>* out_;
  uint32_t pending_ = 0;
  int pendingBits_ = 0;
};

}  // namespace lzx
