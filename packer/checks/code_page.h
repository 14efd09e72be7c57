// The info text's conversion through the system's own: glibc's iconv on Linux
// (code_page_posix.cpp), the platform's MultiByteToWideChar and WideCharToMultiByte on Windows
// (code_page_win.cpp). Both give the same bytes for the same text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One character of UTF-8 text: its code point and where its bytes lie.
struct Utf8Character {
  uint32_t codePoint;
  size_t at, length;
};

// The characters of UTF-8 text up to its first byte that is not UTF-8; `valid` gets the count
// of bytes decoded (the text's size when all of it is UTF-8). False when the system cannot
// convert UTF-8 at all.
bool DecodeUtf8(const std::string& text, std::vector<Utf8Character>* characters, size_t* valid);

// The code page 437 byte of a character; false when it has none of its own (no best-fit
// substitute is taken: "é" stays no "e").
bool ToCodePage437(uint32_t codePoint, char* byte);
