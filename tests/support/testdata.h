// Where the tests find third-party test data (real songs and cabinets that no one here made).
#pragma once
#include <string>
#include <sys/stat.h>

namespace zavtest {

// Path of a folder under the shared test data, or "" when the data is not there.
inline std::string TestDataFolder(const char* sub) {
  std::string path = std::string(ZAV_TESTDATA_DIR) + "/" + sub;
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::string();
  return path;
}

inline std::string SourcePath(const char* relative) {
  return std::string(ZAV_SOURCE_DIR) + "/" + relative;
}

}  // namespace zavtest

// Skips the current test, saying clearly which data it wanted.
#define ZAV_REQUIRE_TESTDATA(var, sub)                                                  \
  const std::string var = zavtest::TestDataFolder(sub);                                 \
  if (var.empty()) GTEST_SKIP() << "skipped: test data folder " << ZAV_TESTDATA_DIR << "/" \
                                << (sub) << " is absent"
