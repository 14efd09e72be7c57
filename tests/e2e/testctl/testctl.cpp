// zav-testctl: the end-to-end tests' own eyes and hands inside Wine.
//
// The tests drive the installer from Linux (X display, xdotool), but some facts live only
// on the Windows side: the window's style bits, its client rectangle, the child controls'
// ids, and messages such as WM_CLOSE. This console program finds the installer's window
// by its class and prints or posts what the test asks for, one subcommand per call.
//
// Output is one fact per line, "name value value ...", numbers in decimal except styles
// (hexadecimal with 0x), so a test can split lines on blanks.
//
// Exit codes: 0 done, 1 no such window (or it did not appear / go away in time),
// 2 bad command line, 3 the call itself failed (or the tone did not finish playing).
// The last line on stderr, "zav-testctl: COMMAND ends with CODE", is written once the work is
// over, so that the harness tells a crash of the process's shutdown from one of the work.
// A program that outlives a timed close is a fact to report ("exit-code running"), not a failure
// of the call.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/e2e/testctl/testctl.h"

const char WindowClass[] = "ZAV Installer";

HWND FindMainWindow() { return FindWindowA(WindowClass, NULL); }

void PrintRect(const char* name, RECT r) {
  printf("%s %ld %ld %ld %ld\n", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Numbers on the command line may be decimal, hexadecimal (0x...) or negative.
LONG_PTR ParseNumber(const char* text) { return (LONG_PTR)strtoll(text, NULL, 0); }

struct ProgramWindowSearch {
  DWORD processId;
  HWND main;
  bool (*matches)(HWND window);
  HWND found;
};

static BOOL CALLBACK VisitProgramWindow(HWND window, LPARAM param) {
  ProgramWindowSearch* search = (ProgramWindowSearch*)param;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->processId || window == search->main || !IsWindowVisible(window) ||
      !search->matches(window))
    return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindProgramWindow(HWND main, bool (*matches)(HWND window)) {
  ProgramWindowSearch search = {0, main, matches, NULL};
  GetWindowThreadProcessId(main, &search.processId);
  EnumWindows(VisitProgramWindow, (LPARAM)&search);
  return search.found;
}

BITMAPINFO TopDownBitmapInfo(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// Prints "window X Y W H" and "client X Y W H" in screen coordinates, then the window's
// and its class's styles: a window without a frame has equal rectangles.
int PrintMainRect() {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  MapWindowPoints(window, NULL, (POINT*)&client, 2);
  PrintRect("window", outer);
  PrintRect("client", client);
  printf("style 0x%08lx\n", (unsigned long)GetWindowLongA(window, GWL_STYLE));
  printf("exstyle 0x%08lx\n", (unsigned long)GetWindowLongA(window, GWL_EXSTYLE));
  printf("classstyle 0x%08lx\n", (unsigned long)GetClassLongA(window, GCL_STYLE));
  printf("visible %d\n", IsWindowVisible(window) ? 1 : 0);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  printf("pid %lu\n", (unsigned long)processId);
  return Done;
}

static BOOL CALLBACK PrintChild(HWND child, LPARAM parent) {
  if (GetParent(child) != (HWND)parent) return TRUE;  // only direct children
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(NULL, (HWND)parent, (POINT*)&r, 2);
  char className[64], text[512] = "";
  wchar_t wide[256] = L"";
  GetClassNameA(child, className, sizeof className);
  // In UTF-8: the status control's text may be in any script.
  GetWindowTextW(child, wide, 256);
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, NULL, NULL);
  printf("button %d %ld %ld %ld %ld 0x%08lx %s %s\n", GetDlgCtrlID(child), r.left, r.top,
         r.right - r.left, r.bottom - r.top, (unsigned long)GetWindowLongA(child, GWL_STYLE),
         className, text);
  return TRUE;
}

// One line per direct child: "button ID X Y W H STYLE CLASS TEXT", position in client
// coordinates; the text (what a screen reader reads, UTF-8) may hold blanks or be empty.
int PrintButtons() {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  EnumChildWindows(window, PrintChild, (LPARAM)window);
  return Done;
}

// "focus ID": the control of the window's thread that has the keyboard focus, 0 for none.
int PrintFocus() {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info)) return Failed;
  printf("focus %d\n", info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0);
  return Done;
}

