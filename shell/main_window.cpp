// Window procedure of the splash window and of its three picture buttons.
//
// The window and its buttons draw nothing themselves: the render thread paints every pixel,
// the buttons included, so the controls exist only to catch the mouse.
#include "shell/main_window.h"

#include "installer/install_command.h"
#include "music/music_player.h"
#include "render/frame.h"
#include "render/render_thread.h"
#include "shell/info_dialog.h"
#include "common/shared_state.h"

const char WindowClassName[] = "ZAV Installer";

namespace {

// The controls sit exactly where the renderer draws the button pictures.
struct ButtonSlot {
  int id;
  uint8_t hotValue;
};
constexpr ButtonSlot Buttons[ButtonCount] = {
    {InstallButtonId, HotInstall},
    {InfoButtonId, HotInfo},
    {ExitButtonId, HotExit},
};

HWND ButtonWindow[ButtonCount];
WNDPROC StaticClassProc;

LRESULT OnCreate(HWND window, const CREATESTRUCTA* create) {
  // Still hidden here: the screen in the window's place is what the fade-in starts from.
  CaptureScreenUnderWindow(create->x, create->y);
  for (int i = 0; i < ButtonCount; ++i) {
    ButtonWindow[i] = CreateWindowExA(0, "STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_NOTIFY,
                                      ButtonLeft[i], ButtonTop, ButtonWidth, ButtonHeight, window,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(Buttons[i].id)),
                                      create->hInstance, nullptr);
    // Every STATIC control has the same class procedure, so keeping the last one is enough.
    StaticClassProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(ButtonWindow[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonProc)));
  }
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

LRESULT OnHitTest(HWND window, WPARAM wParam, LPARAM lParam) {
  // Any hit test of the window itself means the mouse is off the buttons.
  HotButton.store(HotNone);
  LRESULT hit = DefWindowProcA(window, WM_NCHITTEST, wParam, lParam);
  // Once the fade-in is over, the whole background acts as a caption: a press drags the window.
  return RenderState.load() == Running ? HTCAPTION : hit;
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

}  // namespace

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
    case WM_NCHITTEST:
      return OnHitTest(window, wParam, lParam);
    case WM_COMMAND:
      return OnCommand(window, wParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_MOUSEMOVE:
      for (int i = 0; i < ButtonCount; ++i) {
        if (ButtonWindow[i] == window) HotButton.store(Buttons[i].hotValue);
      }
      return 0;
    default:
      return CallWindowProcA(StaticClassProc, window, message, wParam, lParam);
  }
}
