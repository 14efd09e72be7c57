#include <algorithm>
#include <string>

#include "assets/data_directory.h"
#include "packer/checks/texts.h"

namespace {

const uint64_t CreditsFileMaxBytes = 64 * 1024;

std::vector<uint8_t> CheckCreditsText(const Input& credits, const std::string& text, Diagnostics* diagnostics) {
  auto unprintable = std::find_if(text.begin(), text.end(), [](char c) { return c < 0x20 || c > 0x7E; });
  if (unprintable != text.end()) {
    diagnostics->Problem(credits, "has a character that is not printable ASCII at column " +
                                      std::to_string(unprintable - text.begin() + 1) +
                                      "; the scroller shows one line of blank to ~ only");
    return {};
  }
  if (text.size() > CreditsCharacters) {
    diagnostics->Problem(credits, "is " + std::to_string(text.size()) + " characters long; the scroller holds " +
                                      std::to_string(CreditsCharacters) + "; shorten it");
    return {};
  }
  std::vector<uint8_t> line(text.begin(), text.end());
  line.resize(CreditsCharacters, ' ');
  line.push_back(0);
  return line;
}

}  // namespace

std::vector<uint8_t> CheckCredits(const Input& credits, Diagnostics* diagnostics) {
  return CheckCreditsText(credits, credits.value, diagnostics);
}

std::vector<uint8_t> CheckCreditsFile(const Input& file, Diagnostics* diagnostics) {
  std::vector<uint8_t> bytes;
  if (!ReadInputFile(file, CreditsFileMaxBytes, &bytes, diagnostics)) return {};
  std::string text(bytes.begin(), bytes.end());
  // Editors end a file with a line end; it is no part of the line.
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return CheckCreditsText(file, text, diagnostics);
}
