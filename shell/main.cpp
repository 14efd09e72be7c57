// Process entry: read the command line; then either install without a window, or prepare the
// window class, open the splash window centred on the screen, and run the message loop until
// the window is gone.
#include <windows.h>

#include "assets/language_texts.h"
#include "assets/program_data.h"
#include "common/status_line.h"
#include "common/system_libraries.h"
#include "common/wide_text.h"
#include "installer/install_command.h"
#include "installer/utf8.h"
#include "music/music_player.h"
#include "shell/command_line.h"
#include "shell/info_dialog.h"
#include "shell/main_window.h"

HBRUSH DialogBrush;

namespace {

// Exit codes of the ends before the window opens.
enum ExitCode : UINT { ExitDone = 0, ExitFailed = 1, ExitUnusable = 2, ExitDamaged = 2 };

// A message box of one of the texts, in the user's language.
void ShowMessage(TextKey key, UINT icon) {
  // At most 1,000 characters, each at most two UTF-16 units.
  char16_t text[2 * MessageTextMaxCharacters + 1];
  AppendUtf16(text, text + sizeof text / sizeof *text, ShownText(key));
  MessageBoxW(nullptr, Wide(text), L"ZAV Installer", MB_OK | icon);
}

// The texts in the language that the command line names, else in the user's display language
// (not the locale's: a German living in France reads German), as the platform names it ("de-AT").
void ChooseTexts(const CommandLine& command) {
  const char* tag = command.language;
  wchar_t name[LOCALE_NAME_MAX_LENGTH];
  char userTag[LanguageTagMaxLength + 1] = {};
  if (!tag[0] && LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) > 0) {
    for (int i = 0; name[i] && name[i] < 0x80 && i < LanguageTagMaxLength; ++i) userTag[i] = char(name[i]);
    tag = userTag;
  }
  PickTexts(ProgramData[TextsEntry].bytes, ProgramData[TextsEntry].size, tag);
}

// Carries out a command that needs no window, and ends the process; returns for ShowWindow.
void RunWithoutWindow(const CommandLine& command) {
  switch (command.command) {
    case Command::ShowWindow:
      return;
    case Command::Unattended:
      ExitProcess(InstallUnattended(command.folder) ? ExitDone : ExitFailed);
    case Command::ShowUsage:
      ShowMessage(UsageKey, MB_ICONINFORMATION);
      ExitProcess(ExitDone);
    case Command::Unusable:
      // With /S nothing may wait for a click: the exit code alone says it.
      if (!command.silent) ShowMessage(UsageKey, MB_ICONERROR);
      ExitProcess(ExitUnusable);
  }
}

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

HWND CreateMainWindow(HINSTANCE instance) {
  int x = (GetSystemMetrics(SM_CXSCREEN) - WindowWidth) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - WindowHeight) / 2;
  return CreateWindowExA(0, WindowClassName, WindowClassName, WS_POPUP | WS_VISIBLE, x, y, WindowWidth,
                         WindowHeight, nullptr, nullptr, instance, nullptr);
}

// The title (the taskbar's text) names the author's product, in any script: it is stored as
// UTF-16 straight through the default handling, which an ANSI window would otherwise narrow to
// its code page. An installer whose data has no title keeps the class name as its title.
void SetWindowTitle(HWND window) {
  char16_t title[TitleMaxCharacters * 2 + 1];
  if (ProgramData[TitleEntry].size && AppendUtf16(title, title + sizeof title / sizeof *title, ProgramText(TitleEntry)))
    DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title));
}

}  // namespace

// The linker starts here (no C runtime start-up code is linked in).
extern "C" void __stdcall ZavEntry() {
  // Nothing can be shown or installed without the platform's libraries.
  if (!LoadSystemLibraries()) ExitProcess(ExitFailed);
  CommandLine command = ReadCommandLine(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  // A damaged installer says so (unless it was asked to show nothing) and ends, before it opens
  // its window or writes anything; in the user's language when its texts are whole.
  bool whole = FindProgramData();
  ChooseTexts(command);
  if (!whole) {
    if (!command.silent) ShowMessage(DamagedKey, MB_ICONERROR);
    ExitProcess(ExitDamaged);
  }
  RunWithoutWindow(command);
  DialogBrush = CreateSolidBrush(0);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterWindowClass(instance);
  SetWindowTitle(CreateMainWindow(instance));
  // A song that cannot be played leaves the program running silently, with no key to mention.
  if (!MusicPlay(ProgramData[SongEntry].bytes)) DismissMusicHint();

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) != 0) DispatchMessageA(&message);
  // Whatever code the quit message carried, an orderly exit reports 0.
  ExitProcess(0);
}
