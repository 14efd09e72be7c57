// Real songs from game packages: every one loads, and its summary agrees with what an
// independent walk over the file's headers finds.
#include <gtest/gtest.h>


#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/music/module_checks.h"
#include "tests/music/xm_builder.h"
#include "tests/support/testdata.h"
#include "tools/zav-render/info.h"

using namespace xmtest;

namespace {

uint32_t U16At(const Bytes& b, size_t at) { return b.at(at) | b.at(at + 1) << 8; }
uint32_t U32At(const Bytes& b, size_t at) { return U16At(b, at) | U16At(b, at + 2) << 16; }

// The header as a tracker reads it: patterns skipped by their header length and packed size,
// instruments by their header size and the byte lengths of their samples.
struct HeaderWalk {
  ModuleSummary summary = {};
  size_t end = 0;  // where the last instrument ends
};

HeaderWalk WalkHeaders(const Bytes& xm) {
  HeaderWalk walk;
  ModuleSummary& s = walk.summary;
  s.songLength = int(U16At(xm, 64));
  s.restartPosition = int(U16At(xm, 66));
  s.channels = int(U16At(xm, 68));
  int filePatterns = int(U16At(xm, 70));
  s.instruments = int(U16At(xm, 72));
  s.linearFrequencies = U16At(xm, 74) & 1;
  s.defaultSpeed = int(U16At(xm, 76));
  s.defaultBpm = int(U16At(xm, 78));
  int highest = 0;
  for (int i = 0; i < s.songLength; ++i) highest = std::max<int>(highest, xm.at(80 + i));
  s.patterns = std::max(filePatterns, highest + 1);
  size_t at = 60 + U32At(xm, 60);
  for (int p = 0; p < filePatterns; ++p) at += U32At(xm, at) + U16At(xm, at + 7);
  for (int i = 0; i < s.instruments; ++i) {
    size_t start = at;
    uint32_t samples = U16At(xm, start + 27);
    at = start + U32At(xm, start);
    size_t data = 0;
    for (uint32_t k = 0; k < samples; ++k, at += 40) data += U32At(xm, at);
    at += data;
    s.samples += int(samples);
  }
  walk.end = at;
  return walk;
}

TEST(RealModules, EveryOneLoadsWithTheSummaryItsHeadersGive) {
  ZAV_REQUIRE_TESTDATA(folder, "xm");
  std::vector<std::string> files = zavtest::FilesIn(folder, ".xm");
  ASSERT_FALSE(files.empty()) << "no .xm files in " << folder;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    Bytes xm = zavtest::ReadFileBytes(path);
    HeaderWalk walk = WalkHeaders(xm);
    ASSERT_LE(walk.end, xm.size()) << "the file is shorter than its headers say";
    ModulePtr module = LoadXm(xm);
    ASSERT_TRUE(module);
    ExpectPlayable(module.get());
    ModuleSummary got = SummarizeModule(module.get());
    const ModuleSummary& want = walk.summary;
    EXPECT_EQ(got.songLength, want.songLength);
    EXPECT_EQ(got.restartPosition, want.restartPosition);
    EXPECT_EQ(got.channels, want.channels);
    EXPECT_EQ(got.patterns, want.patterns);
    EXPECT_EQ(got.instruments, want.instruments);
    EXPECT_EQ(got.samples, want.samples);
    EXPECT_EQ(got.linearFrequencies, want.linearFrequencies);
    EXPECT_EQ(got.defaultSpeed, want.defaultSpeed);
    EXPECT_EQ(got.defaultBpm, want.defaultBpm);
  }
}

// Decoding every cell must land exactly where the packed sizes say each pattern ends: a
// miscounted cell anywhere would shift the instruments and show up as wrong sample data.
TEST(RealModules, SampleDataMatchesAnIndependentDecode) {
  ZAV_REQUIRE_TESTDATA(folder, "xm");
  for (const std::string& path : zavtest::FilesIn(folder, ".xm")) {
    SCOPED_TRACE(path);
    Bytes xm = zavtest::ReadFileBytes(path);
    ModulePtr module = LoadXm(xm);
    ASSERT_TRUE(module);
    size_t at = 60 + U32At(xm, 60);
    for (uint32_t p = 0; p < U16At(xm, 70); ++p) at += U32At(xm, at) + U16At(xm, at + 7);
    for (int i = 0; i < module->instrumentCount; ++i) {
      size_t start = at;
      uint32_t count = U16At(xm, start + 27);
      at = start + U32At(xm, start);
      size_t data = at + 40 * count;
      for (uint32_t k = 0; k < count; ++k, at += 40) {
        uint32_t bytes = U32At(xm, at);
        bool wide = xm.at(at + 14) & 0x10;
        const Sample& sample = *module->instruments[i].samples[k];
        ASSERT_EQ(sample.length, wide ? bytes / 2 : bytes);
        // A looped sample is never played past its loop end, whose value gives way to the
        // guard sample.
        uint32_t guard = sample.loopKind == NoLoop ? sample.length : sample.loopStart + sample.loopLength;
        uint16_t sum = 0;
        for (uint32_t n = 0; n < sample.length; ++n) {
          uint16_t delta = wide ? uint16_t(U16At(xm, data + 2 * n)) : uint16_t(xm.at(data + n) << 8);
          sum = uint16_t(sum + delta);
          if (n == guard) continue;
          ASSERT_EQ(sample.data[n], int16_t(sum)) << "instrument " << i << " sample " << k;
        }
        data += bytes;
      }
      at = data;
    }
  }
}

}  // namespace
