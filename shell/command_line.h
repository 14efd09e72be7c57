// What the program's command line asks for. Without arguments it shows its window, as always;
// administrators and scripts install without one:
//
//   SETUP.exe /S /D=PATH   installs into PATH\<folder> with no window, no dialog and no music;
//                          /D= comes last and takes the rest of the line as it stands, blanks
//                          included, without quotes
//   SETUP.exe /?           shows the usage
//   /LANG=TAG              before any of these (or alone): the language of the texts shown,
//                          in place of the user's display language
#pragma once
#include "assets/language_texts.h"

enum class Command {
  ShowWindow,  // no arguments
  Unattended,  // /S and /D= with an absolute PATH
  ShowUsage,   // /? alone
  Unusable,    // anything else: an unknown switch, /S without /D= (or /D= without /S), a
               // relative or empty PATH, /S with /?, a /LANG= that names no language tag
};

struct CommandLine {
  Command command;
  bool silent;             // /S was given: nothing may be shown, whatever else the line holds
  const char16_t* folder;  // PATH, the rest of the line after /D=; null without /D=
  char language[LanguageTagMaxLength + 1];  // the tag of /LANG=, or empty
};

// Reads the whole command line as the platform hands it over, the program's name first
// (quoted, or up to the first blank). Switches are taken in either case.
CommandLine ReadCommandLine(const char16_t* line);
