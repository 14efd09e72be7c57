// Filling the output ring: each block is mixed tick by tick from the module being played, with
// the sequencer's tick routine run before the first frame of every tick, and converted to
// 16-bit stereo. The same filling serves the sound device and renders without one.
#pragma once

#include <cstdint>

struct Module;

// Both zero until SetBlockSizes, which must come before the buffers are allocated.
extern int32_t BlockFrames;  // frames per block: 20 ms rounded up to a multiple of 4 (884)
extern int32_t RingFrames;   // frames in the ring: 100 blocks (88,400)
extern int16_t* OutputRing;  // RingFrames interleaved 16-bit frames, left then right
extern float* MixBuffer;     // RingFrames float frames, 16-byte aligned inside its block
extern int32_t WriteBlock;   // the next block to fill, 0 .. BlockCount() - 1
extern Module* PlayingModule;

// Blocks in the ring.
int32_t BlockCount();

// Sets BlockFrames and RingFrames for an output rate.
void SetBlockSizes(int32_t rate);

// The ring and the mix buffer for the current sizes, zero-filled; false (with neither) when
// they cannot be had. WriteBlock starts at 0.
bool AllocateOutputBuffers();

// Releases the mix buffer, then the ring (each may be missing).
void ReleaseMixBuffer();
void ReleaseOutputRing();

// Playback start without a device: the song at its first row with the module's defaults, the
// channels zeroed on their first voices, and `module` as PlayingModule. False for null.
bool BeginPlayback(Module* module);

// Fills block WriteBlock of OutputRing and moves WriteBlock on, round the ring. Without a
// playing module, or without buffers, the block is silence (or nothing is written).
void FillBlock();
