// One pass of a song as zav-render measures and renders it: every row once, pattern loops
// included, up to the first row that would be played again.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "music/module_loader.h"
#include "tests/effects/song_player.h"
#include "tools/zav-render/render_wav.h"
#include "tools/zav-render/song_pass.h"

namespace songtest {
namespace {

const uint8_t Jump = 11, Extended = 14;
const int64_t TickFrames = 882;  // 125 BPM
const int64_t Hour = int64_t(3600) * RenderRate;

// The module of a written song, loaded the way the player loads it.
class Loaded {
 public:
  explicit Loaded(const xmw::Module& song) {
    std::vector<uint8_t> xm = xmw::WriteModule(song);
    uint32_t count = uint32_t(xm.size());
    image_ = {uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16), uint8_t(count >> 24)};
    image_.insert(image_.end(), xm.begin(), xm.end());
  }
  Module* Load() { return LoadModuleImage(image_.data(), image_.size()); }

 private:
  std::vector<uint8_t> image_;
};

SongPass PassOf(const xmw::Module& song, int64_t limit = Hour) {
  Loaded loaded(song);
  Module* module = loaded.Load();
  SongPass pass = MeasureSongPass(module, limit);
  FreeModule(module);
  return pass;
}

TEST(SongPass, EveryRowOnce) {
  SongPass pass = PassOf(Song(1, 16, 6));
  EXPECT_TRUE(pass.ended);
  EXPECT_EQ(pass.ticks, 16 * 6);
  EXPECT_EQ(pass.frames, 16 * 6 * TickFrames);
}

TEST(SongPass, RowsThatAPatternLoopRepeatsBelongToThePass) {
  xmw::Module song = Song(1, 8, 1);
  Put(song, 0, 2, 0, {0, 0, 0, Extended, 0x60});
  Put(song, 0, 4, 0, {0, 0, 0, Extended, 0x62});
  SongPass pass = PassOf(song);
  EXPECT_TRUE(pass.ended);
  EXPECT_EQ(pass.ticks, 8 + 2 * 3);
}

TEST(SongPass, AJumpBackToAPlayedRowEndsIt) {
  xmw::Module song = Song(1, 4, 1);
  song.AddPattern(6);
  song.orders = {0, 1};
  Put(song, 1, 3, 0, {0, 0, 0, Jump, 0});
  EXPECT_EQ(PassOf(song).ticks, 4 + 4);
}

TEST(SongPass, TheRestartAfterTheLastOrderEndsIt) {
  xmw::Module song = Song(1, 2, 1);
  song.AddPattern(3);
  song.AddPattern(5);
  song.orders = {0, 1, 2};
  song.restartPosition = 1;
  EXPECT_EQ(PassOf(song).ticks, 2 + 3 + 5);
}

TEST(SongPass, ALimitStopsAPassThatHasNotEnded) {
  SongPass pass = PassOf(Song(1, 64, 6), 10000);
  EXPECT_FALSE(pass.ended);
  EXPECT_EQ(pass.frames, 10000);
}

TEST(SongPass, RenderingFollowsThePassToTheSameFrame) {
  xmw::Module song = Song(1, 8, 3);
  Put(song, 0, 0, 0, {C4, 1});
  Put(song, 0, 5, 0, {0, 0, 0, Jump, 0});
  Loaded loaded(song);
  Module* module = loaded.Load();
  SongPass pass = MeasureSongPass(module, Hour);
  FreeModule(module);
  EXPECT_EQ(pass.frames, 6 * 3 * TickFrames);

  FILE* out = tmpfile();
  ASSERT_NE(out, nullptr);
  module = loaded.Load();
  int64_t written = 0;
  EXPECT_TRUE(RenderFrames(module, Hour, true, RenderFormat::Wav, out, nullptr, &written));
  FreeModule(module);
  EXPECT_EQ(written, pass.frames);
  uint8_t header[44], expected[44];
  rewind(out);
  ASSERT_EQ(fread(header, 1, 44, out), 44u);
  WavHeader(expected, written);
  EXPECT_EQ(std::vector<uint8_t>(header, header + 44), std::vector<uint8_t>(expected, expected + 44));
  fseek(out, 0, SEEK_END);
  EXPECT_EQ(ftell(out), 44 + 4 * written);
  fclose(out);
}

}  // namespace
}  // namespace songtest
