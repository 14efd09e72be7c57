#include <cstring>

#include "music/module_loader.h"

void ReadBytes(ModuleReader* reader, void* destination, int32_t count) {
  if (!reader || count <= 0) return;
  int32_t left = reader->size - reader->position;
  if (count >= left) count = left;
  if (count <= 0) return;
  memcpy(destination, reader->base + reader->position, size_t(count));
  reader->position += count;
}

void SeekReader(ModuleReader* reader, int32_t offset, int origin) {
  if (!reader) return;
  // 64 bits, so that no offset can overflow on the way; the result is kept inside the image
  // at both ends, since a position before the first byte would read outside it just as well.
  int64_t target;
  switch (origin) {
    case SeekFromStart: target = offset; break;
    case SeekFromCurrent: target = int64_t(reader->position) + offset; break;
    case SeekFromEnd: target = int64_t(reader->size) + offset; break;
    default: return;
  }
  if (target > reader->size) target = reader->size;
  if (target < 0) target = 0;
  reader->position = int32_t(target);
}
