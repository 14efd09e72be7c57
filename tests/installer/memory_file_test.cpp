// The memory file as the cabinet decompressor uses it: handles on cursors of their own, reads
// that stop at the end of the image, seeks that stay inside it, and cursors that come back.
#include "installer/memory_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/testdata.h"

namespace {

class MemoryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    CursorTable = CursorTableRecord{};
    // A heap block of exactly the image's size: a read past its end trips the sanitizers.
    image.resize(100);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
    MemoryFileAttach(image.data(), static_cast<uint32_t>(image.size()));
  }
  void TearDown() override { MemoryFileAttach(nullptr, 0); }

  int32_t Offset(intptr_t handle) { return MemoryFileSeek(handle, 0, 1); }

  std::vector<uint8_t> image;
};

TEST_F(MemoryFile, ThreeOpenHandlesAreThreeCursorsAndAFourthOpenIsRefused) {
  intptr_t a = MemoryFileOpen(), b = MemoryFileOpen(), c = MemoryFileOpen();
  ASSERT_NE(a, -1);
  ASSERT_NE(b, -1);
  ASSERT_NE(c, -1);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_NE(a, c);

  uint8_t buffer[10];
  EXPECT_EQ(MemoryFileRead(a, buffer, 10), 10u);
  EXPECT_EQ(MemoryFileSeek(b, 50, 0), 50);
  EXPECT_EQ(Offset(a), 10);
  EXPECT_EQ(Offset(b), 50);
  EXPECT_EQ(Offset(c), 0);

  const CursorTableRecord before = CursorTable;
  EXPECT_EQ(MemoryFileOpen(), -1);
  EXPECT_EQ(CursorTable.openCount, 4u);
  EXPECT_EQ(std::memcmp(CursorTable.readCursor, before.readCursor, sizeof before.readCursor), 0);
  EXPECT_EQ(Offset(a), 10);
}

TEST_F(MemoryFile, AClosedCursorServesTheNextOpenFromTheFirstByte) {
  // Every install opens the cabinet once and closes it at the end; the hundredth install
  // must find a cursor as the first did.
  for (int install = 0; install < 100; ++install) {
    intptr_t handle = MemoryFileOpen();
    ASSERT_NE(handle, -1) << "install " << install;
    uint8_t first = 0;
    ASSERT_EQ(MemoryFileRead(handle, &first, 1), 1u);
    EXPECT_EQ(first, image[0]);
    EXPECT_EQ(MemoryFileSeek(handle, 40, 1), 41);
    EXPECT_TRUE(MemoryFileClose(handle));
  }
  EXPECT_EQ(CursorTable.openCount, 100u);
}

TEST_F(MemoryFile, HandlesThatAreNotOpenCursorsReadAndSeekNothing) {
  intptr_t handle = MemoryFileOpen();
  int outputFile = 0;  // stands for an output file's handle, which the close callback also sees
  intptr_t other = reinterpret_cast<intptr_t>(&outputFile);
  uint8_t buffer[4] = {9, 9, 9, 9};
  EXPECT_EQ(MemoryFileRead(other, buffer, 4), UINT32_MAX);
  EXPECT_EQ(MemoryFileSeek(other, 0, 0), -1);
  EXPECT_FALSE(MemoryFileClose(other));
  EXPECT_FALSE(MemoryFileClose(-1));
  EXPECT_FALSE(MemoryFileClose(0));

  ASSERT_TRUE(MemoryFileClose(handle));
  EXPECT_EQ(MemoryFileRead(handle, buffer, 4), UINT32_MAX);
  EXPECT_EQ(MemoryFileSeek(handle, 0, 0), -1);
  EXPECT_TRUE(MemoryFileClose(handle)) << "a second close is still a close of the memory file";
  EXPECT_EQ(buffer[0], 9);
}

TEST_F(MemoryFile, ReadsStopAtTheEndOfTheImageAndSayHowMuchTheyCopied) {
  intptr_t handle = MemoryFileOpen();
  uint8_t buffer[256];
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_EQ(MemoryFileSeek(handle, 90, 0), 90);
  // The decompressor looks for a name in the next 256 bytes wherever the image ends.
  EXPECT_EQ(MemoryFileRead(handle, buffer, 256), 10u);
  EXPECT_EQ(std::memcmp(buffer, image.data() + 90, 10), 0);
  EXPECT_EQ(buffer[10], 0xEE);
  EXPECT_EQ(Offset(handle), 100);
  EXPECT_EQ(MemoryFileRead(handle, buffer, 1), 0u);
  EXPECT_EQ(MemoryFileRead(handle, buffer, UINT32_MAX), 0u);

  ASSERT_EQ(MemoryFileSeek(handle, 0, 0), 0);
  EXPECT_EQ(MemoryFileRead(handle, buffer, 0), 0u);
  EXPECT_EQ(Offset(handle), 0);
}

