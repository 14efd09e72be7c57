// The checks of zav-pack's inputs where bytes matter: names, the payload's order, cabinets made
// elsewhere, the song's refusals and warnings, the texts as the installer will carry them.
// (Every refusal is also a row of zav_pack_cli_test.py, through the command line.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "tests/music/xm_builder.h"
#include "tests/support/testdata.h"
#include "packer/checks/cabinet.h"
#include "packer/checks/language_texts.h"
#include "packer/checks/payload.h"
#include "packer/checks/picture.h"
#include "packer/checks/picture_codecs.h"
#include "packer/checks/picture_fit.h"
#include "packer/checks/song.h"
#include "packer/checks/stored_names.h"
#include "packer/checks/texts.h"
#include "packer/checks/utf16_names.h"

namespace {

using Bytes = std::vector<uint8_t>;
const size_t kMaxName = StoredNameMaxLength(12);  // with the folder "ZAVInstaller"

std::string Contents(const std::string& path) {
  std::string bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  for (int c; file && (c = std::fgetc(file)) != EOF;) bytes += char(c);
  if (file) std::fclose(file);
  return bytes;
}

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
  // U+FFFD stands for a character lost in a conversion: Wine shows zav-pack.exe a Linux name
  // that is no UTF-8 with it.
  EXPECT_NE(StoredNameProblem("Gr\xEF\xBF\xBD" "e.txt", max).find("U+FFFD"), std::string::npos);
  EXPECT_EQ(ShownName("Gr\xEF\xBF\xBD" "e.txt"), "Gr\\uFFFDe.txt");
}

// zav-pack.exe's names: UTF-16 units to the shared code's UTF-8 and back, an unpaired surrogate
// carried through to be refused and shown as the unit it is (never U+FFFD, never unreadable).
TEST(StoredNames, Utf16UnitsThereAndBack) {
  const struct {
    std::u16string units;
    std::string name;
    const char* shown;  // nullptr: a name in Unicode, taken
  } names[] = {
      {u"Gr\u00FC\u00DFe \u8AAC.txt", "Gr\xC3\xBC\xC3\x9F" "e \xE8\xAA\xAC.txt", nullptr},
      {u"\xD83C\xDFAE.txt", "\xF0\x9F\x8E\xAE.txt", nullptr},  // a pair: U+1F3AE
      {u"a\xD800.txt", "a\xED\xA0\x80.txt", "a\\uD800.txt"},
      {u"Caf\xDCE9", "Caf\xED\xB3\xA9", "Caf\\uDCE9"},
      {u"\xDFAE\xD83C", "\xED\xBE\xAE\xED\xA0\xBC", "\\uDFAE\\uD83C"},  // the pair the wrong way round
      {u"x\xDBFF", "x\xED\xAF\xBF", "x\\uDBFF"},                           // a lead unit at the end
  };
  for (const auto& [units, name, shown] : names) {
    EXPECT_EQ(NameFromUtf16(units.data(), units.size()), name);
    EXPECT_EQ(Utf16FromName(name), units) << name;
    std::string problem = StoredNameProblem(name, kMaxName);
    EXPECT_EQ(problem.empty(), shown == nullptr) << problem;
    EXPECT_EQ(problem.find("unpaired surrogate") != std::string::npos, shown != nullptr) << problem;
    EXPECT_EQ(ShownName(name), shown ? shown : name);
  }
  EXPECT_EQ(Utf16FromName("caf\xE9"), u"caf\xFFFD");  // bytes that are neither: U+FFFD
  Diagnostics diagnostics;
  EXPECT_TRUE(CheckFolderName({"--folder", "Caf\xED\xB3\xA9"}, &diagnostics).empty());
  EXPECT_NE(Joined(diagnostics.problems).find("--folder Caf\\uDCE9: is not UTF-16"), std::string::npos)
      << Joined(diagnostics.problems);
}

