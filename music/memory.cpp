#include "music/memory.h"

#ifdef _WIN32
#include <windows.h>

void* AllocateBlock(size_t bytes) {
  if (bytes == 0) return nullptr;
  return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes);
}

void ReleaseBlock(void* block) {
  if (block) GlobalFree(block);
}

#else
#include <cstdlib>

void* AllocateBlock(size_t bytes) {
  if (bytes == 0) return nullptr;
  return calloc(1, bytes);
}

void ReleaseBlock(void* block) { free(block); }

#endif