// The system's "show animations" switch, kept in the user's settings.
int SetAnimations(int on) {
  return SystemParametersInfoA(SPI_SETCLIENTAREAANIMATION, 0, (void*)(INT_PTR)on,
                               SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) ? Done : Failed;
}

int PostToMain(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  return PostMessageA(window, message, wParam, lParam) ? Done : Failed;
}

// Sends and prints "result N"; the time-out keeps a hung window from hanging the test.
int SendToMain(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result))
    return Failed;
  printf("result %lld\n", (long long)(LONG_PTR)result);
  return Done;
}

// For `seconds`, sends the window an empty message again and again and prints "longest-ms N":
// the longest it took to be handled, i.e. the longest time the window handled no messages (the
// platform calls a window that handles none for 5 s "Not Responding").
int MeasureResponsiveness(double seconds) {
  HWND window = FindMainWindow();
  if (!window) return NotFound;
  DWORD end = GetTickCount() + (DWORD)(seconds * 1000), longest = 0;
  while ((LONG)(GetTickCount() - end) < 0) {
    DWORD sent = GetTickCount();
    DWORD_PTR result;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result)) break;
    if (GetTickCount() - sent > longest) longest = GetTickCount() - sent;
    Sleep(5);
  }
  printf("longest-ms %lu\n", (unsigned long)longest);
  return Done;
}

// Polls every 50 ms until the window's presence equals `present` or the time is up.
int WaitFor(bool present, double seconds) {
  DWORD deadline = GetTickCount() + (DWORD)(seconds * 1000);
  for (;;) {
    if ((FindMainWindow() != NULL) == present) return Done;
    if ((LONG)(GetTickCount() - deadline) >= 0) return NotFound;
    Sleep(50);
  }
}

static int PrintUsage() {
  fprintf(stderr,
          "usage: zav-testctl COMMAND\n"
          "  rect                   window and client rectangles, styles, process id\n"
          "  buttons                child controls: id, rectangle, style, class, text\n"
          "  focus                  id of the control with the keyboard focus\n"
          "  animations 0|1         turn the system's animations off or on\n"
          "  close                  post WM_CLOSE\n"
          "  post MSG WPARAM LPARAM post any message\n"
          "  send MSG WPARAM LPARAM send any message, print its result\n"
          "  wait-shown SECONDS     wait until the window exists\n"
          "  wait-gone SECONDS      wait until the window no longer exists\n"
          "  responsiveness SECONDS the longest time the window took to handle a message\n"
          "  tone SECONDS           play a 441 Hz tone through the wave mapper (no window needed)\n"
          "  race-post MSG WPARAM LPARAM SECONDS\n"
          "                         wait for the window, post at once, time the process's end\n"
          "  post-wait MSG WPARAM LPARAM SECONDS\n"
          "                         hit-test the background, post, time the process's end\n"
          "  decode JPEG OUT        write a JPEG's pixels as the platform decodes them\n"
          "  dialogs                the program's other visible top-level windows\n"
          "  close-dialogs          post WM_CLOSE to each of them\n"
          "  info-dialog            the info dialog: rectangles, first visible line, styles\n"
          "  browser                the folder browser: rectangles of it and its buttons, prompt\n"
          "  browser-select PATH    open the browser's tree down to a folder (Q:\\ or Q:\\A\\B), select it\n"
          "  browser-press ok|cancel  press one of the browser's buttons\n"
          "  status-layout          addresses of the status texts and the writable sections\n"
          "  text-mask TEXT         where the status line draws a text\n"
          "  run HEX                start a program, its command line four hex digits per UTF-16\n"
          "                         unit; ends with its exit code\n");
  return Usage;
}

