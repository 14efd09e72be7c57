#include "shell/command_line.h"

#include "installer/install_paths.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool IsSwitch(const char16_t* token, int length, char16_t letter) {
  return length == 2 && token[0] == u'/' && (token[1] | 0x20) == (letter | 0x20);
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
  CommandLine read = {Command::ShowWindow, false, nullptr};
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
    if (IsSwitch(token, length, u's')) {
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
