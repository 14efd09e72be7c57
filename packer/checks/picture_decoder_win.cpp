// The whole decode on Windows: the platform's picture loader, the one the installer uses
// (OleLoadPicture over a stream on a copy of the bytes).
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "packer/checks/picture_decoder.h"
#include "packer/system_libraries_win.h"

bool DecodesWhole(const std::vector<uint8_t>& jpeg, std::string* damage) {
  const SystemEntries& system = System();
  if (!system.createStreamOnHGlobal || !system.oleLoadPicture) {
    *damage = "the system's picture loader is missing";
    return false;
  }
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, jpeg.size());
  if (!copy) {
    *damage = "out of memory";
    return false;
  }
  std::memcpy(GlobalLock(copy), jpeg.data(), jpeg.size());
  GlobalUnlock(copy);
  IStream* stream = nullptr;
  if (system.createStreamOnHGlobal(copy, TRUE, &stream) != S_OK) {
    GlobalFree(copy);
    *damage = "out of memory";
    return false;
  }
  IPicture* picture = nullptr;
  HRESULT result = system.oleLoadPicture(stream, LONG(jpeg.size()), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
  stream->Release();
  OLE_HANDLE bitmap = 0;
  bool decoded = SUCCEEDED(result) && picture && SUCCEEDED(picture->get_Handle(&bitmap)) && bitmap;
  if (picture) picture->Release();
  if (!decoded) {
    char code[48];
    std::snprintf(code, sizeof code, "the picture loader refuses it: 0x%08lX", static_cast<unsigned long>(result));
    *damage = code;
  }
  return decoded;
}
