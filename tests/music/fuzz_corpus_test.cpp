// Replays the fuzzer's corpus: inputs that once reached new code in the loader, and every
// input that ever made it fail. Run in the sanitizer build, any read or write outside a
// block, undefined arithmetic or leaked block fails the test.
#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "tests/music/module_checks.h"
#include "tests/music/xm_builder.h"
#include "tests/support/testdata.h"

using namespace xmtest;

namespace {

TEST(FuzzCorpus, EveryInputLoadsOrIsRefusedAndIsReleased) {
  std::string folder = zavtest::SourcePath("tests/music/fuzz-corpus");
  int replayed = 0;
  for (const std::string& path : zavtest::FilesIn(folder, "")) {
    SCOPED_TRACE(path);
    ModulePtr module = LoadXm(zavtest::ReadFileBytes(path));
    if (module) ExpectPlayable(module.get());
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
  RecordProperty("inputs", replayed);
}

}  // namespace
