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
#include "render/status_text.h"
#include "common/shared_state.h"

namespace {

constexpr DWORD FadeInStepSleepMs = 3;
constexpr DWORD FrameSleepMs = 10;
// With the system's animations off the fire stands still, as it burns after this many steps.
constexpr int StillFireSteps = 120;

// Everything the thread holds while it runs; released in one place.
struct Surfaces {
  HDC windowDc;
  Pixel* backgroundPixels;
  Pixel* buttonPixels[ButtonCount];
  HBITMAP captureSurface;
  Pixel* captureBits;
  int captureScale;  // the capture is in screen pixels: the frame's size times this
  HDC frameDc;
  HBITMAP frameBuffer;
  Pixel* frameBits;
  HDC stripDc;
  HBITMAP scrollStrip;
  HFONT statusFont;
  HFONT statusUiFont;          // for the texts that code page 437 does not hold, made when first needed
  const char* statusDrawn;     // the status text that statusDrawing was formed from
  StatusDrawing statusDrawing;
  bool still;  // the system asks for no animations
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

// Copies what `source` shows at (x, y), the frame's size at `scale`, into a new
// CaptureSurface, unless one was taken already.
void Capture(HDC source, int x, int y, int scale) {
  if (S.captureSurface) return;
  HDC captureDc = CreateCompatibleDC(source);
  void* bits;
  S.captureScale = scale;
  S.captureSurface = CreateSurface(captureDc, FrameWidth * scale, FrameHeight * scale, 32, &bits);
  S.captureBits = static_cast<Pixel*>(bits);
  if (captureDc && S.captureSurface) {
    HGDIOBJ previous = SelectObject(captureDc, S.captureSurface);
    BitBlt(captureDc, 0, 0, FrameWidth * scale, FrameHeight * scale, source, x, y, SRCCOPY);
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
// step writes the frame's pixels directly. Enlarging copies repeat pixels in every stretch mode
// (only shrinking ones combine them), so each frame pixel lands as a sharp block.
void Present() {
  int scale = PixelScale.load();
  if (scale > 1) {
    StretchBlt(S.windowDc, 0, 0, FrameWidth * scale, FrameHeight * scale, S.frameDc, 0, 0,
               FrameWidth, FrameHeight, SRCCOPY);
  } else {
    BitBlt(S.windowDc, 0, 0, FrameWidth, FrameHeight, S.frameDc, 0, 0, SRCCOPY);
  }
  GdiFlush();
}

// 256 steps from the capture to the picture: the capture darkens by k while the picture rises
// out of black, added with saturation. A stop request does not cut it short. `frame` is
// selected into `dc`; all three are the frame's size at `scale`.
void RunFadeIn(Pixel* frame, HDC dc, const Pixel* capture, const Pixel* picture, int scale) {
  for (int k = 0; k < FadeInSteps; ++k) {
    for (int part = 0; part < scale * scale; ++part) {
      FadeInStep(frame + part * FramePixels, capture + part * FramePixels,
                 picture + part * FramePixels, static_cast<uint8_t>(k));
    }
    BitBlt(S.windowDc, 0, 0, FrameWidth * scale, FrameHeight * scale, dc, 0, 0, SRCCOPY);
    GdiFlush();
    Sleep(FadeInStepSleepMs);
  }
}

// On a scaled screen the fade-in works in screen pixels, from a capture of the screen's own
// pixels to the enlarged picture, in surfaces of its own that it lets go again; without them
// the picture simply appears.
void ScaledFadeIn(int scale) {
  HDC dc = CreateCompatibleDC(S.windowDc);
  void* bits;
  HBITMAP surface = CreateSurface(dc, FrameWidth * scale, FrameHeight * scale, 32, &bits);
  auto picture = static_cast<Pixel*>(GlobalAlloc(GMEM_FIXED, FramePixels * scale * scale * sizeof(Pixel)));
  if (dc && surface && picture && S.captureBits) {
    SelectObject(dc, surface);
    ScaleFrame(picture, S.backgroundPixels, scale);
    RunFadeIn(static_cast<Pixel*>(bits), dc, S.captureBits, picture, scale);
  }
  GlobalFree(picture);
  DeleteDC(dc);
  DeleteObject(surface);
}

void FadeIn() {
  if (!S.frameBits || !S.backgroundPixels) return;
  if (S.captureScale > 1) return ScaledFadeIn(S.captureScale);
  const Pixel* capture = S.captureBits ? S.captureBits : S.backgroundPixels;
  RunFadeIn(S.frameBits, S.frameDc, capture, S.backgroundPixels, 1);
}

// Without animations the window shows its picture at once, the fire as one still frame and
// the hover changes at once; the credits still scroll, since they are there to be read.
bool AnimationsOff() {
  BOOL animations = TRUE;
  SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &animations, 0);
  return !animations;
}

void StillFire() {
  for (int i = 0; i < StillFireSteps; ++i) AdvanceFire();
}

void DrawScroller() {
  // The source rectangle may run past the strip's right edge (from position 1301 on); only the
  // part inside the strip changes the frame.
  BitBlt(S.frameDc, SlotLeft, SlotTop, SlotWidth, SlotHeight, S.stripDc, ScrollPos, 0, SRCPAINT);
  AdvanceScrollPos();
}

// The system's font for messages, at the status line's height, with hard edges like the
// Terminal font's, whose red the tests and the eye alike take for the status line.
HFONT CreateStatusUiFont() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
  LOGFONTW& font = metrics.lfMessageFont;
  font.lfHeight = StatusBottom - StatusTop;
  font.lfWidth = 0;
  font.lfQuality = NONANTIALIASED_QUALITY;
  return CreateFontIndirectW(&font);
}

// Each text is formed for drawing once, when it is first shown (texts never change once shown).
void DrawStatusLine() {
  const char* text = StatusText.load();
  if (!text) return;
  StatusDrawing& drawing = S.statusDrawing;
  if (text != S.statusDrawn) {
    FormStatusDrawing(text, &drawing);
    S.statusDrawn = text;
  }
  RECT rect = {StatusLeft, StatusTop, StatusRight, StatusBottom};
  if (drawing.terminal) {
    DrawTextA(S.frameDc, drawing.bytes, -1, &rect, DT_RIGHT | DT_NOPREFIX);
    return;
  }
  if (!S.statusUiFont) S.statusUiFont = CreateStatusUiFont();
  SelectObject(S.frameDc, S.statusUiFont ? S.statusUiFont : S.statusFont);
  DrawTextW(S.frameDc, reinterpret_cast<LPCWSTR>(drawing.wide), -1, &rect,
            DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX | (drawing.rightToLeft ? DT_RTLREADING : 0));
  SelectObject(S.frameDc, S.statusFont);
}

void DrawButtons() {
  for (int i = 0; i < ButtonCount; ++i) {
    if (!S.buttonPixels[i]) continue;
    // Drawn hot under the mouse, and with the keyboard's focus once that is shown.
    uint8_t hot = HotButton.load();
    if (FocusButton.load() == i + 1) hot = static_cast<uint8_t>(i + 1);
    if (S.still) FadeLevel[i] = hot == i + 1 ? SolidFadeLevel : HalfFadeLevel;
    FadeButton(i, hot, S.frameBits, S.buttonPixels[i]);
  }
}

void DrawFrame() {
  if (!S.still && FireStepDue(ScrollPos)) AdvanceFire();
  ComposeFire(S.frameBits, S.backgroundPixels);
  DrawScroller();
  DrawStatusLine();
  // The scroller and the status line went through the frame's device context; they must have
  // landed before the buttons blend the frame's pixels directly.
  GdiFlush();
  DrawButtons();
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
  DeleteObject(S.statusUiFont);
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
void CaptureScreenUnderWindow(int x, int y, int scale) {
  HDC screen = GetDC(nullptr);
  Capture(screen, x, y, scale);
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
  int scale = PixelScale.load();
  Capture(S.windowDc, 0, 0, scale > 1 ? scale : 1);
  CreateFrame();
  DrawStrip();
  PrepareStatusLine();
  S.still = AnimationsOff();
  if (S.still) {
    StillFire();
  } else {
    FadeIn();
  }

  // Running only if nobody asked to stop meanwhile: a stop request must never be overwritten.
  uint8_t expected = Starting;
  if (RenderState.compare_exchange_strong(expected, Running)) FrameLoop();

  Teardown(mainWindow);
  // Last: the window is destroyed as soon as it sees this.
  RenderState.store(Stopped);
  return 0;
}
