// The status line: what the render thread draws under the scroller, and the same text as the
// name of a control of the splash window, where screen readers find it and hear it change.
#pragma once
#include <windows.h>


// The control that carries the text (created by the window); until then only the line shows.
void SetStatusControl(HWND control);

// Shows `text` (UTF-8, constant, or never written again once shown; null for none) on the status
// line and in the control. The text is announced to accessibility aids at once when `outcome`
// is set, otherwise (progress) at most once a second, so that a screen reader is not flooded;
// the line itself changes at once either way. Called on the window's thread only.
void ShowStatus(const char* text, bool outcome);

// The hint that M stops the music, in the user's language: shown from the end of the fade-in
// until the first key, click or install.
void ShowMusicHint();

// Removes the music hint, if it is still shown.
void DismissMusicHint();
