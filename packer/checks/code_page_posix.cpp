// The info text's conversion on Linux: glibc's iconv, one character at a time for code page 437
// so that the one that has no form there is known.
#include <iconv.h>

#include <cerrno>

#include "packer/checks/code_page.h"

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(descriptor_);
  }
  bool ok() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as it can; the count of input bytes used.
  size_t Convert(const char* in, size_t count, std::string* out) {
    char* from = const_cast<char*>(in);
    size_t left = count;
    char buffer[256];
    while (left > 0) {
      char* to = buffer;
      size_t room = sizeof buffer;
      size_t result = iconv(descriptor_, &from, &left, &to, &room);
      out->append(buffer, to);
      if (result == size_t(-1) && errno != E2BIG) break;
    }
    return count - left;
  }

 private:
  iconv_t descriptor_;
};

// The byte count of a UTF-8 sequence by its lead byte (of text already known to be UTF-8).
size_t SequenceLength(unsigned char lead) { return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

}  // namespace

bool DecodeUtf8(const std::string& text, std::vector<Utf8Character>* characters, size_t* valid) {
  Converter toCodePoints("UTF-32LE", "UTF-8");
  if (!toCodePoints.ok()) return false;
  std::string codePoints;
  *valid = toCodePoints.Convert(text.data(), text.size(), &codePoints);
  size_t at = 0;
  for (size_t i = 0; i + 4 <= codePoints.size(); i += 4) {
    const unsigned char* c = reinterpret_cast<const unsigned char*>(codePoints.data()) + i;
    size_t length = SequenceLength(static_cast<unsigned char>(text[at]));
    characters->push_back({uint32_t(c[0] | c[1] << 8 | c[2] << 16 | uint32_t(c[3]) << 24), at, length});
    at += length;
  }
  return true;
}

bool ToCodePage437(uint32_t codePoint, char* byte) {
  static Converter toCp437("IBM437", "UTF-32LE");
  char in[4] = {char(codePoint), char(codePoint >> 8), char(codePoint >> 16), char(codePoint >> 24)};
  std::string out;
  if (!toCp437.ok() || toCp437.Convert(in, 4, &out) != 4 || out.size() != 1) return false;
  *byte = out[0];
  return true;
}
