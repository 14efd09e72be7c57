#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <string>

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

// One conversion of glibc's iconv; characters are handed over one at a time, so that the one
// that fails is known.
class Converter {
 public:
  Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
  ~Converter() {
    if (descriptor_ != reinterpret_cast<iconv_t>(-1)) iconv_close(descriptor_);
  }
  bool ok() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as it can; the count of input bytes used.
  size_t Convert(const std::string& in, std::string* out) {
    char* from = const_cast<char*>(in.data());
    size_t left = in.size();
    char buffer[256];
    while (left > 0) {
      char* to = buffer;
      size_t room = sizeof buffer;
      size_t result = iconv(descriptor_, &from, &left, &to, &room);
      out->append(buffer, to);
      if (result == size_t(-1) && errno != E2BIG) break;
    }
    return in.size() - left;
  }

 private:
  iconv_t descriptor_;
};

uint32_t CodePoint(const std::string& utf32, size_t index) {
  const unsigned char* c = reinterpret_cast<const unsigned char*>(utf32.data()) + 4 * index;
  return c[0] | c[1] << 8 | c[2] << 16 | uint32_t(c[3]) << 24;
}

// UTF-8 to code page 437, every character that has no form there refused with its place.
bool FromUtf8(const std::string& utf8, std::string* cp437, Findings* findings) {
  Converter toCodePoints("UTF-32LE", "UTF-8"), toCp437("IBM437", "UTF-32LE"), toUtf8("UTF-8", "UTF-32LE");
  if (!toCodePoints.ok() || !toCp437.ok() || !toUtf8.ok()) {
    findings->Add("cannot be converted: this system's iconv lacks UTF-8 or IBM437");
    return false;
  }
  std::string codePoints;
  size_t valid = toCodePoints.Convert(utf8, &codePoints);
  Place place;
  size_t count = codePoints.size() / 4;
  for (size_t i = 0; i < count; ++i) {
    uint32_t c = CodePoint(codePoints, i);
    if (i == 0 && c == ByteOrderMark) continue;
    ++place.column;
    std::string character = codePoints.substr(4 * i, 4);
    if (toCp437.Convert(character, cp437) != 4) {
      std::string shown;
      toUtf8.Convert(character, &shown);
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", c);
      findings->Add(place.Text() + ": '" + shown + "' (" + code + ") has no form in code page 437; replace it");
    }
    // CR LF, LF and a lone CR each end a line.
    if (c == '\n' || (c == '\r' && (i + 1 == count || CodePoint(codePoints, i + 1) != '\n'))) place = {place.line + 1, 0};
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
