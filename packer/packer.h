// zav-pack's run, shared by its Linux and Windows builds: the options read, every input checked,
// the installer written. The systems' own entry points (main_posix.cpp, main_win.cpp) hand it
// the arguments as UTF-8 and print what it reports.
#pragma once
#include <string>
#include <vector>

// What a run says, line by line, in order: to standard output, or to standard error.
struct RunReport {
  std::vector<std::string> out, err;
};

const int ExitWritten = 0;
const int ExitWriteFailed = 1;
const int ExitBadInput = 2;

// One run with the arguments after the program's name; its exit status.
int RunZavPack(const std::vector<std::string>& arguments, RunReport* report);
