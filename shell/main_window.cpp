// Window procedure of the splash window and of its three picture buttons.
//
// The window and its buttons draw nothing themselves: the render thread paints every pixel,
// the buttons included. The buttons are real push buttons (owner-drawn, so that the platform
// draws nothing of them) so that keyboard users and screen readers find them, by name.
#include "shell/main_window.h"

#include <cstring>

#include "common/shared_state.h"
#include "common/status_line.h"
#include "installer/install_command.h"
#include "music/music_player.h"
#include "render/frame.h"
#include "render/render_thread.h"
#include "shell/info_dialog.h"
#include "shell/splash_keys.h"

const char WindowClassName[] = "ZAV Installer";

namespace {

// The controls sit exactly where the renderer draws the button pictures. The name is what
// accessibility aids read; the letter after the ampersand is the button's Alt key.
struct ButtonSlot {
  int id;
  uint8_t hotValue;
  const char* name;
};
constexpr ButtonSlot Buttons[ButtonCount] = {
    {InstallButtonId, HotInstall, "&Install"},
    {InfoButtonId, HotInfo, "&About"},
    {ExitButtonId, HotExit, "E&xit"},
};

HWND SplashWindow;
HWND ButtonWindow[ButtonCount];
WNDPROC ButtonClassProc;
int FocusIndex;   // the button that has the focus, or gets it back when the window does
bool FocusShown;  // the focus is not seen until the first key press, as the platform does it

int ButtonIndex(HWND control) {
  for (int i = 0; i < ButtonCount; ++i) {
    if (ButtonWindow[i] == control) return i;
  }
  return 0;
}

void PublishFocus(bool focused) {
  FocusButton.store(focused && FocusShown ? Buttons[FocusIndex].hotValue : uint8_t(HotNone));
}

// The real DPI of the window's monitor where the platform can tell it (Windows 10 and later),
// else the system's.
UINT WindowDpi(HWND window) {
  typedef UINT(WINAPI * DpiForWindow)(HWND);
  auto dpiForWindow = reinterpret_cast<DpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (dpiForWindow) return dpiForWindow(window);
  HDC screen = GetDC(nullptr);
  UINT dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// Every control's rectangle follows the frame's scale, so that clicks and hit tests land where
// the renderer draws.
void PlaceControls(int scale) {
  for (int i = 0; i < ButtonCount; ++i) {
    SetWindowPos(ButtonWindow[i], nullptr, ButtonLeft[i] * scale, ButtonTop * scale,
                 ButtonWidth * scale, ButtonHeight * scale, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void PlaceWindow(HWND window, int x, int y, int scale) {
  SetWindowPos(window, nullptr, x, y, FrameWidth * scale, FrameHeight * scale,
               SWP_NOZORDER | SWP_NOACTIVATE);
  PixelScale.store(static_cast<uint8_t>(scale));
  PlaceControls(scale);
}

// Zero-sized but visible: screen readers skip hidden controls.
void CreateStatusControl(HWND window, HINSTANCE instance) {
  // A control of wide text: it names the status in any script.
  SetStatusControl(CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0, 0,
                                   0, 0, window, nullptr, instance, nullptr));
  ShowMusicHint();
}

LRESULT OnCreate(HWND window, const CREATESTRUCTA* create) {
  SplashWindow = window;
  for (int i = 0; i < ButtonCount; ++i) {
    ButtonWindow[i] = CreateWindowExA(0, "BUTTON", Buttons[i].name,
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0,
                                      window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Buttons[i].id)),
                                      create->hInstance, nullptr);
    // Every BUTTON control has the same class procedure, so keeping the last one is enough.
    ButtonClassProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(ButtonWindow[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonProc)));
  }
  CreateStatusControl(window, create->hInstance);
  // Each pixel of the frame becomes a whole block of screen pixels, so pictures stay sharp.
  int scale = ScaleForDpi(WindowDpi(window));
  int x = (GetSystemMetrics(SM_CXSCREEN) - FrameWidth * scale) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - FrameHeight * scale) / 2;
  PlaceWindow(window, x, y, scale);
  // Still hidden here: the screen in the window's place is what the fade-in starts from.
  CaptureScreenUnderWindow(x, y, scale);
  return 0;
}

LRESULT OnDestroy() {
  MusicPlay(nullptr);
  PostQuitMessage(0);
  return 0;
}

// The first paint starts the render thread, which from then on draws the whole window. The
// window is left invalid, so a second paint follows at once and goes to the default handling.
LRESULT OnPaint(HWND window) {
  if (RenderState.load() != Idle) return DefWindowProcA(window, WM_PAINT, 0, 0);
  // Stored before the thread exists, so that its move from Starting to Running finds it.
  RenderState.store(Starting);
  HANDLE thread = CreateThread(nullptr, 0, RenderThreadMain, window, 0, nullptr);
  if (thread) {
    CloseHandle(thread);
  } else {
    // No thread will ever hand over Stopped; stay closable and undraggable.
    RenderState.store(Stopped);
  }
  return 0;
}

// The window itself never keeps the focus: it goes to the button that had it last.
LRESULT OnSetFocus() {
  SetFocus(ButtonWindow[FocusIndex]);
  return 0;
}

LRESULT OnHitTest(HWND window, WPARAM wParam, LPARAM lParam) {
  // Any hit test of the window itself means the mouse is off the buttons.
  HotButton.store(HotNone);
  LRESULT hit = DefWindowProcA(window, WM_NCHITTEST, wParam, lParam);
  // Once the fade-in is over, the whole background acts as a caption: a press drags the window.
  return RenderState.load() == Running ? HTCAPTION : hit;
}

