// What the checks of zav-pack's inputs found: problems, which stop the installer from being
// written, and warnings, which do not. Each is one line that names the input as the user gave
// it ("--song tune.xm"), says what is wrong and how to fix it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One input as the user named it: the option and its value.
struct Input {
  std::string option;  // "--background"
  std::string value;   // the file, folder or text given with it

  std::string Named() const { return value.empty() ? option : option + " " + value; }
};

struct Diagnostics {
  std::vector<std::string> problems;
  std::vector<std::string> warnings;

  void Problem(const Input& input, const std::string& text) {
    problems.push_back(input.Named() + ": " + text);
  }
  void Warning(const Input& input, const std::string& text) {
    warnings.push_back(input.Named() + ": " + text);
  }
};

// A file name or other value quoted for a shell, so that a command in a message can be pasted
// as it stands: 'my file.png' (a quote inside becomes '\'').
std::string ShellQuoted(const std::string& text);

// 1234567 -> "1,234,567".
std::string WithThousands(uint64_t number);

// Reads a whole input file of at most `maxBytes` bytes. False, with a problem added (the
// system's reason, or that it is a folder or too large), when it cannot be had.
bool ReadInputFile(const Input& input, uint64_t maxBytes, std::vector<uint8_t>* bytes,
                   Diagnostics* diagnostics);
