#include "common/status_line.h"

#include "assets/language_texts.h"
#include "common/shared_state.h"
#include "common/wide_text.h"
#include "installer/utf8.h"

namespace {

constexpr DWORD ProgressAnnounceMs = 1000;

HWND StatusControl;
DWORD AnnouncedAt;

void Announce(const char* text) {
  AnnouncedAt = GetTickCount();
  if (!StatusControl) return;
  // A status text has at most 35 characters, each at most two UTF-16 units.
  char16_t wide[2 * StatusTextMaxCharacters + 1] = {};
  if (text) AppendUtf16(wide, wide + sizeof wide / sizeof *wide, text);
  SetWindowTextW(StatusControl, Wide(wide));
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, StatusControl, OBJID_WINDOW, CHILDID_SELF);
}

}  // namespace

void SetStatusControl(HWND control) { StatusControl = control; }

void ShowStatus(const char* text, bool outcome) {
  StatusText.store(text);
  // A progress text held back here is followed by a later one, and at the end by the outcome.
  if (outcome || GetTickCount() - AnnouncedAt >= ProgressAnnounceMs) Announce(text);
}

void ShowMusicHint() { ShowStatus(ShownText(MusicKey), true); }

void DismissMusicHint() {
  if (StatusText.load() == ShownText(MusicKey)) ShowStatus(nullptr, true);
}
