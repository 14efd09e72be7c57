// The info dialog, built from template 101: one multi-line edit control holding the info text in
// the Terminal raster font. A timer scrolls it one line every 200 ms; the control is disabled so
// that it takes no input, and a press anywhere (the text included) reaches the dialog and ends it.
#include "shell/info_dialog.h"

#include "assets/program_data.h"
#include "common/shared_state.h"
#include "render/render_thread.h"

namespace {

constexpr int InfoEditId = 101;
constexpr UINT_PTR ScrollTimerId = 15;
constexpr UINT ScrollPeriodMs = 200;
constexpr COLORREF InfoTextColour = RGB(29, 65, 171);
// Posted to the dialog at its start, so that it arrives after the dialog manager's own start.
constexpr UINT ShowFirstLine = WM_APP;

HFONT InfoFont;

INT_PTR OnInitDialog(HWND dialog) {
  HWND edit = GetDlgItem(dialog, InfoEditId);
  InfoFont = CreateTerminalFont(8, 6);
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(InfoFont), FALSE);
  SetWindowTextA(edit, ProgramText(InfoTextEntry));
  SetTimer(dialog, ScrollTimerId, ScrollPeriodMs, nullptr);
  // The style bit is set directly rather than through EnableWindow: the control is not told,
  // so it keeps drawing in the edit colours below instead of the grey disabled look.
  SetWindowLongA(edit, GWL_STYLE, GetWindowLongA(edit, GWL_STYLE) | WS_DISABLED);
  PostMessageA(dialog, ShowFirstLine, 0, 0);
  return FALSE;  // no focus to set
}

// Some dialog managers hand the only control the focus when the dialog is shown, disabled or
// not, and select all of an edit control's text, which scrolls it to its last line. The text
// must start at its first line, so the selection is dropped and the view moved back to the top.
INT_PTR OnShowFirstLine(HWND dialog) {
  HWND edit = GetDlgItem(dialog, InfoEditId);
  SendMessageA(edit, EM_SETSEL, 0, 0);
  LRESULT firstVisible = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
  SendMessageA(edit, EM_LINESCROLL, 0, -firstVisible);
  return FALSE;
}

INT_PTR OnPaint(HWND dialog) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(dialog, &paint);
  RECT window;
  GetWindowRect(dialog, &window);
  SelectObject(dc, DialogBrush);
  Rectangle(dc, 0, 0, window.right - window.left, window.bottom - window.top);
  EndPaint(dialog, &paint);
  return FALSE;
}

INT_PTR OnEditColours(HDC dc) {
  SetTextColor(dc, InfoTextColour);
  SetBkColor(dc, RGB(0, 0, 0));
  return reinterpret_cast<INT_PTR>(DialogBrush);
}

INT_PTR CloseDialog(HWND dialog) {
  DeleteObject(InfoFont);
  InfoFont = nullptr;
  KillTimer(dialog, ScrollTimerId);
  HotButton.store(HotNone);
  EndDialog(dialog, 0);
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case ShowFirstLine:
      return OnShowFirstLine(dialog);
    case WM_TIMER:
      // Once the last line is in view the control scrolls no further; the text does not wrap.
      SendDlgItemMessageA(dialog, InfoEditId, EM_SCROLL, SB_LINEDOWN, 0);
      return FALSE;
    case WM_PAINT:
      return OnPaint(dialog);
    case WM_CTLCOLOREDIT:
      return OnEditColours(reinterpret_cast<HDC>(wParam));
    case WM_CLOSE:
    case WM_LBUTTONDOWN:
      return CloseDialog(dialog);
    default:
      return FALSE;
  }
}
