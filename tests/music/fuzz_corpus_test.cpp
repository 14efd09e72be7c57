// Replays the fuzzer's corpus: inputs that once reached new code in the loader, and every
// input that ever made it fail. Run in the sanitizer build, any read or write outside a
// block, undefined arithmetic or leaked block fails the test.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/music/module_checks.h"
#include "tests/music/xm_builder.h"
#include "tests/support/testdata.h"

using namespace xmtest;

namespace {

Bytes ReadFile(const std::string& path) {
  Bytes bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  fclose(file);
  return bytes;
}

TEST(FuzzCorpus, EveryInputLoadsOrIsRefusedAndIsReleased) {
  std::string folder = zavtest::SourcePath("tests/music/fuzz-corpus");
  DIR* dir = opendir(folder.c_str());
  ASSERT_NE(dir, nullptr) << folder;
  int replayed = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::string path = folder + "/" + entry->d_name;
    SCOPED_TRACE(path);
    ModulePtr module = LoadXm(ReadFile(path));
    if (module) ExpectPlayable(module.get());
    ++replayed;
  }
  closedir(dir);
  EXPECT_GT(replayed, 0);
  RecordProperty("inputs", replayed);
}

}  // namespace
