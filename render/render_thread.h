// The render thread: it alone draws the splash window, from the first paint until the close.
#pragma once
#include <windows.h>

// Keeps what the screen shows in the window's place, at (x, y), for the fade-in to start from:
// the frame's size times `scale` in screen pixels. Called while the window is created, before
// it is first shown.
void CaptureScreenUnderWindow(int x, int y, int scale);

// The platform's Terminal raster font in cells of height x width pixels: the status line's
// font, and the info dialog's.
HFONT CreateTerminalFont(int height, int width);

// Thread procedure; its argument is the main window's handle.
DWORD WINAPI RenderThreadMain(LPVOID window);
