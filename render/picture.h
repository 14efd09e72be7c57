// Decoding of the embedded JPEG pictures into 32-bit pixels through the platform's picture loader.
#pragma once
#include <cstdint>

// Returns a global-memory block (free it with GlobalFree) of width x height pixels, rows
// top-down, each pixel blue, green, red, 0; or null when the picture cannot be decoded or has
// another size (the frame is composed from pictures of exactly that size).
uint32_t* DecodePicture(const uint8_t* bytes, uint32_t length, int32_t width, int32_t height);
