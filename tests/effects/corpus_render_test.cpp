// Plays the first seconds of every input of the fuzzer's corpus that loads, and the stretch
// that the input's last bytes choose: in the sanitized build, no tick or mix of a hostile
// module may read or write outside its blocks or run into undefined arithmetic.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "music/module_loader.h"
#include "tests/support/testdata.h"
#include "tools/fuzz/render_briefly.h"

namespace {

// The file as a module image: its byte count, then its bytes.
std::vector<uint8_t> ImageOfFile(const std::string& path) {
  std::vector<uint8_t> bytes = zavtest::ReadFileBytes(path);
  std::vector<uint8_t> image(4, 0);
  uint32_t count = uint32_t(bytes.size());
  for (int i = 0; i < 4; ++i) image[i] = uint8_t(count >> (8 * i));
  image.insert(image.end(), bytes.begin(), bytes.end());
  return image;
}

TEST(FuzzCorpusPlayback, EveryInputThatLoadsPlaysForTwoSeconds) {
  std::string folder = zavtest::SourcePath("tests/music/fuzz-corpus");
  std::vector<std::string> inputs = zavtest::FilesIn(folder, "");
  ASSERT_FALSE(inputs.empty()) << "no fuzz corpus at " << folder;
  int played = 0;
  for (const std::string& path : inputs) {
    SCOPED_TRACE(path);
    std::vector<uint8_t> image = ImageOfFile(path);
    Module* module = LoadModuleImage(image.data(), image.size());
    if (!module) continue;
    EXPECT_TRUE(RenderBriefly(module));
    EXPECT_TRUE(RenderChosenStretch(module, image.data() + 4, image.size() - 4));
    EXPECT_EQ(PlayingModule, nullptr);
    FreeModule(module);
    ++played;
  }
  RecordProperty("played", played);
}

}  // namespace
