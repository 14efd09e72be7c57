// The few values that the user-interface thread and the render thread share. They are single
// bytes and one pointer, read and written whole, with no locks between the threads.
#pragma once
#include <atomic>
#include <cstdint>

// Start and stop handshake between the window and the render thread.
enum RenderStateValue : uint8_t {
  Idle = 0,           // no render thread yet
  Running = 1,        // fade-in over: frames are being drawn, the window can be dragged
  StopRequested = 2,  // the window wants the render thread to end
  Stopped = 3,        // the render thread has released everything and ended
  Starting = 4,       // render thread created, fade-in under way
};

// Which picture button the mouse is over: 0 none, 1 install, 2 info, 3 exit.
enum HotButtonValue : uint8_t { HotNone = 0, HotInstall = 1, HotInfo = 2, HotExit = 3 };

extern std::atomic<uint8_t> RenderState;
extern std::atomic<uint8_t> HotButton;
// The button that has the keyboard focus, as a HotButtonValue, once the focus is to be seen
// (after the first key press); HotNone until then. Drawn as the button under the mouse is.
extern std::atomic<uint8_t> FocusButton;
// Whole factor by which every pixel of the frame is shown on the screen (k x k physical
// pixels), from the window's DPI; 0 until the window has been created, which counts as 1.
extern std::atomic<uint8_t> PixelScale;
// NUL-terminated status line text, or null for none. A text once shown never changes, since a
// draw may still be reading it after the pointer has moved on.
extern std::atomic<const char*> StatusText;
