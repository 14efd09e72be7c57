// UTF-8, which zav-pack's shared code speaks, and UTF-16, which the platform's wide-character
// calls take; an unpaired surrogate is carried through as checks/utf16_names.h says.
#pragma once
#include <string>

std::wstring Widened(const std::string& utf8);
std::string Narrowed(const std::wstring& utf16);
std::string Narrowed(const wchar_t* utf16, size_t count);

// A path as the file calls take it: full, and on a drive or share under the "\\?\" prefix, so
// that it may be longer than 259 characters whatever the system's long-path setting.
std::wstring SystemPath(const std::string& path);

// The system's text for an error code, in UTF-8, without its line end.
std::string SystemMessage(unsigned long error);
