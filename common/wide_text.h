// The portable code's UTF-16 texts (char16_t) are what the platform's wide calls take.
#pragma once
#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the platform's wide characters are UTF-16 units");

inline LPWSTR Wide(char16_t* text) { return reinterpret_cast<LPWSTR>(text); }
inline LPCWSTR Wide(const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); }
