// The destination root formed from the chosen folder, and each file's path below it: the
// separators, the buffers' limits, and stored names that would leave the root.
#include "installer/install_paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Completed(const std::string& chosen, const char* folder = "ZAVInstaller") {
  char root[PathBufferSize] = {};
  std::strcpy(root, chosen.c_str());
  if (!CompleteInstallRoot(root, folder)) return "(refused) " + std::string(root);
  return root;
}

TEST(InstallRoot, TheChosenFolderGetsOneSeparatorAndTheInstallFolder) {
  EXPECT_EQ(Completed("D:\\"), "D:\\ZAVInstaller\\");
  EXPECT_EQ(Completed("D:\\Data"), "D:\\Data\\ZAVInstaller\\");
  EXPECT_EQ(Completed("C:\\Program Files\\Games\\"), "C:\\Program Files\\Games\\ZAVInstaller\\");
  EXPECT_EQ(Completed("\\\\server\\share"), "\\\\server\\share\\ZAVInstaller\\");
}

TEST(InstallRoot, TheFolderIsTheOneNamed) {
  EXPECT_EQ(Completed("D:\\Data", "My Game 2"), "D:\\Data\\My Game 2\\");
}

TEST(InstallRoot, AFolderNameIsOnePartOfPrintableAsciiThatCouldBeStored) {
  for (const char* good : {"ZAVInstaller", "My Game (2nd edition)", "a", "x.y"})
    EXPECT_TRUE(IsSafeFolderName(good)) << good;
  const std::string longest(FolderNameMaxLength, 'n');
  EXPECT_TRUE(IsSafeFolderName(longest.c_str()));
  for (const std::string& bad : {std::string(), longest + "n", std::string("a\\b"), std::string("a/b"),
                                 std::string(".."), std::string("CON"), std::string("caf\xC3\xA9"),
                                 std::string("tab\there"), std::string("what?")})
    EXPECT_FALSE(IsSafeFolderName(bad.c_str())) << bad;
}

TEST(InstallRoot, AnEmptyFolderIsNoFolder) {
  // Completing it would make "\ZAVInstaller\", the top of whatever drive is current.
  EXPECT_EQ(Completed(""), "(refused) ");
}

TEST(InstallRoot, ARootThatWouldNotFitIsRefusedAndLeftAsItWas) {
  const size_t folderPart = std::strlen("\\ZAVInstaller\\");  // 14
  std::string longest = "C:" + std::string(PathBufferSize - 1 - folderPart - 2, 'a');
  std::string root = Completed(longest);
  EXPECT_EQ(root.size(), size_t(PathBufferSize - 1));
  EXPECT_EQ(root.substr(root.size() - folderPart), "\\ZAVInstaller\\");

  EXPECT_EQ(Completed(longest + "b"), "(refused) " + longest + "b");
  // With its own separator the same length fits: only "ZAVInstaller\" is added.
  std::string withSeparator = longest + "\\";
  EXPECT_EQ(Completed(withSeparator).size(), size_t(PathBufferSize - 1));
  EXPECT_EQ(Completed(withSeparator + "x\\"), "(refused) " + withSeparator + "x\\");
}

std::string Target(const std::string& root, const std::string& name) {
  char target[PathBufferSize];
  std::memset(target, 'x', sizeof target);
  if (!FormTargetPath(target, root.c_str(), name.c_str())) {
    return target[0] == '\0' ? "(refused)" : "(refused, target not emptied)";
  }
  return target;
}

const std::string Root = "D:\\Data\\ZAVInstaller\\";

TEST(TargetPath, TheStoredNameFollowsTheRootWithItsFolders) {
  EXPECT_EQ(Target(Root, "readme.txt"), "D:\\Data\\ZAVInstaller\\readme.txt");
  EXPECT_EQ(Target(Root, "docs\\manual.txt"), "D:\\Data\\ZAVInstaller\\docs\\manual.txt");
  EXPECT_EQ(Target(Root, "a\\b\\c\\d.txt"), "D:\\Data\\ZAVInstaller\\a\\b\\c\\d.txt");
  // Both separators name folders; the folder creation follows only the backslash.
  EXPECT_EQ(Target(Root, "docs/manual.txt"), "D:\\Data\\ZAVInstaller\\docs\\manual.txt");
}

TEST(TargetPath, APathOneCharacterTooLongIsRefusedNotCut) {
  std::string root = "C:\\" + std::string(200, 'r') + "\\ZAVInstaller\\";
  std::string fits(PathBufferSize - 1 - root.size(), 'n');
  EXPECT_EQ(Target(root, fits), root + fits);
  EXPECT_EQ(Target(root, fits + "n"), "(refused)");
  // A 255-character name, the longest a cabinet holds, below a long chosen folder.
  std::string longName(251, 'h');
  longName += ".txt";
  std::string deepRoot = "C:\\" + std::string(240, 'f') + "\\ZAVInstaller\\";
  EXPECT_EQ(Target(deepRoot, longName), "(refused)");
  EXPECT_EQ(Target(Root, longName), Root + longName);
}

TEST(StoredNames, NamesThatWouldLeaveTheRootAreRefused) {
  const char* escapes[] = {
      "..\\evil.exe", "../evil.exe", "docs\\..\\..\\evil.exe", "docs/../../evil.exe",
      "..", "a\\..", "\\Windows\\evil.dll", "/etc/evil", "\\\\server\\share\\evil",
      "C:\\evil.exe", "C:evil.exe", "\\\\?\\C:\\evil.exe",
      // The platform drops trailing dots and blanks: these are ".." in disguise.
      "... \\evil", ".. \\evil", ". .\\evil", "docs\\...\\..\\..\\evil",
  };
  for (const char* name : escapes) {
    EXPECT_FALSE(IsSafeStoredName(name)) << name;
    EXPECT_EQ(Target(Root, name), "(refused)") << name;
  }
}

TEST(StoredNames, DevicesEmptyPartsAndImpossibleCharactersAreRefused) {
  const char* refused[] = {
      "", "CON", "con.txt", "docs\\NUL", "Aux.log", "prn", "com1", "LPT9.dat", "con .txt",
      "conin$", "CONOUT$", "docs\\\\manual.txt", "docs\\", "\\", ".", "docs\\.\\manual.txt",
      "file.txt:stream", "what?.txt", "all*.txt", "a<b", "a>b", "a|b", "say\"hi\"",
      "tab\there", "new\nline",
  };
  for (const char* name : refused) {
    EXPECT_FALSE(IsSafeStoredName(name)) << name;
    EXPECT_EQ(Target(Root, name), "(refused)") << name;
  }
}

TEST(StoredNames, OrdinaryNamesThatOnlyLookOddAreKept) {
  const char* kept[] = {
      "..file", "file..", "a.b.c", ".hidden", "CONSOLE.txt", "COM10", "LPT", "con2.txt",
      "icon.ico", "nul_device.txt", "caf\xe9.txt", "with space.txt", " leading.txt",
      "docs\\manual.txt", "a/b", "#$%&'()+,;=@[]^_`{}~!.txt",
  };
  for (const char* name : kept) {
    EXPECT_TRUE(IsSafeStoredName(name)) << name;
  }
}

}  // namespace
