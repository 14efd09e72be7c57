// The info dialog: the info text scrolling upward by itself, blue on black, until a click.
#pragma once
#include <windows.h>

constexpr int InfoDialogTemplate = 101;

extern HBRUSH DialogBrush;  // black; created at start-up, never deleted

INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
