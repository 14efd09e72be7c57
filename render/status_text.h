// The status line's text as it is drawn: in the Terminal font's own code page 437 when every
// character has a place there (as the English texts and most Western ones do), otherwise as
// UTF-16 in the system's UI font, read right to left for the scripts written that way.
#pragma once

// Room for a status text of 35 characters: one byte each in code page 437, up to two UTF-16
// units each, and the NUL.
constexpr int StatusTerminalSize = 36;
constexpr int StatusWideSize = 71;

struct StatusDrawing {
  bool terminal;      // drawn in the Terminal font from `bytes`, else from `wide`
  bool rightToLeft;   // Hebrew, Arabic and the scripts written with theirs
  char bytes[StatusTerminalSize];
  char16_t wide[StatusWideSize];
};

// How the UTF-8 `text` is drawn: a status text as the checks take it (at most 35 characters).
// Of another, the Terminal font draws what it holds of the first 35 characters, and the UI font
// nothing.
void FormStatusDrawing(const char* text, StatusDrawing* drawing);
