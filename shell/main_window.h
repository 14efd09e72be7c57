// The splash window: its class, its window procedure and the orderly shutdown.
#pragma once
#include <windows.h>

constexpr int WindowWidth = 416;
constexpr int WindowHeight = 180;
extern const char WindowClassName[];  // also the window's title

// Control ids of the three picture buttons, left to right.
enum ButtonId { InstallButtonId = 10, InfoButtonId = 11, ExitButtonId = 12 };

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CloseSequence(HWND window);
