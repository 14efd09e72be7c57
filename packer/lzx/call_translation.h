// The x86 call translation of the LZX format: the 32-bit operand after each E8 byte (a relative
// call target) becomes the absolute one, so that calls to one function repeat as the same bytes.
// The decoder undoes it frame by frame after decompressing; here it is done before compressing.
#pragma once
#include <cstdint>

namespace lzx {

// Translates one frame in place: `frameStart` is its offset in the stream. The decoders look at
// an E8 byte only up to 10 bytes before the frame's end and skip the 4 bytes after each one, in
// the bytes as they decompressed them; this scans the same places, which the translation never
// changes, so both sides pass over the same E8 bytes.
void TranslateCalls(uint8_t* frame, uint32_t size, uint32_t frameStart, uint32_t translationSize);

}  // namespace lzx
