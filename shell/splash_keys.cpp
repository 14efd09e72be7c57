// The splash's keys, as a dialog's: Tab and Shift+Tab go round the buttons, Enter presses the
// focused one (Space too, which the button class itself handles), Escape and Alt+F4 close as
// the close message does (stopping an install first), Alt with a button's marked letter
// presses it, and M turns the music off and on.
#include "shell/splash_keys.h"

#include "common/status_line.h"
#include "music/music_player.h"
#include "render/frame.h"
#include "shell/main_window.h"

namespace {

constexpr WPARAM MusicKey = 'M';

bool HandleAltKey(HWND window, WPARAM key) {
  if (key == VK_F4) {
    SendMessageA(window, WM_CLOSE, 0, 0);
    return true;
  }
  int button = ButtonWithAltKey(key);
  if (button < 0) return false;
  PressButton(button);
  return true;
}

}  // namespace

bool HandleSplashKey(HWND window, WPARAM key, bool alt) {
  ShowButtonFocus();
  DismissMusicHint();
  if (alt) return HandleAltKey(window, key);
  switch (key) {
    case VK_TAB:
      MoveButtonFocus(GetKeyState(VK_SHIFT) < 0 ? ButtonCount - 1 : 1);
      return true;
    case VK_RETURN:
      PressFocusedButton();
      return true;
    case VK_ESCAPE:
      SendMessageA(window, WM_CLOSE, 0, 0);
      return true;
    case MusicKey:
      SwitchMusic();
      return true;
    default:
      return false;
  }
}
