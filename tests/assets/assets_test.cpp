// Checks that every embedded asset has the shape the program relies on:
// baseline 8-bit three-component JPEGs of the exact sizes, a 32 x 32 256-colour icon, a
// 198-character credits line and a 216-line code page 437 info text.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/testdata.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAsset(const char* relative) {
  std::ifstream in(zavtest::SourcePath(relative), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned Be16(const Bytes& b, size_t at) { return (b[at] << 8) | b[at + 1]; }
unsigned Le16(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t Le32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

// What the marker walker saw in a JPEG file.
struct JpegInfo {
  std::string error;          // empty when the structure is sound
  std::vector<int> frames;    // SOFn marker codes (0xC0 baseline, 0xC2 progressive, ...)
  unsigned precision = 0, width = 0, height = 0, components = 0;
  int quantTables = 0, huffmanTables = 0, scans = 0, scanComponents = 0;
};

// Walks SOI, the marker segments, each scan's entropy-coded data, and EOI at the very end.
JpegInfo WalkJpeg(const Bytes& b) {
  JpegInfo info;
  if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return info.error = "no SOI", info;
  size_t at = 2;
  for (;;) {
    if (at + 2 > b.size() || b[at] != 0xFF) return info.error = "bad marker", info;
    while (at < b.size() && b[at] == 0xFF) ++at;  // fill bytes
    if (at >= b.size()) return info.error = "bad marker", info;
    const int marker = b[at++];
    if (marker == 0xD9) {
      if (at != b.size()) return info.error = "data after EOI", info;
      if (info.scans == 0) return info.error = "no scan", info;
      return info;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || at + 2 > b.size())
      return info.error = "unexpected marker", info;
    const unsigned length = Be16(b, at);
    if (length < 2 || at + length > b.size()) return info.error = "segment overruns", info;
    const size_t body = at + 2;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      info.frames.push_back(marker);
      if (length < 8) return info.error = "short SOF", info;
      info.precision = b[body];
      info.height = Be16(b, body + 1);
      info.width = Be16(b, body + 3);
      info.components = b[body + 5];
      if (length != 8 + 3 * info.components) return info.error = "SOF length", info;
    } else if (marker == 0xDB) {
      info.quantTables += (length - 2) / 65;
    } else if (marker == 0xC4) {
      ++info.huffmanTables;
    }
    at += length;
    if (marker != 0xDA) continue;
    if (info.frames.empty()) return info.error = "scan before frame header", info;
    ++info.scans;
    info.scanComponents += b[body];
    // Entropy-coded data: 0xFF is followed by a stuffed 0x00 or a restart marker, else a
    // marker segment begins.
    while (at + 1 < b.size() &&
           !(b[at] == 0xFF && b[at + 1] != 0x00 && (b[at + 1] < 0xD0 || b[at + 1] > 0xD7)))
      at += (b[at] == 0xFF) ? 2 : 1;
    if (at + 1 >= b.size()) return info.error = "no EOI", info;
  }
}

struct PictureCase {
  const char* path;
  unsigned width, height;
};

class PictureShape : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureShape, IsBaselineEightBitThreeComponentJpegOfTheExactSize) {
  const PictureCase& c = GetParam();
  const Bytes b = ReadAsset(c.path);
  ASSERT_FALSE(b.empty()) << c.path << " is missing";
  const JpegInfo info = WalkJpeg(b);
  ASSERT_EQ(info.error, "") << c.path;
  ASSERT_EQ(info.frames.size(), 1u) << c.path << " must have exactly one frame header";
  EXPECT_EQ(info.frames[0], 0xC0) << c.path << " must be baseline (SOF0), not progressive";
  EXPECT_EQ(info.precision, 8u);
  EXPECT_EQ(info.width, c.width);
  EXPECT_EQ(info.height, c.height);
  EXPECT_EQ(info.components, 3u);
  EXPECT_EQ(info.scanComponents, 3) << "the scans cover the three components once";
  EXPECT_GE(info.quantTables, 1);
  EXPECT_GE(info.huffmanTables, 1);
}

INSTANTIATE_TEST_SUITE_P(Assets, PictureShape,
                         ::testing::Values(PictureCase{"assets/pictures/background.jpg", 416, 180},
                                           PictureCase{"assets/pictures/install.jpg", 80, 20},
                                           PictureCase{"assets/pictures/about.jpg", 80, 20},
                                           PictureCase{"assets/pictures/exit.jpg", 80, 20}),
                         [](const ::testing::TestParamInfo<PictureCase>& p) {
                           std::string name = p.param.path;
                           name = name.substr(name.rfind('/') + 1);
                           return name.substr(0, name.find('.'));
                         });

