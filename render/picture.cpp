// The platform decodes the JPEG (OleLoadPicture) and converts its bitmap to 32-bit top-down
// pixels (GetDIBits), whatever the screen's colour depth.
#include "render/picture.h"

#include <windows.h>
#include <olectl.h>

namespace {

// A stream that owns a private copy of the bytes: the loader reads from it, and releasing the
// stream frees the copy.
IStream* StreamOverCopy(const uint8_t* bytes, uint32_t length) {
  HGLOBAL copy = GlobalAlloc(GMEM_FIXED, length);
  if (!copy) return nullptr;
  CopyMemory(copy, bytes, length);
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(copy, TRUE, &stream) != S_OK) {
    GlobalFree(copy);
    return nullptr;
  }
  return stream;
}

IPicture* LoadPicture(const uint8_t* bytes, uint32_t length) {
  IStream* stream = StreamOverCopy(bytes, length);
  if (!stream) return nullptr;
  IPicture* picture = nullptr;
  if (OleLoadPicture(stream, length, TRUE, IID_IPicture, reinterpret_cast<void**>(&picture)) != S_OK)
    picture = nullptr;
  stream->Release();
  return picture;
}

// The header alone, with room for three colour masks that the pixel query may store after it.
struct BitmapQuery {
  BITMAPINFOHEADER header;
  DWORD masks[3];
};

uint32_t* ReadPixels(HBITMAP bitmap, LONG width, LONG height) {
  BitmapQuery info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  HDC screen = GetDC(nullptr);
  uint32_t* pixels = nullptr;
  // With no pixel buffer the first call only fills in width, height and format.
  if (GetDIBits(screen, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) &&
      info.header.biWidth == width && info.header.biHeight == height) {
    pixels = static_cast<uint32_t*>(GlobalAlloc(GMEM_FIXED, width * height * 4));
    if (pixels) {
      info.header.biBitCount = 32;
      info.header.biCompression = BI_RGB;
      info.header.biHeight = -height;  // rows top-down
      if (GetDIBits(screen, bitmap, 0, height, pixels, reinterpret_cast<BITMAPINFO*>(&info),
                    DIB_RGB_COLORS) != height) {
        GlobalFree(pixels);
        pixels = nullptr;
      }
    }
  }
  ReleaseDC(nullptr, screen);
  return pixels;
}

}  // namespace

uint32_t* DecodePicture(const uint8_t* bytes, uint32_t length, int32_t width, int32_t height) {
  IPicture* picture = LoadPicture(bytes, length);
  if (!picture) return nullptr;
  OLE_HANDLE handle = 0;
  uint32_t* pixels = nullptr;
  // The picture keeps its bitmap; releasing the picture destroys it.
  if (picture->get_Handle(&handle) == S_OK && handle)
    pixels = ReadPixels(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), width, height);
  picture->Release();
  return pixels;
}
