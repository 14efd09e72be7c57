// The splash window's keys.
#pragma once
#include <windows.h>

// Carries out a key pressed on the splash window or one of its buttons (`alt` when it came
// with Alt); false for a key that is not the splash's, which then takes its usual way.
bool HandleSplashKey(HWND window, WPARAM key, bool alt);
