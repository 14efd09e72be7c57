// zav-pack's own cabinets (LZX and stored) packed of files and extracted again by libmspack, byte
// for byte: the format's edges as table rows, then many small random inputs of a fixed seed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "packer/cabinet_format.h"
#include "packer/cabinet_writer.h"
#include "packer/checks/cabinet.h"
#include "packer/lzx/lzx_encoder.h"
#include "packer/lzx/lzx_format.h"
#include "packer/progress.h"
#include "tests/support/testdata.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Scratch {
  std::string root;
  Scratch() {
    char folder[] = "/tmp/zav-cabinet-test-XXXXXX";
    root = mkdtemp(folder);
  }
  ~Scratch() { std::system(("rm -rf " + root).c_str()); }
};

Bytes Random(size_t size, uint32_t seed, int alphabet = 256) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (uint8_t& b : bytes) b = uint8_t(random() % unsigned(alphabet));
  return bytes;
}

// Words of a small vocabulary: text that compresses about as prose does.
Bytes Text(size_t size, uint32_t seed) {
  static const char* const words[] = {"install ", "the ", "folder ", "music ", "window ", "of ", "and ", "file\n", "cabinet, "};
  std::mt19937 random(seed);
  Bytes bytes;
  while (bytes.size() < size) {
    const char* word = words[random() % 9];
    bytes.insert(bytes.end(), word, word + std::strlen(word));
  }
  bytes.resize(size);
  return bytes;
}

// x86-like code: calls (E8 and a relative target) to a few functions, among random bytes.
Bytes Calls(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes = Random(size, seed, 64);
  for (size_t at = 16; at + 5 < size; at += 7 + random() % 24) {
    int32_t target = int32_t(4096 * (random() % 8)) - int32_t(at + 5);
    bytes[at] = 0xE8;
    for (int k = 0; k < 4; ++k) bytes[at + 1 + size_t(k)] = uint8_t(uint32_t(target) >> (8 * k));
  }
  return bytes;
}

// E8 bytes in the last 12 bytes of every frame, where the decoders stop looking for them.
Bytes CallsAtFrameEnds(size_t size) {
  Bytes bytes = Text(size, 5);
  for (size_t end = lzx::FrameBytes; end <= size; end += lzx::FrameBytes) {
    for (size_t back = 1; back <= 12; ++back) bytes[end - back] = back % 3 ? 0xE8 : 0x00;
  }
  return bytes;
}

// Random bytes, then the same bytes again `distance` further on.
Bytes RepeatedAt(size_t distance, size_t length) {
  Bytes bytes = Random(distance + length, 9);
  for (size_t i = distance; i < distance + length; ++i) bytes[i] = bytes[i - distance];
  return bytes;
}

// Records whose fields repeat at two or three alternating distances: the repeated offsets.
Bytes Records(size_t size) {
  std::mt19937 random(3);
  Bytes bytes = Random(4096, 4);
  const size_t distances[] = {1000, 2000, 3000};
  while (bytes.size() < size) {
    size_t from = bytes.size() - distances[random() % 3];
    for (int k = 0; k < 12; ++k) bytes.push_back(bytes[from + size_t(k)]);
    bytes.push_back(uint8_t(random()));
  }
  bytes.resize(size);
  return bytes;
}

struct Packed {
  std::string path, problem;
  uint64_t offset = 0, size = 0;
};

// Packs the files (name, bytes) with `compression` into a file after a few bytes of its own, and
// reads them back through libmspack.
Packed PackAndReadBack(const Scratch& scratch, const std::vector<std::pair<std::string, Bytes>>& contents,
                       Compression compression) {
  std::vector<PayloadFile> files;
  for (const auto& [name, bytes] : contents) {
    std::string path = scratch.root + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    files.push_back({name, path, bytes.size(), 1700000000});
  }
  Packed packed;
  packed.path = scratch.root + "/packed.bin";
  packed.offset = 7;
  OutputFile output;
  std::string error;
  if (!output.Create(packed.path, &error) || !output.WriteAt(0, "leading", 7, &error) ||
      !WriteCabinet(files, compression, &output, packed.offset, &packed.size, nullptr, &error) || !output.Commit(&error)) {
    packed.problem = "not written: " + error;
    return packed;
  }
  packed.problem = ReadBackProblem({packed.path, packed.offset, packed.size}, files);
  return packed;
}

Compression Lzx(int windowBits, uint64_t folderBytes = 32 << 20) {
  return {CompressionMethod::Lzx, windowBits, folderBytes};
}

