// zav-pack's command line: what the user asked for, read from a table of options.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "packer/checks/diagnostics.h"

struct Options {
  std::optional<std::string> payload, cabinet, folder, song, background, buttons, credits,
      creditsFile, info, icon, output, compression;
  std::optional<std::string> fit, product, productVersion, publisher, copyright, run;
  std::vector<std::string> texts;  // --texts LANG=FILE, each as given
  bool infoCp437 = false;
  bool quiet = false;
  bool openFolder = false;
  bool help = false;
  bool version = false;
};

// Reads the arguments after the program's name. Unknown options, missing values, an option
// given twice, stray arguments and options that exclude each other are problems.
Options ReadOptions(const std::vector<std::string>& arguments, Diagnostics* diagnostics);

// What `zav-pack --help` prints (docs/zav-pack.md shows the same under "Every option").
extern const char HelpText[];
