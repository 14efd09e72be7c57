// Fuzzes zav-pack's LZX encoder: each input (its first byte choosing the window and how the
// bytes are handed over, the rest the data) is compressed into a one-file cabinet, extracted by
// libmspack and compared byte for byte; any difference or failed extraction is a finding.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "packer/cabinet_format.h"
#include "packer/checks/cabinet_reader.h"
#include "packer/lzx/lzx_encoder.h"

namespace {

class Compare : public CabinetSink {
 public:
  Compare(const uint8_t* expected, size_t size) : expected_(expected), size_(size) {}
  bool BeginFile(const std::string&, uint64_t size) override { return size == size_; }
  bool Write(const uint8_t* bytes, size_t count) override {
    if (at_ + count > size_ || std::memcmp(bytes, expected_ + at_, count) != 0) return false;
    at_ += count;
    return true;
  }
  bool EndFile() override { return at_ == size_; }

 private:
  const uint8_t* expected_;
  size_t size_, at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  int windowBits = lzx::MinWindowBits + data[0] % 7;
  size_t piece = 1 + size_t(data[0]) * 97;
  const uint8_t* stream = data + 1;
  size_t length = size - 1;
  lzx::Encoder encoder(windowBits, length);
  for (size_t at = 0; at < length; at += piece) encoder.Write(stream + at, std::min(piece, length - at));
  encoder.Finish();
  std::vector<lzx::CompressedFrame> frames = encoder.TakeFrames();

  std::vector<PayloadFile> files = {{"f", "", length, 0}};
  std::vector<FolderPlan> plans = {{0, 1, length}};
  std::vector<uint8_t> blocks;
  for (const lzx::CompressedFrame& frame : frames) {
    std::vector<uint8_t> block = CabinetDataBlock(frame.bytes, frame.uncompressedBytes);
    blocks.insert(blocks.end(), block.begin(), block.end());
  }
  uint32_t head = CabinetHeadBytes(files, 1);
  std::vector<FolderPlace> places = {{head, uint16_t(frames.size())}};
  std::vector<uint8_t> cabinet = CabinetHead(files, plans, places, CabinetLzx(windowBits), uint32_t(head + blocks.size()));
  cabinet.insert(cabinet.end(), blocks.begin(), blocks.end());

  static std::string path = "/tmp/lzx-fuzz-" + std::to_string(getpid()) + ".cab";
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(cabinet.data(), 1, cabinet.size(), file);
  std::fclose(file);
  Compare compare(stream, length);
  std::string problem = ExtractCabinet({path, 0, cabinet.size()}, &compare);
  if (!problem.empty()) {
    std::fprintf(stderr, "%zu bytes, window 2^%d: %s\n", length, windowBits, problem.c_str());
    std::abort();
  }
  return 0;
}