TEST(Payload, WalksInStoredNameOrderWithTheirTimes) {
  Scratch scratch;
  scratch.Write("files/b.txt", "bee");
  scratch.Write("files/a/c.txt", std::string(100000, 'c'));
  scratch.Write("files/A0.txt", "");
  mkdir((scratch.root + "/files/empty").c_str(), 0755);
  mkdir((scratch.root + "/files/deep").c_str(), 0755);
  mkdir((scratch.root + "/files/deep/er").c_str(), 0755);
  utimbuf old = {1000000000, 1000000000};
  utime((scratch.root + "/files/b.txt").c_str(), &old);
  Input payload = {"--payload", scratch.root + "/files"};
  Diagnostics diagnostics;
  std::vector<PayloadFile> files = CheckPayload(payload, kMaxName, std::nullopt, &diagnostics);
  ASSERT_TRUE(diagnostics.problems.empty()) << Joined(diagnostics.problems);
  EXPECT_EQ(diagnostics.warnings.size(), 2u) << Joined(diagnostics.warnings);  // "deep", "empty"
  ASSERT_EQ(files.size(), 3u);
  // Byte-wise: '0' < '\' < 'b'.
  EXPECT_EQ(files[0].stored + "|" + files[1].stored + "|" + files[2].stored, "A0.txt|a\\c.txt|b.txt");
  EXPECT_EQ(files[1].size, 100000u);
  EXPECT_EQ(files[2].time, 1000000000);
  // SOURCE_DATE_EPOCH is every file's time.
  for (const PayloadFile& file : CheckPayload(payload, kMaxName, 1700000000, &diagnostics)) EXPECT_EQ(file.time, 1700000000);
  EXPECT_FALSE(SourceDateEpoch("1700000000", &diagnostics) == std::nullopt);
  EXPECT_EQ(SourceDateEpoch("soon", &diagnostics), std::nullopt);
  EXPECT_EQ(diagnostics.problems.size(), 1u);
}

// The shared test cabinets: the whole ones pass, whatever their compression (MSZIP, LZX or
// Quantum), every other is refused with a reason, none crashes the check.
TEST(Cabinet, SharedTestCabinets) {
  std::string folder = zavtest::TestDataFolder("cabinets");
  if (folder.empty()) GTEST_SKIP() << "no ../shared/testdata/cabinets";
  for (const std::string& path : zavtest::FilesIn(folder, ".cab")) {
    Diagnostics diagnostics;
    CabinetPlace place;
    bool taken = CheckCabinet({"--cabinet", path}, kMaxName, &place, &diagnostics);
    bool whole = path.find("/normal_") != std::string::npos || path.find("/reserve_") != std::string::npos ||
                 path.find("/hidden-files.") != std::string::npos || path.find("/mszip_lzx_qtm.") != std::string::npos;
    EXPECT_EQ(taken, whole) << path << "\n" << Joined(diagnostics.problems);
    EXPECT_EQ(diagnostics.problems.size(), whole ? 0u : 1u) << path;
  }
}

// The read-back of a packed cabinet against the files it was packed of: whatever differs is
// caught and named, wherever in a file the cabinet lies.
TEST(Cabinet, ReadBackCatchesWhatDiffersFromTheFiles) {
  Scratch scratch;
  std::string noise(100000, '\0');  // four data blocks of 32 KiB, which do not compress
  std::mt19937 random(17);
  for (char& c : noise) c = char(random());
  scratch.Write("files/a.txt", "alpha\n");
  scratch.Write("files/b.bin", noise);
  std::string packed = scratch.root + "/packed.cab";
  ASSERT_EQ(std::system(("cd " + scratch.root + "/files && gcab -c -z " + packed + " a.txt b.bin").c_str()), 0);
  std::string cabinet = Contents(packed);
  Diagnostics diagnostics;
  const std::vector<PayloadFile> files = CheckPayload({"--payload", scratch.root + "/files"}, kMaxName, std::nullopt, &diagnostics);
  ASSERT_EQ(files.size(), 2u) << Joined(diagnostics.problems);
  std::string changed = noise, damaged = cabinet;
  changed[70000] ^= 1;
  damaged[damaged.size() - 5000] ^= 1;
  const struct {
    const char* what;
    std::string cabinet, before, after;  // what the file holds around the cabinet
    std::string b;                       // what b.bin holds by the time of the read-back
    size_t listed;                       // how many of the files are listed
    const char* problem;                 // "": none
  } cases[] = {
      {"as packed", cabinet, "", "", noise, 2, ""},
      {"inside a larger file", cabinet, std::string(1001, 'x'), "trailing", noise, 2, ""},
      {"a byte changed since", cabinet, "", "", changed, 2, "'b.bin' did not come back out of the cabinet as it was packed"},
      {"a byte more since", cabinet, "", "", noise + "!", 2, "'b.bin' did not come back out"},
      {"a file fewer listed", cabinet, "", "", noise, 1, "the cabinet holds 'b.bin', which was not packed"},
      {"damaged data", damaged, "", "", noise, 2, "the cabinet failed its read-back: libmspack: 'b.bin': a data block's checksum is wrong"},
  };
  for (const auto& c : cases) {
    std::string file = scratch.Write("placed.bin", c.before + c.cabinet + c.after);
    scratch.Write("files/b.bin", c.b);
    std::vector<PayloadFile> listed(files.begin(), files.begin() + long(c.listed));
    std::string problem = ReadBackProblem({file, c.before.size(), c.cabinet.size()}, listed);
    EXPECT_EQ(problem.substr(0, std::strlen(c.problem)), c.problem) << c.what;
    EXPECT_EQ(problem.empty(), !*c.problem) << c.what << ": " << problem;
  }
  // A file more listed than the cabinet holds: at the end, or in the place of another.
  std::vector<PayloadFile> more = files, renamed = files;
  more.push_back(files[0]);
  renamed[0].stored = "0.txt";
  EXPECT_EQ(ReadBackProblem({packed, 0, cabinet.size()}, more), "the cabinet holds fewer files than were packed");
  EXPECT_EQ(ReadBackProblem({packed, 0, cabinet.size()}, renamed).find("'0.txt' did not come back out"), 0u);
}

