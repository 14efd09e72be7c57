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

// The buttons for the keyboard, by index 0 to 2 (Install, Info, Exit).
void PressButton(int index);  // runs its command, as a click does
void PressFocusedButton();
void MoveButtonFocus(int steps);  // forward round the three; 2 steps is one back
void ShowButtonFocus();           // from the first key press on, the focused button shows it
int ButtonWithAltKey(WPARAM key);  // the button whose name marks this letter, or -1