int main(int argc, char** argv) {
  if (argc < 2) return PrintUsage();
  const char* command = argv[1];
  int rest = argc - 2;
  if (!strcmp(command, "run") && rest == 1) return RunCommandLine(argv[2]);  // its own exit code
  int code = Usage;
  if (!strcmp(command, "rect") && rest == 0) code = PrintMainRect();
  else if (!strcmp(command, "buttons") && rest == 0) code = PrintButtons();
  else if (!strcmp(command, "focus") && rest == 0) code = PrintFocus();
  else if (!strcmp(command, "animations") && rest == 1) code = SetAnimations(atoi(argv[2]));
  else if (!strcmp(command, "close") && rest == 0) code = PostToMain(WM_CLOSE, 0, 0);
  else if (!strcmp(command, "post") && rest == 3)
    code = PostToMain((UINT)ParseNumber(argv[2]), (WPARAM)ParseNumber(argv[3]), ParseNumber(argv[4]));
  else if (!strcmp(command, "send") && rest == 3)
    code = SendToMain((UINT)ParseNumber(argv[2]), (WPARAM)ParseNumber(argv[3]), ParseNumber(argv[4]));
  else if (!strcmp(command, "wait-shown") && rest == 1) code = WaitFor(true, atof(argv[2]));
  else if (!strcmp(command, "wait-gone") && rest == 1) code = WaitFor(false, atof(argv[2]));
  else if (!strcmp(command, "responsiveness") && rest == 1) code = MeasureResponsiveness(atof(argv[2]));
  else if (!strcmp(command, "tone") && rest == 1) code = PlayTone(atoi(argv[2]));
  else if (!strcmp(command, "race-post") && rest == 4)
    code = RacePost((UINT)ParseNumber(argv[2]), (WPARAM)ParseNumber(argv[3]), ParseNumber(argv[4]),
                    atof(argv[5]));
  else if (!strcmp(command, "post-wait") && rest == 4)
    code = PostAndWait((UINT)ParseNumber(argv[2]), (WPARAM)ParseNumber(argv[3]),
                       ParseNumber(argv[4]), atof(argv[5]));
  else if (!strcmp(command, "decode") && rest == 2) code = DecodeJpeg(argv[2], argv[3]);
  else if (!strcmp(command, "dialogs") && rest == 0) code = ListDialogs(false);
  else if (!strcmp(command, "close-dialogs") && rest == 0) code = ListDialogs(true);
  else if (!strcmp(command, "info-dialog") && rest == 0) code = PrintInfoDialog();
  else if (!strcmp(command, "browser") && rest == 0) code = PrintBrowser();
  else if (!strcmp(command, "browser-select") && rest == 1) code = SelectFolder(argv[2]);
  else if (!strcmp(command, "browser-press") && rest == 1) code = PressBrowserButton(argv[2]);
  else if (!strcmp(command, "status-layout") && rest == 0) code = PrintStatusLayout();
  else if (!strcmp(command, "text-mask") && rest == 1) code = PrintTextMask(argv[2]);
  else return PrintUsage();
  if (code == NotFound && !strcmp(command, "wait-gone"))
    fprintf(stderr, "zav-testctl: the window of class \"%s\" is still there\n", WindowClass);
  else if (code == NotFound)
    fprintf(stderr, "zav-testctl: no window of class \"%s\"\n", WindowClass);
  else if (code == Usage)
    return PrintUsage();
  if (code == Failed) fprintf(stderr, "zav-testctl: %s failed (error %lu)\n", command, GetLastError());
  fflush(stdout);
  fprintf(stderr, "zav-testctl: %s ends with %d\n", command, code);
  fflush(stderr);
  // After the tone the wave-out device is closed, but Wine's audio threads of the process live
  // on, and an orderly exit detaches the audio libraries while the process's end may still be
  // taking those threads down, which a busy machine stretches (a helper once died of a signal
  // there). Ending the process at once leaves no library to detach under them.
  if (!strcmp(command, "tone")) TerminateProcess(GetCurrentProcess(), (UINT)code);
  return code;
}
