// The render thread: decode the pictures, capture the screen under the window, cross-fade to
// the background, then draw frames (fire, scroller, status line, button fades) every 10 ms until
// the window asks it to stop.
//
// Whatever cannot be created is done without: the thread always reaches its teardown and
// stores Stopped, because the window waits for that without a time limit.
#include "render/render_thread.h"

#include "assets/program_data.h"
#include "render/button_fade.h"
#include "render/fade_in.h"
#include "render/fire.h"
#include "render/frame.h"
#include "render/picture.h"
#include "render/scroller.h"
#include "common/shared_state.h"

namespace {

constexpr DWORD FadeInStepSleepMs = 3;
constexpr DWORD FrameSleepMs = 10;

// Everything the thread holds while it runs; released in one place.
struct Surfaces {
  HDC windowDc;
  Pixel* backgroundPixels;
  Pixel* buttonPixels[ButtonCount];
  HBITMAP captureSurface;
  Pixel* captureBits;
  HDC frameDc;
  HBITMAP frameBuffer;
  Pixel* frameBits;
  HDC stripDc;
  HBITMAP scrollStrip;
  HFONT statusFont;
};

Surfaces S;

// A top-down device-independent bitmap section of the given size and depth.
HBITMAP CreateSurface(HDC dc, int width, int height, WORD bitCount, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitCount;
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  if (!bitmap) *bits = nullptr;
  return bitmap;
}

void DecodePictures() {
  const DataBlock& background = ProgramData[BackgroundEntry];
  S.backgroundPixels = DecodePicture(background.bytes, background.size, FrameWidth, FrameHeight);
  // The buttons' entries follow each other in the order of the buttons.
  for (int i = 0; i < ButtonCount; ++i) {
    const DataBlock& picture = ProgramData[InstallButtonEntry + i];
    S.buttonPixels[i] = DecodePicture(picture.bytes, picture.size, ButtonWidth, ButtonHeight);
  }
  // Without its picture the splash still fades to a black background and burns.
  if (!S.backgroundPixels)
    S.backgroundPixels = static_cast<Pixel*>(GlobalAlloc(GPTR, FramePixels * sizeof(Pixel)));
}

// Copies what `source` shows at (x, y) into a new CaptureSurface, unless one was taken already.
void Capture(HDC source, int x, int y) {
  if (S.captureSurface) return;
  HDC captureDc = CreateCompatibleDC(source);
  void* bits;
  S.captureSurface = CreateSurface(captureDc, FrameWidth, FrameHeight, 32, &bits);
  S.captureBits = static_cast<Pixel*>(bits);
  if (captureDc && S.captureSurface) {
    HGDIOBJ previous = SelectObject(captureDc, S.captureSurface);
    BitBlt(captureDc, 0, 0, FrameWidth, FrameHeight, source, x, y, SRCCOPY);
    SelectObject(captureDc, previous);
  }
  DeleteDC(captureDc);
  GdiFlush();
}

void CreateFrame() {
  S.frameDc = CreateCompatibleDC(S.windowDc);
  void* bits;
  S.frameBuffer = CreateSurface(S.frameDc, FrameWidth, FrameHeight, 32, &bits);
  if (S.frameDc && S.frameBuffer) {
    SelectObject(S.frameDc, S.frameBuffer);
    S.frameBits = static_cast<Pixel*>(bits);
  }
}

// The credits line is drawn once, in the system font, white on black, starting one slot width
// in so that the slot is empty at scroll position 0.
void DrawStrip() {
  S.stripDc = CreateCompatibleDC(S.windowDc);
  void* bits;
  S.scrollStrip = CreateSurface(S.stripDc, StripWidth, StripHeight, 16, &bits);
  if (!S.stripDc || !S.scrollStrip) return;
  SelectObject(S.stripDc, S.scrollStrip);
  ZeroMemory(bits, StripStride * 2 * StripHeight);
  SetTextColor(S.stripDc, RGB(255, 255, 255));
  SetBkColor(S.stripDc, RGB(0, 0, 0));
  TextOutA(S.stripDc, StripTextLeft, 0, ProgramText(CreditsEntry), CreditsCharacters);
}

void PrepareStatusLine() {
  S.statusFont = CreateTerminalFont(12, 8);
  if (!S.frameDc) return;
  if (S.statusFont) SelectObject(S.frameDc, S.statusFont);
  SetBkMode(S.frameDc, TRANSPARENT);
  SetTextColor(S.frameDc, RGB(255, 0, 0));
}

// The copy may sit in the platform's drawing batch; it must have read the frame before the next
// step writes the frame's pixels directly.
void Present() {
  BitBlt(S.windowDc, 0, 0, FrameWidth, FrameHeight, S.frameDc, 0, 0, SRCCOPY);
  GdiFlush();
}

// 256 steps from the capture to the picture: the capture darkens by k while the picture rises
// out of black, added with saturation. A stop request does not cut it short.
void FadeIn() {
  if (!S.frameBits || !S.backgroundPixels) return;
  const Pixel* capture = S.captureBits ? S.captureBits : S.backgroundPixels;
  for (int k = 0; k < FadeInSteps; ++k) {
    FadeInStep(S.frameBits, capture, S.backgroundPixels, static_cast<uint8_t>(k));
    Present();
    Sleep(FadeInStepSleepMs);
  }
}

void DrawScroller() {
  // The source rectangle may run past the strip's right edge (from position 1301 on); only the
  // part inside the strip changes the frame.
  BitBlt(S.frameDc, SlotLeft, SlotTop, SlotWidth, SlotHeight, S.stripDc, ScrollPos, 0, SRCPAINT);
  AdvanceScrollPos();
}

void DrawStatusLine() {
  const char* text = StatusText.load();
  if (!text) return;
  RECT rect = {StatusLeft, StatusTop, StatusRight, StatusBottom};
  DrawTextA(S.frameDc, text, -1, &rect, DT_RIGHT);
}

void DrawFrame() {
  if (FireStepDue(ScrollPos)) AdvanceFire();
  ComposeFire(S.frameBits, S.backgroundPixels);
  DrawScroller();
  DrawStatusLine();
  // The scroller and the status line went through the frame's device context; they must have
  // landed before the buttons blend the frame's pixels directly.
  GdiFlush();
  for (int i = 0; i < ButtonCount; ++i) {
    if (S.buttonPixels[i]) FadeButton(i, HotButton.load(), S.frameBits, S.buttonPixels[i]);
  }
  Present();
}

void FrameLoop() {
  do {
    if (S.frameBits && S.backgroundPixels) DrawFrame();
    Sleep(FrameSleepMs);
  } while (RenderState.load() != StopRequested);
}

void Teardown(HWND window) {
  GlobalFree(S.backgroundPixels);
  for (Pixel* pixels : S.buttonPixels) GlobalFree(pixels);
  DeleteDC(S.frameDc);
  DeleteDC(S.stripDc);
  DeleteObject(S.captureSurface);
  DeleteObject(S.frameBuffer);
  DeleteObject(S.scrollStrip);
  DeleteObject(S.statusFont);
  ReleaseDC(window, S.windowDc);
}

}  // namespace