// What the installer will play: refused where the headers promise what the file lacks or the
// format does not allow, warned about where the player cuts a little.
TEST(Song, RefusesWhatWouldNotPlayAsAnnounced) {
  Scratch scratch;
  auto withSample = [](xmw::Module song) {
    song.instruments.push_back(xmtest::InstrumentWith({xmtest::MakeSample(8, xmtest::Ramp8(400))}));
    return song;
  };
  auto cut = [](const xmw::Module& song, size_t dropped) {
    Bytes xm = xmw::WriteModule(song);
    xm.resize(xm.size() - dropped);
    return xm;
  };
  xmw::Module good = withSample(xmtest::Song(8)), fast = good, twoInstruments = good, silent = xmtest::Song(8);
  fast.defaultBpm = 300;
  fast.defaultSpeed = 0;
  twoInstruments.instruments.push_back(twoInstruments.instruments[0]);
  auto with = [&good](void (*change)(xmw::Module*)) {
    xmw::Module song = good;
    change(&song);
    return xmw::WriteModule(song);
  };
  const struct {
    Bytes xm;
    const char* refusal;  // nullptr: taken
    const char* warning;
  } songs[] = {
      {xmw::WriteModule(good), nullptr, nullptr},
      {xmw::WriteModule(withSample(xmtest::Song(33))), nullptr, "has 33 channels"},
      {cut(good, 3), nullptr, "lacks the last 3 bytes of its 400 bytes of data"},
      {cut(good, 201), "ends inside the data of sample 1 of instrument 1: 201 bytes of its 400", nullptr},
      {cut(twoInstruments, 263 + 40 + 400 + 100), "ends inside the data of sample 1 of instrument 1: 100 bytes of its 400 bytes of data "
                                 "are missing, and instrument 2 is not there", nullptr},
      {cut(good, 400 + 40 + 100), "ends inside the header of instrument 1 of 1: at least 140 bytes", nullptr},
      {cut(good, 400 + 40 + 263 + 4), "ends inside pattern 1 of 1: at least 4 bytes", nullptr},
      {xmw::WriteModule(silent), "has no sample data at all", nullptr},
      {xmw::WriteModule(fast), "a speed of 0 ticks a row, and the format allows 1 to 31", nullptr},
      {xmw::WriteModule(fast), "a tempo of 300 BPM, and the format allows 32 to 255", nullptr},
      // Each bound of the header just inside and just past.
      {with([](xmw::Module* m) { m->songLengthOverride = 256; }), nullptr, nullptr},
      {with([](xmw::Module* m) { m->songLengthOverride = 0; }), "a song length of 0 orders, and the format allows 1 to 256", nullptr},
      {with([](xmw::Module* m) { m->songLengthOverride = 257; }), "a song length of 257 orders", nullptr},
      {with([](xmw::Module* m) { m->defaultSpeed = 31; m->defaultBpm = 32; }), nullptr, nullptr},
      {with([](xmw::Module* m) { m->defaultSpeed = 32; }), "a speed of 32 ticks a row", nullptr},
      {with([](xmw::Module* m) { m->defaultBpm = 31; }), "a tempo of 31 BPM", nullptr},
      {with([](xmw::Module* m) { m->defaultBpm = 255; }), nullptr, nullptr},
      {with([](xmw::Module* m) { m->defaultBpm = 256; }), "a tempo of 256 BPM", nullptr},
      {with([](xmw::Module* m) { m->patternCountOverride = 257; }), "a pattern count of 257, and the format allows at most 256", nullptr},
      {with([](xmw::Module* m) { m->instrumentCountOverride = 129; }), "an instrument count of 129, and the format allows at most 128", nullptr},
  };
  for (const auto& [xm, refusal, warning] : songs) {
    Diagnostics diagnostics;
    std::string summary;
    Bytes image = CheckSong({"--song", scratch.Write("song.xm", std::string(xm.begin(), xm.end()))}, &summary, &diagnostics);
    std::string problems = Joined(diagnostics.problems), warnings = Joined(diagnostics.warnings);
    EXPECT_EQ(image.empty(), refusal != nullptr) << problems;
    EXPECT_NE(refusal ? problems.find(refusal) : summary.find("channels, 1 patterns"), std::string::npos)
        << problems << summary;
    EXPECT_EQ(warnings.empty(), warning == nullptr) << warnings;
    EXPECT_NE(warnings.find(warning ? warning : ""), std::string::npos) << warnings;
  }
}

