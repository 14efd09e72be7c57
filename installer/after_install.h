// What an installer does once its files are in place, as its author asked: start a file of the
// payload (a program, or a document through the program associated with it), and open the
// installed folder in the file manager.
#pragma once
#include <windows.h>

// Starts what the data asks for after an install into InstallRoot; false when it asks for
// nothing. The file runs with the user's own rights, in the folder that holds it.
bool StartAfterInstall(HWND window);
