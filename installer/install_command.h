// The Install button's command.
#pragma once
#include <windows.h>

// Asks for a folder and extracts the embedded cabinet into its "ZAVInstaller" subfolder,
// showing the progress and the outcome on the status line. Returns when all is done.
void InstallCommand(HWND window);
