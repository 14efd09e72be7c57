// The embedded cabinet seen as a read-only file. The cabinet decompressor opens, reads, seeks
// and closes it through these procedures as if it were a file on disk; each open gets a read
// cursor of its own in CursorTable, and a handle is the address of that cursor.
#pragma once
#include <cstdint>

constexpr int CursorCount = 3;

struct CursorTableRecord {
  uint32_t openCount;                // opens made so far; never decreased
  uint32_t readCursor[CursorCount];  // offset of the next byte to read, one per open handle
  uint8_t cursorTaken[CursorCount];  // 1 from the open of a cursor until its close
};

extern CursorTableRecord CursorTable;

// The bytes that every open of the memory file reads. Open handles keep their offsets.
void MemoryFileAttach(const uint8_t* image, uint32_t size);

// A handle on a free cursor at the first byte, or -1 when every cursor is taken.
intptr_t MemoryFileOpen();

// Copies up to `count` bytes from the cursor and moves it past them. Returns the bytes copied,
// fewer than asked (down to 0) at the end of the image; UINT32_MAX (-1) for a handle that is
// not an open memory-file handle.
uint32_t MemoryFileRead(intptr_t handle, void* buffer, uint32_t count);

// Moves the cursor: origin 0 from the first byte, 1 from the cursor; the distance may be
// negative. Returns the new offset, or -1 (cursor unchanged) for any other origin, a position
// before the first byte or beyond the last, or a handle that is not open.
int32_t MemoryFileSeek(intptr_t handle, int32_t distance, int origin);

// Gives the cursor of a memory-file handle back and returns true (a second close of it too);
// false for any other handle, which the caller then knows to be one of its own.
bool MemoryFileClose(intptr_t handle);