// Every real song of the shared test data is taken as it stands.
TEST(Song, SharedTestSongsPack) {
  std::string folder = zavtest::TestDataFolder("xm");
  if (folder.empty()) GTEST_SKIP() << "no ../shared/testdata/xm";
  for (const std::string& path : zavtest::FilesIn(folder, ".xm")) {
    Diagnostics diagnostics;
    std::string summary;
    EXPECT_FALSE(CheckSong({"--song", path}, &summary, &diagnostics).empty()) << path << Joined(diagnostics.problems);
    EXPECT_EQ(diagnostics.warnings.size(), 0u) << path << Joined(diagnostics.warnings);
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

// A texts file as an author writes it: what each key becomes, and each refusal with its line.
TEST(LanguageTexts, FileFormatAndRefusals) {
  const struct {
    const char* file;
    TextKey key;
    const char* text;     // what the key holds; null: nothing given
    const char* problem;  // the start of the only problem; null: none
  } cases[] = {
      {"\xEF\xBB\xBF# BOM and comment\r\n\r\n  completed =  Fertig!  \r\n", CompletedKey, "Fertig!", nullptr},
      {"usage = a\\nb\\\\c\\d\n", UsageKey, "a\nb\\c\\d", nullptr},
      {"installing=\xD0\x98\xD0\xB4\xD1\x91\xD1\x82 {percent}%", InstallingKey, "\xD0\x98\xD0\xB4\xD1\x91\xD1\x82 {percent}%", nullptr},
      {"browse = Ordner f\xC3\xBCr {folder} w\xC3\xA4hlen", BrowseKey, "Ordner f\xC3\xBCr {folder} w\xC3\xA4hlen", nullptr},
      // 35 characters with {percent} as 100 fit; 36 do not, counted in characters, not bytes.
      {"installing = {percent}% \xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"
       "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4xxxxxxxxxx", InstallingKey, nullptr, nullptr},
      {"music = 1234567890123456789012345678901234567", MusicKey,
       nullptr, "line 1: music is 37 characters long"},
      {"\n\ncompleted = a\ncompleted = b\n", CompletedKey, "a", "line 4: completed is given twice (first on line 3)"},
      {"instaling = x {percent}", InstallingKey, nullptr, "line 1: \"instaling\" is no key"},
      {"installing = Installiere...", InstallingKey, nullptr, "line 1: installing lacks {percent}"},
      {"browse = Ordner w\xC3\xA4hlen", BrowseKey, nullptr, "line 1: browse lacks {folder}"},
      {"# ok\nerror = Fehl\xE9r\n", ErrorKey, nullptr, "line 2: is no UTF-8"},
      {"error = a\\nb", ErrorKey, nullptr, "line 1: error holds a line break"},
      {"error Fehler", ErrorKey, nullptr, "line 1: has no \"=\""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> problems;
    TextsFile file = ReadTextsFile(c.file, &problems);
    if (c.text) EXPECT_EQ(file.texts[c.key], c.text) << c.file;
    if (!c.problem) {
      EXPECT_TRUE(problems.empty()) << c.file << Joined(problems);
      continue;
    }
    ASSERT_EQ(problems.size(), 1u) << c.file << Joined(problems);
    EXPECT_EQ(problems[0].rfind(c.problem, 0), 0u) << problems[0];
  }
}

// The languages together: a missing key of one takes the default's text, the rest stay English
// (empty); the languages named are checked.
TEST(LanguageTexts, TheBlockTheInstallerCarries) {
  Scratch scratch;
  std::string german = scratch.Write("de.txt", "completed = Fertig\n");
  std::string fallback = scratch.Write("default.txt", "completed = Done!\nerror = Oops\n");
  Diagnostics diagnostics;
  Bytes block = CheckLanguageTexts({"de=" + german, "default=" + fallback}, &diagnostics);
  EXPECT_TRUE(diagnostics.problems.empty()) << Joined(diagnostics.problems);
  EXPECT_EQ(std::string(block.begin(), block.end()), std::string("de\0\0Fertig\0Oops\0\0\0\0\0"
                                                                  "default\0\0Done!\0Oops\0\0\0\0\0\0", 45));
  const struct {
    std::vector<std::string> values;
    const char* problem;
  } refusals[] = {
      {{"de_AT=" + german}, "\"de_AT\" is no language tag"},
      {{"de=" + german, "DE=" + german}, "DE is given twice"},
      {{"ru"}, "names no file"},
      {{"ru=" + scratch.root + "/none.txt"}, "cannot be read"},
  };
  for (const auto& refusal : refusals) {
    Diagnostics refused;
    CheckLanguageTexts(refusal.values, &refused);
    ASSERT_EQ(refused.problems.size(), 1u) << Joined(refused.problems);
    EXPECT_NE(refused.problems[0].find(refusal.problem), std::string::npos) << refused.problems[0];
    EXPECT_EQ(refused.problems[0].rfind("--texts " + refusal.values.back() + ": ", 0), 0u) << refused.problems[0];
  }
}

// The fit of a picture to its place: where it lies, what the report says, and pixels that keep
// a flat colour flat and let transparent ones show what lies behind.
TEST(PictureFit, PlansDescriptionsAndPixels) {
  struct Case {
    int width, height, placeWidth, placeHeight;
    PictureFit fit;
    FitPlan plan;
    const char* description;
  } cases[] = {
      {800, 600, 416, 180, PictureFit::Cover, {416, 312, 0, 66}, "scaled to 416 x 312 and 66 rows cut top and bottom"},
      {120, 40, 80, 20, PictureFit::Cover, {80, 27, 0, 3}, "scaled to 80 x 27 and 3 rows cut at the top and 4 at the bottom"},
      {100, 100, 416, 180, PictureFit::Cover, {416, 416, 0, 118}, "scaled to 416 x 416 and 118 rows cut top and bottom"},
      {16384, 1, 80, 20, PictureFit::Cover, {327680, 20, 163800, 0},
       "scaled to 327680 x 20 and 163800 columns cut left and right"},
      {800, 600, 416, 180, PictureFit::Contain, {240, 180, -88, 0}, "scaled to 240 x 180 with 88 columns of black left and right"},
      {81, 20, 80, 20, PictureFit::Contain, {80, 20, 0, 0}, "scaled to 80 x 20"},
      {16384, 1, 80, 20, PictureFit::Contain, {80, 1, 0, -10}, "scaled to 80 x 1 with 10 rows of black at the top and 9 at the bottom"},
      {800, 600, 416, 180, PictureFit::Stretch, {416, 180, 0, 0}, "stretched to 416 x 180"},
  };
  for (const Case& c : cases) {
    FitPlan plan = PlanFit(c.width, c.height, c.placeWidth, c.placeHeight, c.fit);
    EXPECT_EQ(std::vector<int>({plan.scaledWidth, plan.scaledHeight, plan.cutLeft, plan.cutTop}),
              std::vector<int>({c.plan.scaledWidth, c.plan.scaledHeight, c.plan.cutLeft, c.plan.cutTop})) << c.description;
    EXPECT_EQ(DescribeFit(plan, c.placeWidth, c.placeHeight, c.fit), c.description);
    // A flat opaque colour comes out the same everywhere but in contain's black borders.
    Bytes flat(size_t(c.width) * size_t(c.height) * 4);
    for (size_t i = 0; i < flat.size(); i += 4) flat[i] = 10, flat[i + 1] = 128, flat[i + 2] = 250, flat[i + 3] = 255;
    Bytes place = FitPixels(flat, c.width, c.height, plan, c.placeWidth, c.placeHeight, nullptr);
    int black = 0;
    for (size_t i = 0; i < place.size(); i += 3) {
      bool isBlack = place[i] == 0 && place[i + 1] == 0 && place[i + 2] == 0;
      black += isBlack;
      if (!isBlack) {
        ASSERT_EQ(Bytes(place.begin() + long(i), place.begin() + long(i) + 3), Bytes({10, 128, 250})) << c.description;
      }
    }
    int covered = std::min(plan.scaledWidth, c.placeWidth) * std::min(plan.scaledHeight, c.placeHeight);
    EXPECT_EQ(black, c.placeWidth * c.placeHeight - covered) << c.description;
  }
  // Fully transparent red shows the backdrop; half-transparent white over black is grey.
  Bytes clear = {255, 0, 0, 0, 255, 0, 0, 0}, half = {255, 255, 255, 128, 255, 255, 255, 128};
  Bytes backdrop = {1, 2, 3, 4, 5, 6};
  FitPlan same = PlanFit(2, 1, 2, 1, PictureFit::Cover);
  EXPECT_EQ(FitPixels(clear, 2, 1, same, 2, 1, backdrop.data()), backdrop);
  EXPECT_EQ(FitPixels(half, 2, 1, same, 2, 1, nullptr), Bytes(6, 128));
}

// Damaged pictures, as a fuzzer finds them, get a refusal with the reason, never a crash (the
// sanitized build of this test watches every read and every sum): a Huffman table of more codes
// than the decoder has room for, a scan that uses a table never defined, a picture cut short, the
// fuzzer's findings (coefficients that overflow the inverse DCT, codes that overflow their lengths,
// a table used undefined, a PNG chunk of no bytes), and three hundred single-byte damages of a
// good JPEG of another size.
TEST(PictureIntake, DamageIsRefusedNeverACrash) {
  const PicturePlace place = {BackgroundShape, PictureFit::Cover, nullptr};
  Bytes rgb(40 * 30 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7);
  const Bytes good = EncodeBaselineJpeg(rgb, 40, 30, 92);
  ASSERT_TRUE(TakePicture(good, place).problem.empty());
  // The first table's 16 counts all 17: 272 codes, their symbols added, the length to match.
  Bytes huge = good;
  size_t table = 0;
  while (table + 1 < huge.size() && !(huge[table] == 0xFF && huge[table + 1] == 0xC4)) ++table;
  ASSERT_LT(table + 21, huge.size());
  size_t codes = 0;
  for (size_t i = 0; i < 16; ++i) codes += huge[table + 5 + i], huge[table + 5 + i] = 17;
  huge.insert(huge.begin() + long(table + 21 + codes), 272 - codes, 0);
  size_t length = size_t(huge[table + 2] << 8 | huge[table + 3]) + 272 - codes;
  huge[table + 2] = uint8_t(length >> 8), huge[table + 3] = uint8_t(length);
  // A scan that names AC table 3, which no segment defines.
  Bytes undefined = good;
  size_t scan = undefined.size() - 1;
  while (scan > 0 && !(undefined[scan - 1] == 0xFF && undefined[scan] == 0xDA)) --scan;
  ASSERT_GT(scan, 0u);
  undefined[scan + 5] = 0x03;  // the first component: DC table 0, AC table 3
  const std::pair<Bytes, const char*> damaged[] = {
      {huge, "Huffman"},
      {undefined, "never defined"},
      {Bytes(good.begin(), good.begin() + long(good.size() / 2)), "cut short"},
  };
  for (const auto& [bytes, reason] : damaged) {
    TakenPicture taken = TakePicture(bytes, place);
    EXPECT_TRUE(taken.jpeg.empty());
    EXPECT_NE(taken.problem.find(reason), std::string::npos) << taken.problem;
  }
  TakenPicture taken;
  for (const char* finding : {"idct-overflow.jpg", "huffman-code-overflow.jpg", "huffman-full-table.jpg",
                              "png-empty-chunk.png"}) {
    std::string bytes = Contents(zavtest::SourcePath((std::string("tests/packer/pictures/") + finding).c_str()));
    ASSERT_FALSE(bytes.empty()) << finding;
    taken = TakePicture(Bytes(bytes.begin(), bytes.end()), place);
    EXPECT_NE(taken.jpeg.empty(), taken.problem.empty()) << finding;
  }
  std::mt19937 random(22);
  for (int i = 0; i < 300; ++i) {
    Bytes bytes = good;
    bytes[random() % bytes.size()] = uint8_t(random());
    taken = TakePicture(bytes, place);
    ASSERT_NE(taken.jpeg.empty(), taken.problem.empty()) << i;
  }
}

}  // namespace