HFONT CreateTerminalFont(int height, int width) {
  return CreateFontA(height, width, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, "Terminal");
}

// The fade-in starts from what the screen showed where the window now stands. Once the window
// is on the screen, reading its place (through the window or the screen) may give the window's
// own still empty surface instead, so the capture is taken before it is first shown.
void CaptureScreenUnderWindow(int x, int y) {
  HDC screen = GetDC(nullptr);
  Capture(screen, x, y);
  ReleaseDC(nullptr, screen);
}

DWORD WINAPI RenderThreadMain(LPVOID window) {
  HWND mainWindow = static_cast<HWND>(window);
  BuildFirePalette();
  ResetButtonFades();
  S.windowDc = GetDC(mainWindow);
  DecodePictures();
  // Normally taken from the screen while the window was being created; if that failed, the
  // window's own contents are the next best thing.
  Capture(S.windowDc, 0, 0);
  CreateFrame();
  DrawStrip();
  PrepareStatusLine();
  FadeIn();

  // Running only if nobody asked to stop meanwhile: a stop request must never be overwritten.
  uint8_t expected = Starting;
  if (RenderState.compare_exchange_strong(expected, Running)) FrameLoop();

  Teardown(mainWindow);
  // Last: the window is destroyed as soon as it sees this.
  RenderState.store(Stopped);
  return 0;
}
