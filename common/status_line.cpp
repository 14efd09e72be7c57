#include "common/status_line.h"

#include "common/shared_state.h"

const char MusicHint[] = "M: music off";

namespace {

constexpr DWORD ProgressAnnounceMs = 1000;

HWND StatusControl;
DWORD AnnouncedAt;

void Announce(const char* text) {
  AnnouncedAt = GetTickCount();
  if (!StatusControl) return;
  SetWindowTextA(StatusControl, text ? text : "");
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, StatusControl, OBJID_WINDOW, CHILDID_SELF);
}

}  // namespace

void SetStatusControl(HWND control) { StatusControl = control; }

void ShowStatus(const char* text, bool outcome) {
  StatusText.store(text);
  // A progress text held back here is followed by a later one, and at the end by the outcome.
  if (outcome || GetTickCount() - AnnouncedAt >= ProgressAnnounceMs) Announce(text);
}

void DismissMusicHint() {
  if (StatusText.load() == MusicHint) ShowStatus(nullptr, true);
}