TEST_F(MemoryFile, SeeksFromTheStartOrTheCursorWithinTheImage) {
  intptr_t handle = MemoryFileOpen();
  EXPECT_EQ(MemoryFileSeek(handle, 60, 0), 60);
  EXPECT_EQ(MemoryFileSeek(handle, -25, 1), 35) << "a negative distance moves back";
  uint8_t byte = 0;
  ASSERT_EQ(MemoryFileRead(handle, &byte, 1), 1u);
  EXPECT_EQ(byte, image[35]);
  EXPECT_EQ(MemoryFileSeek(handle, 100, 0), 100) << "the end itself is a position";
  EXPECT_EQ(MemoryFileSeek(handle, -100, 1), 0);
  // Only the low 8 bits of the origin count.
  EXPECT_EQ(MemoryFileSeek(handle, 5, 0x100), 5);
  EXPECT_EQ(MemoryFileSeek(handle, 5, 0x301), 10);
}

TEST_F(MemoryFile, SeeksThatWouldLeaveTheImageOrCountFromItsEndAreRefused) {
  intptr_t handle = MemoryFileOpen();
  ASSERT_EQ(MemoryFileSeek(handle, 30, 0), 30);
  struct Case {
    int32_t distance;
    int origin;
  } refused[] = {
      {0, 2}, {-10, 2}, {0, 3}, {0, 0xFF}, {0, 0x102},  // end-relative and unknown origins
      {-1, 0}, {101, 0}, {INT32_MIN, 0}, {INT32_MAX, 0},  // outside, from the start
      {-31, 1}, {71, 1}, {INT32_MIN, 1}, {INT32_MAX, 1},  // outside, from the cursor
  };
  for (const Case& c : refused) {
    EXPECT_EQ(MemoryFileSeek(handle, c.distance, c.origin), -1)
        << "distance " << c.distance << " origin " << c.origin;
    EXPECT_EQ(Offset(handle), 30) << "the cursor stays where it was";
  }
}

TEST_F(MemoryFile, AnEmptyImageHasOnlyTheOffsetZero) {
  MemoryFileAttach(image.data(), 0);
  intptr_t handle = MemoryFileOpen();
  uint8_t byte = 0;
  EXPECT_EQ(MemoryFileRead(handle, &byte, 1), 0u);
  EXPECT_EQ(MemoryFileSeek(handle, 0, 0), 0);
  EXPECT_EQ(MemoryFileSeek(handle, 1, 0), -1);
}

// --- real cabinets -------------------------------------------------------------------------

// Reads and seeks as a decompressor wanders through a cabinet (headers, names read 256 bytes
// ahead, data blocks, jumps back), on two handles at once, against the file's own bytes.
TEST(MemoryFileOnRealCabinets, EveryReadAndSeekMatchesTheCabinetFile) {
  ZAV_REQUIRE_TESTDATA(folder, "cabinets");
  std::vector<std::string> paths = zavtest::FilesIn(folder, ".cab");
  ASSERT_FALSE(paths.empty()) << "no cabinets in " << folder;
  std::mt19937 random(20260101);
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    CursorTable = CursorTableRecord{};
    std::vector<uint8_t> file = zavtest::ReadFileBytes(path);
    ASSERT_FALSE(file.empty());
    // Its own block, exactly as long as the file, so that reading beyond it is caught.
    std::vector<uint8_t> image(file);
    MemoryFileAttach(image.data(), static_cast<uint32_t>(image.size()));
    const int64_t size = static_cast<int64_t>(file.size());
    intptr_t handles[2] = {MemoryFileOpen(), MemoryFileOpen()};
    int64_t expected[2] = {0, 0};
    for (int step = 0; step < 2000; ++step) {
      int which = random() % 2;
      intptr_t handle = handles[which];
      int64_t& at = expected[which];
      if (random() % 2) {
        uint32_t count = random() % 3 ? random() % 300 : 256;
        std::vector<uint8_t> buffer(count);
        uint32_t copied = MemoryFileRead(handle, buffer.data(), count);
        uint32_t wanted = static_cast<uint32_t>(std::min<int64_t>(count, size - at));
        ASSERT_EQ(copied, wanted) << "read of " << count << " at " << at;
        ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + copied, file.begin() + at));
        at += copied;
      } else {
        int origin = random() % 3;
        int32_t distance = static_cast<int32_t>(random() % (2 * size + 20)) - 10 -
                           (origin == 1 ? static_cast<int32_t>(size) : 0);
        int64_t target = (origin == 0 ? 0 : at) + distance;
        bool valid = origin != 2 && target >= 0 && target <= size;
        ASSERT_EQ(MemoryFileSeek(handle, distance, origin), valid ? target : -1)
            << "seek " << distance << " from " << origin << " at " << at;
        if (valid) at = target;
      }
    }
    EXPECT_TRUE(MemoryFileClose(handles[0]));
    EXPECT_TRUE(MemoryFileClose(handles[1]));
  }
  MemoryFileAttach(nullptr, 0);
}

}  // namespace
