#include "installer/memory_file.h"

#include <cstring>

CursorTableRecord CursorTable;

namespace {

const uint8_t* ImageBytes;
uint32_t ImageSize;

// Which cursor a handle names, or -1. Output files of the decompressor come through the same
// close callback, so a handle may be anything.
int CursorIndex(intptr_t handle) {
  for (int i = 0; i < CursorCount; ++i) {
    if (handle == reinterpret_cast<intptr_t>(&CursorTable.readCursor[i])) return i;
  }
  return -1;
}

uint32_t* OpenCursor(intptr_t handle) {
  int i = CursorIndex(handle);
  return i >= 0 && CursorTable.cursorTaken[i] ? &CursorTable.readCursor[i] : nullptr;
}

}  // namespace

void MemoryFileAttach(const uint8_t* image, uint32_t size) {
  ImageBytes = image;
  ImageSize = size;
}

intptr_t MemoryFileOpen() {
  ++CursorTable.openCount;
  // A closed cursor is taken again: every install opens the cabinet anew, so a table that
  // only ever grew would run out after a few installs.
  for (int i = 0; i < CursorCount; ++i) {
    if (CursorTable.cursorTaken[i]) continue;
    CursorTable.cursorTaken[i] = 1;
    CursorTable.readCursor[i] = 0;
    return reinterpret_cast<intptr_t>(&CursorTable.readCursor[i]);
  }
  return -1;
}

uint32_t MemoryFileRead(intptr_t handle, void* buffer, uint32_t count) {
  uint32_t* cursor = OpenCursor(handle);
  if (!cursor) return UINT32_MAX;
  // The decompressor reads ahead in fixed-size pieces (a file name is looked for in the next
  // 256 bytes, wherever the image ends), so the end of the image is an ordinary event.
  uint32_t left = *cursor < ImageSize ? ImageSize - *cursor : 0;
  uint32_t copied = count < left ? count : left;
  if (copied) std::memcpy(buffer, ImageBytes + *cursor, copied);
  *cursor += copied;
  return copied;
}

int32_t MemoryFileSeek(intptr_t handle, int32_t distance, int origin) {
  uint32_t* cursor = OpenCursor(handle);
  if (!cursor) return -1;
  int64_t base;
  switch (origin & 0xFF) {
    case 0:
      base = 0;
      break;
    case 1:
      base = *cursor;
      break;
    default:  // the end-relative origin included: nothing here needs it
      return -1;
  }
  int64_t target = base + distance;
  if (target < 0 || target > ImageSize || target > INT32_MAX) return -1;
  *cursor = static_cast<uint32_t>(target);
  return static_cast<int32_t>(target);
}

bool MemoryFileClose(intptr_t handle) {
  int i = CursorIndex(handle);
  if (i < 0) return false;
  CursorTable.cursorTaken[i] = 0;
  return true;
}
