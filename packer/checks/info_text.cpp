#include <cstdio>
#include <string>

#include "packer/checks/code_page.h"
#include "packer/checks/texts.h"

namespace {

const uint64_t InfoFileMaxBytes = 1 << 20;
const size_t InfoTextMaxBytes = 64 * 1024;
const int InfoColumns = 79;       // the info box is 79 cells of its font wide
const size_t ProblemsShown = 10;  // per file: past these, one line says how many more there are
const uint32_t ByteOrderMark = 0xFEFF;

// Where a character stands in the text, as an editor counts: lines and columns from 1.
struct Place {
  int line = 1;
  int column = 0;

  std::string Text() const { return "line " + std::to_string(line) + " column " + std::to_string(column); }
};

// The problems of one file, of which only the first few are shown.
struct Findings {
  const Input& info;
  Diagnostics* diagnostics;
  size_t count = 0;

  void Add(const std::string& text) {
    if (++count <= ProblemsShown) diagnostics->Problem(info, text);
  }
  void Close() {
    if (count > ProblemsShown)
      diagnostics->Problem(info, "has " + std::to_string(count - ProblemsShown) + " more problems like these");
  }
};

// UTF-8 to code page 437, every character that has no form there refused with its place.
bool FromUtf8(const std::string& utf8, std::string* cp437, Findings* findings) {
  std::vector<Utf8Character> characters;
  size_t valid = 0;
  if (!DecodeUtf8(utf8, &characters, &valid)) {
    findings->Add("cannot be converted: this system cannot convert UTF-8");
    return false;
  }
  Place place;
  for (size_t i = 0; i < characters.size(); ++i) {
    uint32_t c = characters[i].codePoint;
    if (i == 0 && c == ByteOrderMark) continue;
    ++place.column;
    char byte;
    if (ToCodePage437(c, &byte)) {
      *cp437 += byte;
    } else {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", c);
      findings->Add(place.Text() + ": '" + utf8.substr(characters[i].at, characters[i].length) + "' (" + code +
                    ") has no form in code page 437; replace it");
    }
    // CR LF, LF and a lone CR each end a line.
    bool crBeforeLf = c == '\r' && i + 1 < characters.size() && characters[i + 1].codePoint == '\n';
    if (c == '\n' || (c == '\r' && !crBeforeLf)) place = {place.line + 1, 0};
  }
  if (valid < utf8.size()) {
    findings->Add("is not UTF-8 at line " + std::to_string(place.line) + " column " +
                  std::to_string(place.column + 1) + "; save it as UTF-8, or give --info-cp437 for a code page 437 file");
  }
  return findings->count == 0;
}

// Line ends made CR LF; tabs, control characters and lines wider than the box refused.
std::string ShapeLines(const std::string& cp437, Findings* findings) {
  std::string text;
  Place place;
  for (size_t i = 0; i < cp437.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(cp437[i]);
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < cp437.size() && cp437[i + 1] == '\n') ++i;
      text += "\r\n";
      place = {place.line + 1, 0};
      continue;
    }
    if (++place.column == InfoColumns + 1)
      findings->Add("line " + std::to_string(place.line) + " is wider than the info box's " +
                    std::to_string(InfoColumns) + " columns; wrap it (fold -s -w 79)");
    if (c == '\t')
      findings->Add(place.Text() + ": a tab, which the info box does not expand; use blanks (expand)");
    else if (c < 0x20 || c == 0x7F)
      findings->Add(place.Text() + ": a control character; remove it");
    text += char(c);
  }
  return text;
}

}  // namespace

std::vector<uint8_t> CheckInfoText(const Input& info, bool cp437, Diagnostics* diagnostics) {
  std::vector<uint8_t> bytes;
  if (!ReadInputFile(info, InfoFileMaxBytes, &bytes, diagnostics)) return {};
  Findings findings = {info, diagnostics};
  std::string source(bytes.begin(), bytes.end()), converted;
  if (cp437) {
    converted = source;
  } else if (!FromUtf8(source, &converted, &findings)) {
    findings.Close();
    return {};
  }
  std::string text = ShapeLines(converted, &findings);
  if (text.size() > InfoTextMaxBytes)
    findings.Add("is " + WithThousands(text.size()) + " bytes with CR LF line ends; the installer takes " +
                 WithThousands(InfoTextMaxBytes) + " at most; shorten it");
  findings.Close();
  if (findings.count) return {};
  std::vector<uint8_t> result(text.begin(), text.end());
  result.push_back(0);
  return result;
}
