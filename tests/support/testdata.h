// Where the tests find third-party test data (real songs and cabinets that no one here made).
#pragma once
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// A whole file's bytes; empty when it cannot be read.
inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(file);
  return bytes;
}

// Paths of the files in a folder whose names end in `suffix` ("" for every file but the
// hidden ones), sorted so that failures always name the same file first.
inline std::vector<std::string> FilesIn(const std::string& folder, const std::string& suffix) {
  std::vector<std::string> files;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name[0] == '.' || name.size() < suffix.size()) continue;
      if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        files.push_back(folder + "/" + name);
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace zavtest

// Skips the current test, saying clearly which data it wanted.
#define ZAV_REQUIRE_TESTDATA(var, sub)                                                  \
  const std::string var = zavtest::TestDataFolder(sub);                                 \
  if (var.empty()) GTEST_SKIP() << "skipped: test data folder " << ZAV_TESTDATA_DIR << "/" \
                                << (sub) << " is absent"
