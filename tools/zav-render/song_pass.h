// One pass of a song: how long it plays until it would come back to a row it has already
// played. Rows that a pattern loop plays again belong to the pass; a position jump or break
// back to an earlier row, or the song's return to its restart position after the last order,
// ends it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

struct Module;

const int32_t RenderRate = 44100;

// Follows the rows that a module plays, tick by tick, and notes the frame at which the pass
// ends: the first frame of the tick that would play a row of the pass again.
class SongPassTracker {
 public:
  SongPassTracker();  // aborts when the 2 MiB cannot be had
  // Runs one tick of the module's song unless it ends the pass; false once the pass is over
  // (the tick is then not run).
  bool Tick(Module* module);
  bool ended() const { return ended_; }
  int64_t frames() const { return frames_; }  // of the ticks run so far (the pass, once ended)
  int64_t ticks() const { return ticks_; }

 private:
  bool Played(int32_t order, int32_t row) const;
  void Mark(int32_t order, int32_t row, bool played);
  // One bit per order position and row, 2 MiB, taken from calloc: pages of orders and rows
  // that are never played are never touched.
  std::unique_ptr<uint64_t, void (*)(void*)> played_;
  int64_t frames_ = 0;
  int64_t ticks_ = 0;
  bool ended_ = false;
};

struct SongPass {
  int64_t frames;  // output frames of the pass at RenderRate
  int64_t ticks;
  bool ended;      // false: no end within the limit, which `frames` then is
};

// Runs the sequencer of a freshly loaded module from the start, without mixing, until the pass
// ends or `limitFrames` have passed. The module's playback state and the voices are left
// used: render from a fresh copy of the module afterwards (effects such as E5y change the
// module's samples as the song plays).
SongPass MeasureSongPass(Module* module, int64_t limitFrames);

// Prepares the output at RenderRate without a device and starts playing `module` from its
// first row: voices silent, ring and mix buffer allocated. False when the buffers cannot be
// had or the module is null.
bool StartRendering(Module* module);

// Ends what StartRendering began and releases the buffers.
void StopRendering(Module* module);
