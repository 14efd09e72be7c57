// The progress the status line shows: the cabinet's bytes once extracted, the share written,
// and its text.
#include "installer/install_progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A cabinet header and its file list, as far as the sizes are read: each file's size, then
// the rest of its 16-byte entry, then its name.
std::vector<uint8_t> CabinetListing(const std::vector<std::pair<uint32_t, std::string>>& files) {
  std::vector<uint8_t> bytes(36, 0);
  std::copy_n("MSCF", 4, bytes.begin());
  bytes[16] = 44;  // the file list follows the header and one folder entry
  bytes[28] = uint8_t(files.size());
  bytes.resize(44, 0);
  for (const auto& [size, name] : files) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(size >> (8 * i)));
    bytes.resize(bytes.size() + 12, 0);
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.push_back(0);
  }
  return bytes;
}

TEST(InstallProgress, TheCabinetsBytesAreItsFilesSizes) {
  std::vector<uint8_t> cabinet = CabinetListing({{4000000000u, "big.bin"}, {3000000000u, "bigger\\too.bin"}, {0, "e"}});
  EXPECT_EQ(CabinetFileBytes(cabinet.data(), uint32_t(cabinet.size())), 7000000000u);
  // A list that runs past the image, or no cabinet at all, counts nothing.
  EXPECT_EQ(CabinetFileBytes(cabinet.data(), uint32_t(cabinet.size() - 1)), 0u);
  cabinet[0] = 'X';
  EXPECT_EQ(CabinetFileBytes(cabinet.data(), uint32_t(cabinet.size())), 0u);
  EXPECT_EQ(CabinetFileBytes(cabinet.data(), 20), 0u);
}

TEST(InstallProgress, WholePercentRoundedDownAndItsText) {
  const uint64_t most = uint64_t(65535) * 0xFFFFFFFFu;
  const struct { uint64_t written, total; uint32_t percent; const char* text; } cases[] = {
      {0, 1000, 0, "Installing... 0%"},         {9, 1000, 0, "Installing... 0%"},
      {999, 1000, 99, "Installing... 99%"},     {1000, 1000, 100, "Installing... 100%"},
      {0, 0, 100, "Installing... 100%"},        {most / 2, most, 49, "Installing... 49%"},
      {most - 1, most, 99, "Installing... 99%"}, {2000, 1000, 100, "Installing... 100%"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressPercent(c.written, c.total), c.percent) << c.written << " of " << c.total;
    char text[ProgressTextSize];
    FormProgressText(text, "Installing... {percent}%", c.percent);
    EXPECT_STREQ(text, c.text);
  }
  // A translation puts the percent where its language has it.
  char text[ProgressTextSize];
  FormProgressText(text, "\xD0\x98\xD0\xB4\xD1\x91\xD1\x82: {percent} %", 100);
  EXPECT_STREQ(text, "\xD0\x98\xD0\xB4\xD1\x91\xD1\x82: 100 %");
}

}  // namespace
