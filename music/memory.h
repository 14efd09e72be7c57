// The program's one source of dynamic memory: zero-filled blocks from the platform's global
// allocator (plain calloc/free where there is no such allocator).
#pragma once

#include <cstddef>

// A zero-filled block of `bytes` bytes, or null when it cannot be had (or bytes is 0).
void* AllocateBlock(size_t bytes);

// Releases a block from AllocateBlock; null is ignored.
void ReleaseBlock(void* block);
