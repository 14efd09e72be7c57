// The rules for the names an installer creates, shared with zav-pack: UTF-8, names that would
// leave the root or open a device, parts that Windows would trim, folder names for the title,
// and Windows' own upper-casing for telling names apart.
#include "installer/file_names.h"

#include <gtest/gtest.h>

#include <string>

#include "installer/utf8.h"
#include "installer/windows_upper_case.h"

namespace {

TEST(Utf8, EveryWellFormedSequenceAndNoIllFormedOne) {
  const std::pair<const char*, uint32_t> valid[] = {
      {"A", 0x41}, {"\xC2\x80", 0x80}, {"\xDF\xBF", 0x7FF}, {"\xE0\xA0\x80", 0x800}, {"\xED\x9F\xBF", 0xD7FF},
      {"\xEE\x80\x80", 0xE000}, {"\xEF\xBF\xBF", 0xFFFF}, {"\xF0\x90\x80\x80", 0x10000}, {"\xF4\x8F\xBF\xBF", 0x10FFFF},
  };
  for (const auto& [text, expected] : valid) {
    uint32_t codePoint = 0;
    EXPECT_EQ(DecodeUtf8(text, &codePoint), int(std::string(text).size())) << text;
    EXPECT_EQ(codePoint, expected);
  }
  const char* invalid[] = {
      "\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",  // stray, overlong
      "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF",  // surrogate, too big
      "\xC3", "\xE6\x97", "\xF0\x9F\x8E", "\xC3" "A",                                  // cut short
  };
  for (const char* text : invalid) {
    uint32_t codePoint;
    EXPECT_EQ(DecodeUtf8(text, &codePoint), 0) << text;
    EXPECT_FALSE(IsUtf8((std::string("ok ") + text).c_str())) << text;
  }
}

TEST(Utf8, ToUtf16WithSurrogatePairsAndNothingHalfWritten) {
  char16_t out[6];
  EXPECT_EQ(AppendUtf16(out, out + 6, "a\xCE\xA9\xF0\x9F\x8E\xAE") - out, 4);
  EXPECT_EQ(std::u16string(out), u"a\u03A9\U0001F3AE");
  // A surrogate pair that would leave no room for the NUL is not begun.
  EXPECT_EQ(AppendUtf16(out, out + 4, "ab\xF0\x9F\x8E\xAE"), nullptr);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(AppendUtf16(out, out + 6, "ok\xE9"), nullptr);
}

TEST(StoredNames, NamesThatWouldLeaveTheRootAreRefused) {
  const char* escapes[] = {
      "..\\evil.exe", "../evil.exe", "docs\\..\\..\\evil.exe", "docs/../../evil.exe",
      "..", "a\\..", "\\Windows\\evil.dll", "/etc/evil", "\\\\server\\share\\evil",
      "C:\\evil.exe", "C:evil.exe", "\\\\?\\C:\\evil.exe",
      // The platform drops trailing dots and blanks: these are ".." in disguise.
      "... \\evil", ".. \\evil", ". .\\evil", "docs\\...\\..\\..\\evil",
  };
  for (const char* name : escapes) EXPECT_EQ(StoredNameFault(name), NameFault::Unsafe) << name;
}

TEST(StoredNames, DevicesEmptyPartsAndImpossibleCharactersAreRefused) {
  const char* refused[] = {
      "", "CON", "con.txt", "docs\\NUL", "Aux.log", "prn", "com1", "LPT9.dat", "con .txt",
      "conin$", "CONOUT$", "docs\\\\manual.txt", "docs\\", "\\", ".", "docs\\.\\manual.txt",
      "file.txt:stream", "what?.txt", "all*.txt", "a<b", "a>b", "a|b", "say\"hi\"",
      "tab\there", "new\nline", "COM\xC2\xB9", "lpt\xC2\xB3.txt", "com0", "LPT\xC2\xB2 .log",
  };
  for (const char* name : refused) EXPECT_EQ(StoredNameFault(name), NameFault::Unsafe) << name;
}

TEST(StoredNames, NamesInAnyScriptAreKeptAndTrimmedOrMisencodedOnesRefused) {
  const char* kept[] = {
      "..file", "a.b.c", ".hidden", "CONSOLE.txt", "COM10", "LPT", "con2.txt", "COM\xC2\xB2x",
      "COM#", "LPT\xC2\xB4", "CONOUT", "NUL1", "PRN$",
      "icon.ico", "nul_device.txt", "Caf\xC3\xA9.txt", "with space.txt", " leading.txt",
      "docs\\manual.txt", "a/b", "#$%&'()+,;=@[]^_`{}~!.txt", "\xC3\x9C" "bung\\\xC3\x84rger.txt",
      "\xE8\xAA\xAC\xE6\x98\x8E\xE6\x9B\xB8.pdf", "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1", "\xF0\x9F\x8E\xB5",
  };
  for (const char* name : kept) EXPECT_EQ(StoredNameFault(name), NameFault::None) << name;
  for (const char* name : {"notes.", "file..", "dir \\x", "a\\b ", "\xCE\xA9."})
    EXPECT_EQ(StoredNameFault(name), NameFault::PartEndsInDotOrBlank) << name;
  for (const char* name : {"caf\xE9.txt", "\xC3\x28", "ok\\\xED\xA0\x80", "CON\xFF"})
    EXPECT_EQ(StoredNameFault(name), NameFault::NotUtf8) << name;
  EXPECT_EQ(StoredNameFault("notes.\\CON"), NameFault::Unsafe);  // the graver fault is named
}

TEST(FolderNames, OnePartOfAtMost64CharactersInAnyScriptWithNothingInvisible) {
  std::string widest;
  for (int i = 0; i < FolderNameMaxLength; ++i) widest += "\xF0\x9F\x8E\xAE";  // 256 bytes
  for (const std::string& good : {std::string("ZAVInstaller"), std::string("My Game (2nd edition)"),
                                  std::string("Spiel \xCE\xA9 \xE6\x97\xA5"), std::string(64, 'n'), widest})
    EXPECT_TRUE(IsSafeFolderName(good.c_str())) << good;
  for (const std::string& bad : {std::string(), std::string(65, 'n'), widest + "x", std::string("a\\b"),
                                 std::string("a/b"), std::string(".."), std::string("CON"), std::string("caf\xE9"),
                                 std::string("tab\there"), std::string("del\x7F"), std::string("c1\xC2\x85"),
                                 std::string("what?"), std::string("dot.")})
    EXPECT_FALSE(IsSafeFolderName(bad.c_str())) << bad;
  EXPECT_EQ(CharacterCount(widest.c_str()), 64);
}

TEST(WindowsUpperCase, SimpleMappingsUnitByUnit) {
  const std::pair<char16_t, char16_t> cases[] = {
      {u'a', u'A'}, {u'z', u'Z'}, {u'A', u'A'}, {u'1', u'1'}, {u'\\', u'\\'},
      {u'\u00E4', u'\u00C4'}, {u'\u00FF', u'\u0178'}, {u'\u0101', u'\u0100'}, {u'\u0100', u'\u0100'},
      {u'\u03C9', u'\u03A9'}, {u'\u03C2', u'\u03A3'}, {u'\u0434', u'\u0414'}, {u'\u00B5', u'\u039C'},
      {u'\u00DF', u'\u00DF'},  // no full mapping: "ß" stays
      {u'\u65E5', u'\u65E5'}, {u'\uFF41', u'\uFF21'}, {char16_t(0xD801), char16_t(0xD801)}, {char16_t(0xDC28), char16_t(0xDC28)},
      {u'\uFFFF', u'\uFFFF'},
  };
  for (const auto& [unit, upper] : cases) EXPECT_EQ(int(WindowsUpperCase(unit)), int(upper)) << int(unit);
}

}  // namespace
