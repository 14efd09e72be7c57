// zav-testctl: reference pictures decoded by the platform, as the installer decodes its own.
#include <windows.h>
#include <olectl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/e2e/testctl/testctl.h"

// Decodes a JPEG file with the platform's picture loader, as the installer decodes its own
// pictures, and writes its pixels to `out`: 4 bytes each (blue, green, red, 0), rows top-down.
// Prints "size W H". The tests compare the screen with these pixels exactly, since another
// JPEG decoder may round some values differently.
static bool ReadWholeFile(const char* path, HGLOBAL* block, DWORD* size) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  *size = GetFileSize(file, NULL);
  *block = GlobalAlloc(GMEM_MOVEABLE, *size);
  DWORD read = 0;
  bool ok = *block && ReadFile(file, GlobalLock(*block), *size, &read, NULL) && read == *size;
  if (*block) GlobalUnlock(*block);
  CloseHandle(file);
  return ok;
}

static bool WriteWholeFile(const char* path, const void* data, DWORD size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, data, size, &written, NULL) && written == size;
  CloseHandle(file);
  return ok;
}

int DecodeJpeg(const char* path, const char* out) {
  HGLOBAL block;
  DWORD size;
  if (!ReadWholeFile(path, &block, &size)) return Failed;
  IStream* stream = NULL;
  if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
    GlobalFree(block);
    return Failed;
  }
  IPicture* picture = NULL;
  HRESULT loaded = OleLoadPicture(stream, (LONG)size, TRUE, IID_IPicture, (void**)&picture);
  stream->Release();
  if (loaded != S_OK) return Failed;
  OLE_HANDLE handle = 0;
  picture->get_Handle(&handle);
  BITMAP bitmap;
  int code = Failed;
  if (GetObjectA((HBITMAP)(UINT_PTR)handle, sizeof bitmap, &bitmap)) {
    int width = bitmap.bmWidth, height = bitmap.bmHeight;
    BITMAPINFO info = TopDownBitmapInfo(width, height);
    DWORD bytes = (DWORD)width * height * 4;
    void* pixels = GlobalAlloc(GMEM_FIXED, bytes);
    HDC screen = GetDC(NULL);
    if (pixels && GetDIBits(screen, (HBITMAP)(UINT_PTR)handle, 0, height, pixels, &info,
                            DIB_RGB_COLORS) == height &&
        WriteWholeFile(out, pixels, bytes)) {
      printf("size %d %d\n", width, height);
      code = Done;
    }
    ReleaseDC(NULL, screen);
    GlobalFree(pixels);
  }
  picture->Release();
  return code;
}
