// The checks of zav-pack's inputs where bytes matter: names, the packed cabinet read back,
// cabinets made elsewhere, the song's warnings, the texts as the installer will carry them.
// (Every refusal is also a row of zav_pack_cli_test.py, through the command line.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <string>

#include "tests/music/xm_builder.h"
#include "tests/support/testdata.h"
#include "packer/checks/cabinet.h"
#include "packer/checks/payload.h"
#include "packer/checks/song.h"
#include "packer/checks/stored_names.h"
#include "packer/checks/texts.h"

namespace {

using Bytes = std::vector<uint8_t>;
const size_t kMaxName = StoredNameMaxLength(12);  // with the folder "ZAVInstaller"

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

// A fresh folder under the test's temporary folder, and files in it.
struct Scratch {
  std::string root;
  Scratch() {
    char folder[] = "/tmp/zav-pack-test-XXXXXX";
    root = mkdtemp(folder);
  }
  ~Scratch() { std::system(("rm -rf " + root).c_str()); }
  std::string Write(const std::string& name, const std::string& text) {
    std::string path = root + "/" + name;
    std::system(("mkdir -p \"$(dirname '" + path + "')\"").c_str());
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return path;
  }
};

TEST(StoredNames, RulesAndClashes) {
  const size_t max = StoredNameMaxLength(64);
  EXPECT_EQ(max, 255u);  // what a cabinet stores; the installer's paths take far more
  std::string umlauts;
  for (int i = 0; i < 127; ++i) umlauts += "\xC3\x9C";  // 254 bytes, 127 characters
  const std::pair<std::string, bool> names[] = {
      {"readme.txt", true},          {"docs\\guide.txt", true}, {"a/b/c.dat", true},
      {"Gr\xC3\xBC\xC3\x9F" "e.txt", true}, {"caf\xE9.txt", false}, {"notes.", false}, {"dir \\x", false},
      {"CON.txt", false},            {"a\\..\\..\\b", false},   {"\\root.txt", false},
      {std::string(max, 'x'), true}, {std::string(max + 1, 'x'), false},
      {umlauts + "x", true},         {umlauts + "\xC3\x9C", false},  // 255 and 256 bytes in UTF-8
  };
  for (const auto& [name, fine] : names) EXPECT_EQ(StoredNameProblem(name, max).empty(), fine) << name;
  EXPECT_NE(StoredNameProblem(umlauts + "\xC3\x9C", max).find("256 bytes long in UTF-8 (128 characters)"), std::string::npos);
  EXPECT_EQ(StoredNameClashes({"A.txt", "b", "a.TXT"}).size(), 1u);
  EXPECT_EQ(StoredNameClashes({"data", "Data\\x.bin"}).size(), 1u);
  EXPECT_EQ(StoredNameClashes({"a\\x", "A/y", "ab"}).size(), 0u);  // one folder, named twice
  // Windows' upper-casing in every script: Ä/ä, Ω/ω, Cyrillic Д/д; but no full folding (ß is
  // not SS) and nothing past U+FFFF (Deseret's 𐐀 and 𐐨 are two names).
  EXPECT_EQ(StoredNameClashes({"\xC3\x84rger", "\xC3\xA4rger", "\xCE\xA9mega", "\xCF\x89MEGA", "\xD0\x94/x", "\xD0\xB4"}).size(), 3u);
  EXPECT_EQ(StoredNameClashes({"stra\xC3\x9F" "e", "STRASSE", "\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"}).size(), 0u);
  EXPECT_EQ(ShownName("caf\xE9 \xCE\xA9\xFF.txt"), "caf\\xE9 \xCE\xA9\\xFF.txt");
}

TEST(Payload, PacksReproduciblyInNameOrderAndReadsBack) {
  Scratch scratch;
  scratch.Write("files/b.txt", "bee");
  scratch.Write("files/a/c.txt", std::string(100000, 'c'));
  scratch.Write("files/A0.txt", "");
  mkdir((scratch.root + "/files/empty").c_str(), 0755);
  mkdir((scratch.root + "/files/deep").c_str(), 0755);
  mkdir((scratch.root + "/files/deep/er").c_str(), 0755);
  Input payload = {"--payload", scratch.root + "/files"};
  Diagnostics diagnostics;
  Bytes cabinet = PackPayload(payload, kMaxName, 1700000000, &diagnostics);
  ASSERT_TRUE(diagnostics.problems.empty()) << Joined(diagnostics.problems);
  EXPECT_EQ(diagnostics.warnings.size(), 2u) << Joined(diagnostics.warnings);  // "deep", "empty"
  EXPECT_TRUE(CheckCabinetBytes({"--cabinet", "packed"}, cabinet, kMaxName, &diagnostics)) << Joined(diagnostics.problems);
  std::string text(cabinet.begin(), cabinet.end());
  EXPECT_LT(text.find("A0.txt"), text.find("a\\c.txt"));  // byte-wise: '0' < '\'
  EXPECT_LT(text.find("a\\c.txt"), text.find("b.txt"));

  // File times do not count while SOURCE_DATE_EPOCH is set, and do without it.
  utimbuf old = {1000000000, 1000000000};
  utime((scratch.root + "/files/b.txt").c_str(), &old);
  EXPECT_EQ(PackPayload(payload, kMaxName, 1700000000, &diagnostics), cabinet);
  EXPECT_NE(PackPayload(payload, kMaxName, 1700000002, &diagnostics), cabinet);
  Bytes withFileTimes = PackPayload(payload, kMaxName, std::nullopt, &diagnostics);
  EXPECT_EQ(PackPayload(payload, kMaxName, std::nullopt, &diagnostics), withFileTimes);
  EXPECT_NE(withFileTimes, cabinet);
  EXPECT_FALSE(SourceDateEpoch("1700000000", &diagnostics) == std::nullopt);
  EXPECT_EQ(SourceDateEpoch("soon", &diagnostics), std::nullopt);
  EXPECT_EQ(diagnostics.problems.size(), 1u);
}

// The shared test cabinets: the whole ones that libgcab reads pass, every other is refused
// with a reason, none crashes the check.
TEST(Cabinet, SharedTestCabinets) {
  std::string folder = zavtest::TestDataFolder("cabinets");
  if (folder.empty()) GTEST_SKIP() << "no ../shared/testdata/cabinets";
  for (const std::string& path : zavtest::FilesIn(folder, ".cab")) {
    Diagnostics diagnostics;
    Bytes bytes = CheckCabinet({"--cabinet", path}, kMaxName, &diagnostics);
    bool whole = path.find("/normal_") != std::string::npos || path.find("/reserve_") != std::string::npos ||
                 path.find("/hidden-files.") != std::string::npos;
    EXPECT_EQ(!bytes.empty(), whole) << path << "\n" << Joined(diagnostics.problems);
    EXPECT_EQ(diagnostics.problems.size(), whole ? 0u : 1u) << path;
  }
}

TEST(Song, WarnsOfWhatTheLoaderCuts) {
  Scratch scratch;
  xmw::Module wide = xmtest::Song(33);
  xmw::Module cut = xmtest::SongWithSamples({xmtest::MakeSample(8, xmtest::Ramp8(400))});
  Bytes cutBytes = xmw::WriteModule(cut);
  cutBytes.resize(cutBytes.size() - 100);
  const std::pair<Bytes, const char*> songs[] = {
      {xmw::WriteModule(xmtest::Song(8)), nullptr},
      {xmw::WriteModule(wide), "has 33 channels"},
      {cutBytes, "past the end of the file"},
  };
  for (const auto& [xm, warning] : songs) {
    Diagnostics diagnostics;
    std::string summary;
    Bytes image = CheckSong({"--song", scratch.Write("song.xm", std::string(xm.begin(), xm.end()))}, &summary, &diagnostics);
    EXPECT_EQ(image, xmtest::ImageOf(xm));
    EXPECT_NE(summary.find("channels, 1 patterns"), std::string::npos) << summary;
    EXPECT_NE(summary.find("one pass 0:"), std::string::npos) << summary;
    ASSERT_EQ(diagnostics.warnings.size(), warning ? 1u : 0u) << Joined(diagnostics.warnings);
    if (warning) {
      EXPECT_NE(diagnostics.warnings[0].find(warning), std::string::npos) << diagnostics.warnings[0];
    }
  }
}

TEST(Texts, TheBytesTheInstallerCarries) {
  Scratch scratch;
  const struct {
    const char* source;
    bool cp437;
    const char* carried;
  } infos[] = {
      {"\xEF\xBB\xBF" "a\xE2\x94\x80" "b\n\xE2\x96\x88\xE2\x96\x91\xC2\xB7\xE2\x96\xA0\rend", false,
       "a\xC4" "b\r\n\xDB\xB0\xFA\xFE\r\nend"},
      {"\xDB\xB1 art\r\n\n", true, "\xDB\xB1 art\r\n\r\n"},
      // Double and single box drawing, half blocks, the three shades.
      {"\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97\xE2\x94\x82\xE2\x96\x80\xE2\x96\x84\xE2\x96\x8C\xE2\x96\x90"
       "\xE2\x96\x91\xE2\x96\x92\xE2\x96\x93", false, "\xC9\xCD\xBB\xB3\xDF\xDC\xDD\xDE\xB0\xB1\xB2"},
  };
  for (const auto& info : infos) {
    Diagnostics diagnostics;
    Bytes text = CheckInfoText({"--info", scratch.Write("info.txt", info.source)}, info.cp437, &diagnostics);
    EXPECT_EQ(std::string(text.begin(), text.end()), std::string(info.carried) + '\0') << Joined(diagnostics.problems);
  }
  Diagnostics diagnostics;
  Bytes credits = CheckCreditsFile({"--credits-file", scratch.Write("credits.txt", "made by me\r\n")}, &diagnostics);
  EXPECT_EQ(std::string(credits.begin(), credits.end()), "made by me" + std::string(188, ' ') + '\0');
  Bytes folder = CheckFolderName({"--folder", "My Game 2"}, &diagnostics);
  EXPECT_EQ(std::string(folder.begin(), folder.end()), std::string("My Game 2") + '\0');
  EXPECT_TRUE(diagnostics.problems.empty()) << Joined(diagnostics.problems);
}

}  // namespace
