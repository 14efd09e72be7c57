// Names on Windows are sequences of UTF-16 units that need not pair up: the file system takes
// an unpaired surrogate, which is no Unicode. zav-pack's shared code takes names as UTF-8, so
// the Windows build carries such a unit in it as the three bytes that its value would take
// (ED A0..BF 80..BF): no UTF-8 reader takes them, so the name rules refuse the name and messages
// show the unit as \uHHHH, and the name still turns back into the same units for the file calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// `count` UTF-16 units as UTF-8, unpaired surrogates carried as described above.
std::string NameFromUtf16(const char16_t* units, size_t count);

// The units of a name made by NameFromUtf16 (or of any UTF-8 text); each byte that is part of
// neither becomes U+FFFD.
std::u16string Utf16FromName(const std::string& name);

// The unpaired surrogate carried at `at` in `name`: its unit, or 0 when there is none there.
char16_t CarriedSurrogate(const std::string& name, size_t at);