// The first block's type: after the header's bit and, with the call translation, its 32 bits.
int FirstBlockType(const Packed& packed) {
  Bytes cabinet = zavtest::ReadFileBytes(packed.path);
  size_t data = packed.offset + (cabinet[packed.offset + 36] | cabinet[packed.offset + 37] << 8) + 8;
  auto bit = [&](size_t n) { return (cabinet[data + n / 16 * 2 + (n % 16 < 8 ? 1 : 0)] >> (7 - n % 8)) & 1; };
  size_t at = bit(0) ? 33 : 1;
  return bit(at) << 2 | bit(at + 1) << 1 | bit(at + 2);
}

TEST(CabinetWriter, LzxEdgesComeBackByteForByte) {
  Scratch scratch;
  const uint32_t frame = lzx::FrameBytes;
  Bytes self = zavtest::ReadFileBytes("/proc/self/exe");
  const struct {
    const char* what;
    std::vector<std::pair<std::string, Bytes>> files;
    Compression compression;
    double mostRatio;  // the cabinet's size against the files' at most
    int blockType;     // the first block's, or 0 for any
  } cases[] = {
      {"empty and one-byte files", {{"empty", {}}, {"one", {42}}, {"empty too", {}}}, Lzx(21), 200, 0},
      {"incompressible", {{"noise", Random(100000, 1)}}, Lzx(21), 1.01, lzx::Uncompressed},
      {"all zero", {{"zeros", Bytes(3 << 20, 0)}}, Lzx(21), 0.002, 0},
      {"a frame less a byte", {{"f", Text(frame - 1, 1)}}, Lzx(16), 0.5, lzx::Verbatim},
      {"exactly a frame", {{"f", Text(frame, 2)}}, Lzx(16), 0.5, 0},
      {"a frame and a byte", {{"f", Text(frame + 1, 3)}}, Lzx(16), 0.5, 0},
      {"odd-sized noise after text", {{"t", Text(3 * frame, 4)}, {"n", Random(5 * frame + 1, 5)}}, Lzx(17), 1.0, 0},
      {"E8 bytes at frame ends", {{"e8", CallsAtFrameEnds(6 * frame)}}, Lzx(21), 0.5, 0},
      {"calls", {{"calls", Calls(400000, 6)}}, Lzx(21), 0.9, 0},
      {"this test program", {{"self", self}}, Lzx(21), 0.6, 0},
      {"a match at the window's full distance", {{"far", RepeatedAt((1 << 15) - 3, 8000)}}, Lzx(15), 0.85, 0},
      {"matches at the largest window's", {{"far", RepeatedAt((1 << 21) - 3, 300000)}}, Lzx(21), 0.9, 0},
      {"repeated offsets", {{"records", Records(300000)}}, Lzx(18), 0.3, 0},
      {"aligned offsets", {{"far", RepeatedAt(1 << 20, 1 << 18)}}, Lzx(21), 0.85, 0},
      {"files across folders and frames",
       {{"a", Text(50000, 7)}, {"b", Calls(70001, 8)}, {"c", Text(1, 9)}, {"d", Records(90000)}, {"e", Text(40000, 10)}},
       Lzx(17, 60000), 0.6, 0},
      {"stored", {{"a", Text(50000, 11)}, {"b", Random(frame, 12)}, {"c", {}}}, {CompressionMethod::None, 21, 40000}, 1.01, 0},
  };
  for (const auto& c : cases) {
    Packed packed = PackAndReadBack(scratch, c.files, c.compression);
    EXPECT_EQ(packed.problem, "") << c.what;
    uint64_t bytes = 0;
    for (const auto& file : c.files) bytes += file.second.size();
    EXPECT_LE(double(packed.size), c.mostRatio * double(bytes) + 300) << c.what;
    if (c.blockType) {
      EXPECT_EQ(FirstBlockType(packed), c.blockType) << c.what;
    }
  }
}

TEST(CabinetWriter, EveryWindowComesBack) {
  Scratch scratch;
  Bytes mixed = Text(200000, 21);
  Bytes calls = Calls(200000, 22);
  mixed.insert(mixed.end(), calls.begin(), calls.end());
  for (int bits = lzx::MinWindowBits; bits <= lzx::MaxWindowBits; ++bits) {
    Packed packed = PackAndReadBack(scratch, {{"mixed", mixed}}, Lzx(bits));
    EXPECT_EQ(packed.problem, "") << "window 2^" << bits;
    EXPECT_LT(packed.size, mixed.size() * 3 / 4) << "window 2^" << bits;
  }
}