TEST(JpegWalker, TellsProgressiveFromBaselineAndSpotsTruncation) {
  Bytes b = ReadAsset("assets/pictures/exit.jpg");
  ASSERT_EQ(WalkJpeg(b).error, "");
  Bytes progressive = b;
  for (size_t i = 0; i + 1 < progressive.size(); ++i)
    if (progressive[i] == 0xFF && progressive[i + 1] == 0xC0) {
      progressive[i + 1] = 0xC2;
      break;
    }
  EXPECT_EQ(WalkJpeg(progressive).frames, std::vector<int>{0xC2});
  EXPECT_EQ(WalkJpeg(progressive).error, "");
  Bytes truncated(b.begin(), b.end() - 2);
  EXPECT_NE(WalkJpeg(truncated).error, "");
}

TEST(IconShape, OneThirtyTwoPixelImageWith256ColourPalette) {
  const Bytes b = ReadAsset("assets/icon.ico");
  ASSERT_GE(b.size(), 22u + 40u) << "icon.ico is missing or short";
  // ICONDIR
  EXPECT_EQ(Le16(b, 0), 0u);
  EXPECT_EQ(Le16(b, 2), 1u) << "type 1 = icon";
  ASSERT_EQ(Le16(b, 4), 1u) << "exactly one image";
  // ICONDIRENTRY
  EXPECT_EQ(b[6], 32);
  EXPECT_EQ(b[7], 32);
  EXPECT_EQ(b[8], 0) << "colour count 0 means 256 colours";
  EXPECT_EQ(b[9], 0);
  EXPECT_EQ(Le16(b, 12), 8u) << "bits per pixel";
  const uint32_t bytes = Le32(b, 14), offset = Le32(b, 18);
  EXPECT_EQ(offset, 22u);
  ASSERT_EQ(size_t(offset) + bytes, b.size());
  // BITMAPINFOHEADER: the height counts the XOR and AND halves.
  const size_t h = offset;
  EXPECT_EQ(Le32(b, h), 40u);
  EXPECT_EQ(Le32(b, h + 4), 32u);
  EXPECT_EQ(Le32(b, h + 8), 64u);
  EXPECT_EQ(Le16(b, h + 12), 1u);
  EXPECT_EQ(Le16(b, h + 14), 8u);
  EXPECT_EQ(Le32(b, h + 16), 0u) << "BI_RGB";
  const uint32_t used = Le32(b, h + 32);
  EXPECT_TRUE(used == 0 || used == 256) << "palette of 256 entries, got " << used;
  // header + 256 RGBQUADs + 32 rows of 32 indices + 32 rows of 4 mask bytes
  EXPECT_EQ(bytes, 40u + 256 * 4 + 32 * 32 + 32 * 4);
  // The AND mask leaves most of the icon visible.
  const size_t mask = h + 40 + 256 * 4 + 32 * 32;
  int transparent = 0;
  for (size_t i = mask; i < b.size(); ++i)
    for (int bit = 0; bit < 8; ++bit) transparent += (b[i] >> bit) & 1;
  EXPECT_LT(transparent, 32 * 32 / 4);
}

TEST(CreditsText, Is198PrintableAsciiCharactersWithoutLineBreak) {
  const Bytes b = ReadAsset("assets/credits.txt");
  ASSERT_EQ(b.size(), 198u);
  for (size_t i = 0; i < b.size(); ++i)
    EXPECT_TRUE(b[i] >= 0x20 && b[i] <= 0x7E) << "byte " << i << " is 0x" << std::hex << int(b[i]);
}

bool InfoByteAllowed(uint8_t c) {
  return (c >= 0x20 && c <= 0x7E) || (c >= 0xB0 && c <= 0xB2) || (c >= 0xDB && c <= 0xDF) ||
         c == 0xFA || c == 0xFE;
}

TEST(InfoText, Has216LinesOfAtMost79AllowedCp437Characters) {
  const Bytes b = ReadAsset("assets/info.txt");
  ASSERT_FALSE(b.empty()) << "info.txt is missing";
  std::vector<size_t> lengths;
  size_t line = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i] == '\r') {
      ASSERT_TRUE(i + 1 < b.size() && b[i + 1] == '\n') << "CR without LF at byte " << i;
      lengths.push_back(line);
      line = 0;
      ++i;
      continue;
    }
    ASSERT_TRUE(InfoByteAllowed(b[i]))
        << "line " << lengths.size() + 1 << ": byte 0x" << std::hex << int(b[i]) << " not allowed";
    ++line;
  }
  lengths.push_back(line);
  EXPECT_EQ(lengths.size(), 216u) << "215 CR LF pairs, no break after the last line";
  EXPECT_FALSE(b.size() >= 2 && b[b.size() - 2] == '\r' && b.back() == '\n');
  for (size_t n = 0; n < lengths.size(); ++n)
    EXPECT_LE(lengths[n], 79u) << "line " << n + 1;
}

}  // namespace
