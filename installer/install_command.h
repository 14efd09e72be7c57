// The Install button's command, and the same install without a window.
#pragma once
#include <windows.h>

// Asks for a folder and extracts the program's cabinet into the subfolder that its data names,
// showing the progress and the outcome on the status line. Returns when all is done.
void InstallCommand(HWND window);

// True while an install extracts its files. The window keeps handling its messages meanwhile
// (between the cabinet's data blocks, so that the platform never takes it for hung), but its
// buttons must do nothing then.
bool InstallRunning();

// Asks a running install to stop before its next data block: the file under way is removed,
// the status says "Unknown error", and InstallCommand returns.
void StopInstall();

// Installs into the subfolder below `folder` (an absolute path, read as the platform reads
// paths: "." and ".." resolved, trailing dots and blanks dropped) with nothing shown. True when
// every file was installed.
bool InstallUnattended(const char16_t* folder);
