// UTF-8, the encoding in which zav-pack stores names and the installer's data carries texts,
// and UTF-16, the one in which the platform takes paths and texts.
#pragma once
#include <cstdint>

// The code point of the UTF-8 sequence at `text` and its length in bytes (1 to 4); 0 when the
// bytes there are no UTF-8: a stray continuation byte, a sequence cut short, an overlong form,
// a surrogate (U+D800 to U+DFFF) or a value past U+10FFFF. A NUL decodes as U+0000, length 1.
int DecodeUtf8(const char* text, uint32_t* codePoint);

// Characters (code points) of a NUL-terminated UTF-8 text; -1 when it is not UTF-8 throughout.
int CharacterCount(const char* text);

inline bool IsUtf8(const char* text) { return CharacterCount(text) >= 0; }

// Appends the NUL-terminated UTF-8 `text` as UTF-16 at `out`, which may write up to `end`
// (exclusive), and a NUL after it. Returns the position of that NUL; null, with the NUL put
// back at `out`, when the text is no UTF-8 or does not fit with its NUL.
char16_t* AppendUtf16(char16_t* out, const char16_t* end, const char* text);

// `pattern` with every `placeholder` ("{percent}") replaced by `value`, into `out` (`size` bytes
// with the NUL); false, with what fitted, when it does not fit.
bool FillPlaceholder(char* out, int size, const char* pattern, const char* placeholder, const char* value);
