// The command line as the platform hands it over: the program's name, then /S /D=PATH, /?, or
// nothing. Every line that cannot be used is refused, none is half taken.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
  const char16_t* line;
  Command command;
  bool silent;
  const char16_t* folder;  // null: none
  const char* language = "";
};

const Case Cases[] = {
    {u"setup.exe", Command::ShowWindow, false, nullptr},
    {u"\"C:\\My Downloads\\setup.exe\"  ", Command::ShowWindow, false, nullptr},
    {u"\"C:\\My Downloads\\setup.exe\"/S /D=C:\\Games", Command::Unattended, true, u"C:\\Games"},
    {u"setup.exe /S /D=C:\\Program Files\\My  Game ", Command::Unattended, true, u"C:\\Program Files\\My  Game "},
    {u"setup.exe\t/s\t/d=D:\\\u03A9mega \u65E5\u672C \U0001F3AE", Command::Unattended, true, u"D:\\\u03A9mega \u65E5\u672C \U0001F3AE"},
    {u"setup.exe /S /D=\\\\server\\share\\apps", Command::Unattended, true, u"\\\\server\\share\\apps"},
    {u"setup.exe /S /D=C:\\a /S /X", Command::Unattended, true, u"C:\\a /S /X"},  // the rest of the line
    {u"setup.exe /?", Command::ShowUsage, false, nullptr},
    {u"setup.exe /S", Command::Unusable, true, nullptr},
    {u"setup.exe /D=C:\\Games", Command::Unusable, false, u"C:\\Games"},
    {u"setup.exe /S /D=", Command::Unusable, true, u""},
    {u"setup.exe /S /D=Games", Command::Unusable, true, u"Games"},
    {u"setup.exe /S /D=C:Games", Command::Unusable, true, u"C:Games"},
    {u"setup.exe /S /D=\\Games", Command::Unusable, true, u"\\Games"},
    {u"setup.exe /S /D=\"C:\\Games\"", Command::Unusable, true, u"\"C:\\Games\""},
    {u"setup.exe /S /D=\\\\?\\C:\\Games", Command::Unusable, true, u"\\\\?\\C:\\Games"},
    {u"setup.exe /S \"/D=C:\\My Games\"", Command::Unusable, true, nullptr},
    {u"setup.exe /S /X /D=C:\\Games", Command::Unusable, true, u"C:\\Games"},
    {u"setup.exe /S /? /D=C:\\Games", Command::Unusable, true, u"C:\\Games"},
    {u"setup.exe /S /?", Command::Unusable, true, nullptr},
    {u"setup.exe /Silent", Command::Unusable, false, nullptr},
    {u"setup.exe x", Command::Unusable, false, nullptr},
    {u"setup.exe /LANG=de", Command::ShowWindow, false, nullptr, "de"},
    {u"setup.exe /lang=pt-BR /S /D=C:\\Games", Command::Unattended, true, u"C:\\Games", "pt-BR"},
    {u"setup.exe /S /Lang=zh-Hans /D=C:\\Games", Command::Unattended, true, u"C:\\Games", "zh-Hans"},
    {u"setup.exe /LANG=ru /?", Command::ShowUsage, false, nullptr, "ru"},
    {u"setup.exe /S /D=C:\\Games /LANG=de", Command::Unattended, true, u"C:\\Games /LANG=de"},
    {u"setup.exe /LANG=", Command::Unusable, false, nullptr},
    {u"setup.exe /LANG=de_AT", Command::Unusable, false, nullptr, "de_AT"},
    {u"setup.exe /S /LANG=d\u00E9 /D=C:\\Games", Command::Unusable, true, u"C:\\Games"},
    {u"setup.exe /LANG=de-abcdefghijklmnopqrstuvwxyz-abcdefgh", Command::Unusable, false, nullptr},
};

TEST(CommandLine, EachLineAsked) {
  for (const Case& c : Cases) {
    std::u16string line = c.line;
    CommandLine read = ReadCommandLine(c.line);
    EXPECT_EQ(int(read.command), int(c.command)) << std::string(line.begin(), line.end());
    EXPECT_EQ(read.silent, c.silent) << std::string(line.begin(), line.end());
    EXPECT_EQ(read.folder ? std::u16string(read.folder) : u"(none)", c.folder ? c.folder : u"(none)");
    if (read.command != Command::Unusable) EXPECT_STREQ(read.language, c.language) << std::string(line.begin(), line.end());
  }
}

}  // namespace
