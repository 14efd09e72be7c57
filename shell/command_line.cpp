#include "shell/command_line.h"

#include "installer/install_paths.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool IsSwitch(const char16_t* token, int length, char16_t letter) {
  return length == 2 && token[0] == u'/' && (token[1] | 0x20) == (letter | 0x20);
}

// "/LANG=TAG" (the switch in either case): the tag into `language`; false for another token,
// or a tag that is none.
bool ReadLanguage(const char16_t* token, int length, char* language, bool* valid) {
  static const char16_t Switch[] = u"/lang=";
  const int switchLength = sizeof Switch / sizeof *Switch - 1;
  if (length < switchLength) return false;
  for (int i = 0; i < switchLength; ++i) {
    if ((token[i] | 0x20) != Switch[i]) return false;
  }
  int tagLength = length - switchLength;
  *valid = tagLength <= LanguageTagMaxLength;
  for (int i = 0; *valid && i < tagLength; ++i) {
    char16_t c = token[switchLength + i];
    *valid = c < 0x80;
    language[i] = char(c);
    language[i + 1] = 0;
  }
  *valid = *valid && IsLanguageTag(language);
  return true;
}

const char16_t* SkipProgramName(const char16_t* line) {
  if (*line == u'"') {
    for (++line; *line && *line != u'"'; ++line) {
    }
    return *line ? line + 1 : line;
  }
  while (*line && !IsBlank(*line)) ++line;
  return line;
}

}  // namespace

CommandLine ReadCommandLine(const char16_t* line) {
  CommandLine read = {Command::ShowWindow, false, nullptr, {}};
  bool usage = false, unknown = false;
  for (line = SkipProgramName(line);;) {
    while (IsBlank(*line)) ++line;
    if (!*line) break;
    if (line[0] == u'/' && (line[1] | 0x20) == u'd' && line[2] == u'=') {
      read.folder = line + 3;
      break;
    }
    const char16_t* token = line;
    while (*line && !IsBlank(*line)) ++line;
    int length = static_cast<int>(line - token);
    bool validLanguage = false;
    if (ReadLanguage(token, length, read.language, &validLanguage)) {
      unknown = unknown || !validLanguage;
    } else if (IsSwitch(token, length, u's')) {
      read.silent = true;
    } else if (IsSwitch(token, length, u'?')) {
      usage = true;
    } else {
      unknown = true;
    }
  }
  if (read.silent && read.folder && !unknown && !usage)
    read.command = IsAbsolutePath(read.folder) ? Command::Unattended : Command::Unusable;
  else if (unknown || read.silent || read.folder)
    read.command = Command::Unusable;
  else if (usage)
    read.command = Command::ShowUsage;
  return read;
}
