// Renders a module to 16-bit stereo at 44,100 frames per second: as a WAV file, or as raw
// frames (interleaved little-endian samples, left then right).
#pragma once

#include <cstdint>
#include <cstdio>

struct Module;

// The 44 bytes of a canonical PCM WAV header for `frames` 16-bit stereo frames at RenderRate.
void WavHeader(uint8_t header[44], int64_t frames);

// The most frames a WAV file can say it holds.
int64_t MaxWavFrames();

enum class RenderFormat { Wav, Raw };

// Plays `module` from its first row through the block filler and writes its first
// `limitFrames` frames to `out`, or, with `untilPassEnds`, one pass of the song if that is
// shorter. A WAV header for a pass of unknown length is written again at the end, so `out`
// must then be seekable. With `progress`, a bar on it follows the render towards
// `limitFrames`. `written` gets the frames written. False when the buffers cannot be had or
// writing fails.
bool RenderFrames(Module* module, int64_t limitFrames, bool untilPassEnds, RenderFormat format,
                  FILE* out, FILE* progress, int64_t* written);
