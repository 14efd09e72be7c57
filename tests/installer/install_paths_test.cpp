// The destination root formed from the chosen folder, each file's path below it, and the
// folder browser's title: the long-path prefix, the separators, names in any script, and the
// platform's path limit.
#include "installer/install_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

char16_t Formed[PathBufferSize];

std::u16string Root(const std::u16string& chosen, const char* folder = "ZAVInstaller") {
  Formed[0] = u'x';
  if (!FormInstallRoot(Formed, chosen.c_str(), folder)) return Formed[0] ? u"(refused, not emptied)" : u"(refused)";
  return Formed;
}

std::u16string Target(const std::u16string& root, const char* name) {
  Formed[0] = u'x';
  if (!FormTargetPath(Formed, root.c_str(), name)) return Formed[0] ? u"(refused, not emptied)" : u"(refused)";
  return Formed;
}

TEST(InstallRoot, TheChosenFolderGetsThePrefixOneSeparatorAndTheInstallFolder) {
  const std::pair<std::u16string, std::u16string> roots[] = {
      {u"D:\\", u"\\\\?\\D:\\ZAVInstaller\\"},
      {u"D:\\Data", u"\\\\?\\D:\\Data\\ZAVInstaller\\"},
      {u"c:/Program Files/Games/", u"\\\\?\\c:\\Program Files\\Games\\ZAVInstaller\\"},
      {u"\\\\server\\share", u"\\\\?\\UNC\\server\\share\\ZAVInstaller\\"},
      {u"C:\\Users\\\u03A9mega \u65E5\u672C \U0001F3AE", u"\\\\?\\C:\\Users\\\u03A9mega \u65E5\u672C \U0001F3AE\\ZAVInstaller\\"},
  };
  for (const auto& [chosen, root] : roots) EXPECT_EQ(Root(chosen), root);
  // The folder's name comes as UTF-8 and may be in any script; none means the chosen folder.
  EXPECT_EQ(Root(u"D:\\Data", "Spiel \xCE\xA9 \xF0\x9F\x8E\xAE"), u"\\\\?\\D:\\Data\\Spiel \u03A9 \U0001F3AE\\");
  EXPECT_EQ(Root(u"D:\\Data", ""), u"\\\\?\\D:\\Data\\");
}

TEST(InstallRoot, OnlyAFolderFromADrivesRootOrAShareIsTaken) {
  // Relative to a current folder or drive, or one of the platform's device paths.
  for (const char16_t* chosen : {u"", u"Data", u"C:", u"C:Data", u"\\Data", u"/Data", u"\\\\",
                                 u"\\\\?\\C:\\Data", u"\\\\.\\C:\\Data", u"//./PhysicalDrive0", u"\\\\?"})
    EXPECT_EQ(Root(chosen), u"(refused)");
  EXPECT_FALSE(IsAbsolutePath(u"1:\\Data"));
  EXPECT_TRUE(IsAbsolutePath(u"\\\\.server\\share"));
}

TEST(InstallRoot, ARootUpToThePlatformsLimitIsTakenAndOneUnitMoreRefused) {
  const std::u16string end = u"\\ZAVInstaller\\";
  std::u16string longest = u"C:\\" + std::u16string(PathBufferSize - 1 - 4 - 3 - end.size(), u'a');
  EXPECT_EQ(Root(longest).size(), size_t(PathBufferSize - 1));
  EXPECT_EQ(Root(longest + u"b"), u"(refused)");
  // A character of two units takes both: one unit less chosen does not make room for it.
  longest.pop_back();
  EXPECT_EQ(Root(longest, "xZAVInstaller").size(), size_t(PathBufferSize - 1));
  EXPECT_EQ(Root(longest, "\xF0\x9F\x8E\xAE" "ZAVInstaller"), u"(refused)");
}

const std::u16string Root16 = u"\\\\?\\D:\\Data\\ZAVInstaller\\";

TEST(TargetPath, TheStoredNameFollowsTheRootInUtf16WithBackslashesOnly) {
  EXPECT_EQ(Target(Root16, "readme.txt"), Root16 + u"readme.txt");
  EXPECT_EQ(Target(Root16, "docs/a\\b.txt"), Root16 + u"docs\\a\\b.txt");
  EXPECT_EQ(Target(Root16, "\xC3\x9C" "bung/\xE8\xAA\xAC\xE6\x98\x8E\xE6\x9B\xB8.pdf"),
            Root16 + u"\u00DCbung\\\u8AAC\u660E\u66F8.pdf");
  EXPECT_EQ(Target(Root16, "song \xF0\x9F\x8E\xB5.xm"), Root16 + u"song \U0001F3B5.xm");
  // Names the rules refuse are never formed.
  for (const char* name : {"..\\evil.exe", "C:\\evil.exe", "CON", "notes.", "caf\xE9.txt"})
    EXPECT_EQ(Target(Root16, name), u"(refused)") << name;
}

TEST(TargetPath, PathsFarPast260CharactersUpToTheLimitAndNotOneMore) {
  std::u16string deep = u"\\\\?\\C:\\" + std::u16string(300, u'f') + u"\\ZAVInstaller\\";
  std::string name(255, 'n');
  EXPECT_EQ(Target(deep, name.c_str()), deep + std::u16string(255, u'n'));
  std::u16string full = u"\\\\?\\C:\\" + std::u16string(PathBufferSize - 1 - 7 - 1 - 200, u'f') + u"\\";
  EXPECT_EQ(Target(full, std::string(200, 'n').c_str()).size(), size_t(PathBufferSize - 1));
  EXPECT_EQ(Target(full, std::string(201, 'n').c_str()), u"(refused)");
}

TEST(BrowseTitle, NamesTheFolderInItsOwnScript) {
  char16_t title[BrowseTitleSize];
  const char English[] = "Select folder where '{folder}' will be installed. Directory '{folder}' will be created automatically.";
  FormBrowseTitle(title, English, "\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAE");
  EXPECT_EQ(std::u16string(title), u"Select folder where '\u03A9mega \u65E5\u672C \U0001F3AE' will be installed. "
                                   u"Directory '\u03A9mega \u65E5\u672C \U0001F3AE' will be created automatically.");
  // The longest name takes two units a character.
  std::string widest;
  for (int i = 0; i < 64; ++i) widest += "\xF0\x9F\x8E\xAE";
  FormBrowseTitle(title, English, widest.c_str());
  EXPECT_EQ(std::u16string(title).size(), 85u + 2 * 128);
  // The widest prompt a translation may have: its 200 characters all {folder}.
  std::string prompt;
  for (int i = 0; i < 25; ++i) prompt += "{folder}";
  FormBrowseTitle(title, prompt.c_str(), widest.c_str());
  EXPECT_EQ(std::u16string(title).size(), 25u * 2 * 64);
}

}  // namespace
