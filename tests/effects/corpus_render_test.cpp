// Plays the first seconds of every input of the fuzzer's corpus that loads: in the sanitized
// build, no tick or mix of a hostile module may read or write outside its blocks or run into
// undefined arithmetic.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <string>
#include <vector>

#include "music/module_loader.h"
#include "tests/support/testdata.h"
#include "tools/fuzz/render_briefly.h"

namespace {

std::vector<uint8_t> ImageOfFile(const std::string& path) {
  std::vector<uint8_t> image(4, 0);
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return image;
  uint8_t buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) image.insert(image.end(), buffer, buffer + got);
  fclose(file);
  uint32_t count = uint32_t(image.size() - 4);
  for (int i = 0; i < 4; ++i) image[i] = uint8_t(count >> (8 * i));
  return image;
}

TEST(FuzzCorpusPlayback, EveryInputThatLoadsPlaysForTwoSeconds) {
  std::string folder = zavtest::SourcePath("tests/music/fuzz-corpus");
  DIR* dir = opendir(folder.c_str());
  if (!dir) GTEST_SKIP() << "no fuzz corpus at " << folder;
  int played = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::string path = folder + "/" + entry->d_name;
    SCOPED_TRACE(path);
    std::vector<uint8_t> image = ImageOfFile(path);
    Module* module = LoadModuleImage(image.data(), image.size());
    if (!module) continue;
    EXPECT_TRUE(RenderBriefly(module));
    EXPECT_EQ(PlayingModule, nullptr);
    FreeModule(module);
    ++played;
  }
  closedir(dir);
  RecordProperty("played", played);
}

}  // namespace
