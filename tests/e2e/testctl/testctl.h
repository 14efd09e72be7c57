// zav-testctl: the commands, one file per concern, and what they share.
#pragma once
#include <windows.h>

// Class (and title) of the installer's main window.
extern const char WindowClass[];

// 0 done, 1 no such window (or it did not appear / go away in time), 2 bad command line,
// 3 the call itself failed.
enum ExitCode { Done = 0, NotFound = 1, Usage = 2, Failed = 3 };

HWND FindMainWindow();
// "NAME X Y W H".
void PrintRect(const char* name, RECT r);
// Decimal, hexadecimal (0x...) or negative.
LONG_PTR ParseNumber(const char* text);
// The first visible top-level window of the process that owns `main`, other than `main`, for
// which `matches` holds; null when there is none.
HWND FindProgramWindow(HWND main, bool (*matches)(HWND window));
// The header of a 32-bit device-independent bitmap with rows top-down.
BITMAPINFO TopDownBitmapInfo(int width, int height);

// The main window (testctl.cpp).
int PrintMainRect();
int PrintButtons();
int PostToMain(UINT message, WPARAM wParam, LPARAM lParam);
int SendToMain(UINT message, WPARAM wParam, LPARAM lParam);
int WaitFor(bool present, double seconds);
int MeasureResponsiveness(double seconds);

// A known tone (testctl_tone.cpp).
int PlayTone(int seconds);

// The dialogs the buttons open (testctl_dialogs.cpp).
int ListDialogs(bool close);
int PrintInfoDialog();

// Closing at a chosen moment (testctl_closing.cpp).
int RacePost(UINT message, WPARAM wParam, LPARAM lParam, double seconds);
int PostAndWait(UINT message, WPARAM wParam, LPARAM lParam, double seconds);

// Reference pictures (testctl_pictures.cpp).
int DecodeJpeg(const char* path, const char* out);

// The folder browser and the status line (testctl_install.cpp).
int PrintBrowser();
int SelectFolder(const char* path);
int PressBrowserButton(const char* name);
int PrintStatusLayout();
int PrintTextMask(const char* text);

// Another program, its command line given as four hex digits per UTF-16 unit (testctl_run.cpp):
// its exit code, or Failed when it cannot be started.
int RunCommandLine(const char* hex);