LRESULT OnKey(HWND window, UINT message, WPARAM key, LPARAM lParam) {
  if (HandleSplashKey(window, key, message == WM_SYSKEYDOWN)) return 0;
  return DefWindowProcA(window, message, key, lParam);
}

// A close request that came while an install ran: it is carried out once the install has
// stopped, so that nothing is torn down under the decompressor.
bool CloseAfterInstall;

LRESULT OnClose(HWND window) {
  if (InstallRunning()) {
    StopInstall();
    CloseAfterInstall = true;
  } else {
    CloseSequence(window);
  }
  return 0;
}

LRESULT OnCommand(HWND window, WPARAM wParam) {
  // The buttons do nothing while an install runs (its messages are handled between blocks).
  if (InstallRunning()) return 0;
  DismissMusicHint();
  // Only the low byte names the command: the notification code is not looked at, so a
  // double-click runs the command as a click does.
  switch (wParam & 0xFF) {
    case InstallButtonId:
      InstallCommand(window);
      if (CloseAfterInstall) CloseSequence(window);
      break;
    case InfoButtonId:
      // Modal: its own message loop runs here while the render thread and the music go on.
      DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(InfoDialogTemplate), window,
                      InfoDialogProc, wParam);
      break;
    case ExitButtonId:
      CloseSequence(window);
      break;
    default:
      break;
  }
  return 0;
}

// The window moved to a monitor of another DPI: the suggested place, the frame's new scale.
LRESULT OnDpiChanged(HWND window, WPARAM wParam, const RECT* suggested) {
  PlaceWindow(window, suggested->left, suggested->top, ScaleForDpi(LOWORD(wParam)));
  return 0;
}

// The buttons' own messages.

LRESULT OnButtonPaint(HWND button) {
  PAINTSTRUCT paint;
  BeginPaint(button, &paint);
  EndPaint(button, &paint);
  return 0;
}

LRESULT OnButtonMouseMove(HWND button) {
  HotButton.store(Buttons[ButtonIndex(button)].hotValue);
  return 0;
}

// A press runs the command at once, where it is, so that a press that moves on before it is
// let go (a drag begun on a button) still runs it and never moves the window.
LRESULT OnButtonPress(HWND button) {
  PressButton(ButtonIndex(button));
  return 0;
}

LRESULT OnButtonFocus(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS) FocusIndex = ButtonIndex(button);
  PublishFocus(message == WM_SETFOCUS);
  return CallWindowProcA(ButtonClassProc, button, message, wParam, lParam);
}

LRESULT OnButtonKey(HWND button, UINT message, WPARAM key, LPARAM lParam) {
  if (HandleSplashKey(SplashWindow, key, message == WM_SYSKEYDOWN)) return 0;
  return CallWindowProcA(ButtonClassProc, button, message, key, lParam);
}

}  // namespace

void PressButton(int index) {
  SendMessageA(SplashWindow, WM_COMMAND, MAKEWPARAM(Buttons[index].id, BN_CLICKED),
               reinterpret_cast<LPARAM>(ButtonWindow[index]));
}

void PressFocusedButton() { PressButton(FocusIndex); }

int ButtonWithAltKey(WPARAM key) {
  for (int i = 0; i < ButtonCount; ++i) {
    const char* marked = strchr(Buttons[i].name, '&');
    // Key codes of letters are the capitals.
    if (marked && WPARAM(marked[1] & ~0x20) == key) return i;
  }
  return -1;
}

void MoveButtonFocus(int steps) { SetFocus(ButtonWindow[(FocusIndex + steps) % ButtonCount]); }

void ShowButtonFocus() {
  if (FocusShown) return;
  FocusShown = true;
  PublishFocus(GetFocus() == ButtonWindow[FocusIndex]);
}

void CloseSequence(HWND window) {
  // Before the first paint (or when the thread could not be created) there is no render thread
  // to hand over Stopped, so the wait would last for ever. Paints arrive on this thread too, so
  // no render thread can start between this test and the DestroyWindow below.
  uint8_t state = RenderState.load();
  if (state == Idle || state == Stopped) {
    RenderState.store(Stopped);
  } else {
    RenderState.store(StopRequested);
    while (RenderState.load() != Stopped) {
      // The render thread releases its surfaces and then stores Stopped.
    }
  }
  DestroyWindow(window);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_DESTROY:
      return OnDestroy();
    case WM_PAINT:
      return OnPaint(window);
    case WM_CLOSE:
      return OnClose(window);
    case WM_SETFOCUS:
      return OnSetFocus();
    case WM_NCHITTEST:
      return OnHitTest(window, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return OnKey(window, message, wParam, lParam);
    case WM_COMMAND:
      return OnCommand(window, wParam);
    case WM_DPICHANGED:
      return OnDpiChanged(window, wParam, reinterpret_cast<const RECT*>(lParam));
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      return OnButtonPaint(window);
    case WM_ERASEBKGND:
      // Erased by nobody: the class's face colour would show until the renderer's next frame.
      return TRUE;
    case WM_MOUSEMOVE:
      return OnButtonMouseMove(window);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return OnButtonPress(window);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return OnButtonFocus(window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return OnButtonKey(window, message, wParam, lParam);
    default:
      return CallWindowProcA(ButtonClassProc, window, message, wParam, lParam);
  }
}
