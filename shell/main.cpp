// Process entry: prepare the window class, open the splash window centred on the screen, and
// run the message loop until the window is gone. The program reads no command line.
#include <windows.h>

#include "assets/program_data.h"
#include "common/system_libraries.h"
#include "music/music_player.h"
#include "shell/info_dialog.h"
#include "shell/main_window.h"

HBRUSH DialogBrush;

namespace {

const char DamagedMessage[] =
    "This installer is damaged and cannot run. Please download it again.";

void RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_BYTEALIGNCLIENT;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(100));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  // No background brush: the system never erases the window, the render thread paints it all.
  windowClass.lpszClassName = WindowClassName;
  RegisterClassA(&windowClass);
}

void CreateMainWindow(HINSTANCE instance) {
  int x = (GetSystemMetrics(SM_CXSCREEN) - WindowWidth) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - WindowHeight) / 2;
  CreateWindowExA(0, WindowClassName, WindowClassName, WS_POPUP | WS_VISIBLE, x, y, WindowWidth,
                  WindowHeight, nullptr, nullptr, instance, nullptr);
}

}  // namespace

// The linker starts here (no C runtime start-up code is linked in).
extern "C" void __stdcall ZavEntry() {
  // Nothing can be shown without the user-interface libraries.
  if (!LoadSystemLibraries()) ExitProcess(1);
  // A damaged installer says so and ends, before it opens its window or writes anything.
  if (!FindProgramData()) {
    MessageBoxA(nullptr, DamagedMessage, WindowClassName, MB_OK | MB_ICONERROR);
    ExitProcess(2);
  }
  DialogBrush = CreateSolidBrush(0);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterWindowClass(instance);
  CreateMainWindow(instance);
  // A song that cannot be played leaves the program running silently.
  MusicPlay(ProgramData[SongEntry].bytes);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) != 0) DispatchMessageA(&message);
  // Whatever code the quit message carried, an orderly exit reports 0.
  ExitProcess(0);
}