// Random inputs of random kinds and windows, of a fixed seed, each packed and read back.
TEST(CabinetWriter, RandomInputsComeBack) {
  Scratch scratch;
  std::mt19937 random(2026);
  for (int round = 0; round < 2000; ++round) {
    size_t size = random() % 3 == 0 ? random() % 100 : random() % 70000;
    uint32_t seed = random();
    Bytes bytes;
    switch (random() % 4) {
      case 0: bytes = Random(size, seed, 1 + int(random() % 256)); break;
      case 1: bytes = Text(size, seed); break;
      case 2: bytes = Calls(size + 6, seed); break;
      default: bytes = Records(size); break;
    }
    int bits = lzx::MinWindowBits + int(random() % 7);
    Packed packed = PackAndReadBack(scratch, {{"r", bytes}}, Lzx(bits));
    ASSERT_EQ(packed.problem, "") << "round " << round << ", " << bytes.size() << " bytes, window 2^" << bits;
  }
}

// The encoder on its own, into a one-folder cabinet extracted again: a program makes it choose
// verbatim and aligned-offset blocks, noise uncompressed ones, and each comes back.
TEST(LzxEncoder, EveryBlockTypeComesBack) {
  Scratch scratch;
  Bytes program = zavtest::ReadFileBytes("/proc/self/exe");
  Bytes noise = Random(200001, 31);
  program.insert(program.end(), noise.begin(), noise.end());
  lzx::Encoder encoder(21, program.size());
  encoder.Write(program.data(), program.size());
  encoder.Finish();
  for (int type : {lzx::Verbatim, lzx::Aligned, lzx::Uncompressed}) EXPECT_GT(encoder.BlocksOfType(type), 0u) << type;
  std::vector<lzx::CompressedFrame> frames = encoder.TakeFrames();
  std::vector<PayloadFile> files = {{"program", "", program.size(), 0}};
  Bytes blocks;
  for (const lzx::CompressedFrame& frame : frames) {
    Bytes block = CabinetDataBlock(frame.bytes, frame.uncompressedBytes);
    blocks.insert(blocks.end(), block.begin(), block.end());
  }
  uint32_t head = CabinetHeadBytes(files, 1);
  Bytes cabinet = CabinetHead(files, {{0, 1, program.size()}}, {{head, uint16_t(frames.size())}}, CabinetLzx(21),
                              uint32_t(head + blocks.size()));
  cabinet.insert(cabinet.end(), blocks.begin(), blocks.end());
  std::string path = scratch.root + "/encoder.cab", source = scratch.root + "/program";
  for (const auto& [name, bytes] : {std::pair{path, cabinet}, std::pair{source, program}}) {
    FILE* file = std::fopen(name.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  files[0].path = source;
  EXPECT_EQ(ReadBackProblem({path, 0, cabinet.size()}, files), "");
}

TEST(CabinetFormat, ChecksumAndFolders) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(CabinetChecksum(bytes, 7, 0), 0x04030201u ^ 0x050607u);
  std::vector<PayloadFile> files = {{"a", "", 10, 0}, {"b", "", 30, 0}, {"c", "", 100, 0}, {"d", "", 0, 0}, {"e", "", 5, 0}};
  std::vector<FolderPlan> plans = PlanFolders(files, 40);
  ASSERT_EQ(plans.size(), 3u);
  EXPECT_EQ(plans[0].fileCount, 2u);  // 10 + 30
  EXPECT_EQ(plans[1].bytes, 100u);    // larger than a folder: alone
  EXPECT_EQ(plans[2].fileCount, 2u);
}

// The progress line is rewritten in place, so it must never wrap on an 80-column terminal: what
// does not fit is given up from the least needed (rate, then time left, then percentage).
TEST(ProgressLine, FitsEightyColumnsGivingUpTheLeastNeeded) {
  const uint64_t MB = 1 << 20;
  struct Case { const char* phase; uint32_t files, total; uint64_t bytes, totalBytes; const char* expected; };
  const Case cases[] = {
      {"compressing", 3, 7, 2 * MB, 8 * MB, "zav-pack: compressing: 3/7 files, 2.0/8.0 MB, 25%, 1.0 MB/s, 0:06 left"},
      {"reading back", 694, 694, 636 * MB, 636 * MB, "zav-pack: reading back: 694/694 files, 636.0/636.0 MB, 100%, 0:00 left"},
      {"compressing", 65536, 65536, 12345 * MB, 99999 * MB, "zav-pack: compressing: 65536/65536 files, 12345.0/99999.0 MB, 12%, 1460:54 left"},
      {"reading back", 4000000000u, 4000000000u, 99999999 * MB, 99999999 * MB,
       "zav-pack: reading back: 4000000000/4000000000 files, 99999999.0/99999999.0 MB"},
  };
  for (const Case& c : cases) {
    int64_t elapsed = int64_t(c.bytes / MB) * 1000;
    std::string line = ProgressLine(c.phase, c.files, c.total, c.bytes, c.totalBytes, elapsed);
    EXPECT_EQ(line, c.expected);
    EXPECT_LE(line.size(), ProgressLineColumns) << line;
  }
}

}  // namespace
