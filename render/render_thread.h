// The render thread: it alone draws the splash window, from the first paint until the close.
#pragma once
#include <windows.h>

// Thread procedure; its argument is the main window's handle.
DWORD WINAPI RenderThreadMain(LPVOID window);
