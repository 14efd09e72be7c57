// UTF-8, which zav-pack's shared code speaks, and UTF-16, which the platform's wide-character
// calls take; an unpaired surrogate is carried through as checks/utf16_names.h says.
#pragma once
#include <string>

std::wstring Widened(const std::string& utf8);
std::string Narrowed(const std::wstring& utf16);
std::string Narrowed(const wchar_t* utf16, size_t count);

// The system's text for an error code, in UTF-8, without its line end.
std::string SystemMessage(unsigned long error);
