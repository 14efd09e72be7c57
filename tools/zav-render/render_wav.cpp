#include "tools/zav-render/render_wav.h"

#include <cstring>

#include "music/block_fill.h"
#include "music/module.h"
#include "tools/zav-render/song_pass.h"

namespace {

const int32_t Channels = 2;
const int32_t BytesPerFrame = 4;
const int ProgressWidth = 40;

void PutU16(uint8_t* at, uint32_t value) {
  at[0] = uint8_t(value);
  at[1] = uint8_t(value >> 8);
}

void PutU32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = uint8_t(value >> (8 * i));
}

// The ring holds the host's 16-bit samples; the files hold little-endian ones, which on a
// little-endian host are the ring's own bytes.
const uint8_t* LittleEndian(const int16_t* samples, size_t count, uint8_t* bytes) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  (void)count;
  (void)bytes;
  return reinterpret_cast<const uint8_t*>(samples);
#else
  for (size_t i = 0; i < count; ++i) PutU16(bytes + 2 * i, uint16_t(samples[i]));
  return bytes;
#endif
}

class ProgressBar {
 public:
  ProgressBar(FILE* out, int64_t total) : out_(out), total_(total > 0 ? total : 1) {}
  void Show(int64_t done) {
    if (!out_) return;
    int percent = int(done * 100 / total_);
    if (percent == shown_) return;
    shown_ = percent;
    int filled = percent * ProgressWidth / 100;
    fprintf(out_, "\r[%.*s%.*s] %3d%%  %.1f s of %.1f s", filled,
            "########################################", ProgressWidth - filled,
            "........................................", percent, double(done) / RenderRate,
            double(total_) / RenderRate);
    fflush(out_);
  }
  void Finish() {
    if (out_) fputc('\n', out_);
  }

 private:
  FILE* out_;
  int64_t total_;
  int shown_ = -1;
};

}  // namespace

void WavHeader(uint8_t header[44], int64_t frames) {
  uint32_t dataBytes = uint32_t(frames * BytesPerFrame);
  memcpy(header, "RIFF", 4);
  PutU32(header + 4, 36 + dataBytes);
  memcpy(header + 8, "WAVEfmt ", 8);
  PutU32(header + 16, 16);  // format chunk size
  PutU16(header + 20, 1);   // PCM
  PutU16(header + 22, Channels);
  PutU32(header + 24, RenderRate);
  PutU32(header + 28, RenderRate * BytesPerFrame);
  PutU16(header + 32, BytesPerFrame);
  PutU16(header + 34, 16);
  memcpy(header + 36, "data", 4);
  PutU32(header + 40, dataBytes);
}

int64_t MaxWavFrames() { return (int64_t(UINT32_MAX) - 36) / BytesPerFrame; }

namespace {

SongPassTracker* ActiveTracker = nullptr;

// The tick routine while a pass is rendered: once the pass is over the song stands still, and
// the frames after its end are not written.
void TrackedTick(Module* module) { ActiveTracker->Tick(module); }

bool WriteWavHeader(FILE* out, int64_t frames) {
  uint8_t header[44];
  WavHeader(header, frames);
  return fwrite(header, 1, sizeof header, out) == sizeof header;
}

}  // namespace

bool RenderFrames(Module* module, int64_t limitFrames, bool untilPassEnds, RenderFormat format,
                  FILE* out, FILE* progress, int64_t* written) {
  *written = 0;
  bool wav = format == RenderFormat::Wav;
  if (wav && !WriteWavHeader(out, untilPassEnds ? 0 : limitFrames)) return false;
  if (!StartRendering(module)) return false;
  SongPassTracker tracker;
  if (untilPassEnds) {
    ActiveTracker = &tracker;
    module->tickRoutine = TrackedTick;
  }
  ProgressBar bar(progress, limitFrames);
  uint8_t* bytes = new uint8_t[size_t(BlockFrames) * BytesPerFrame];
  bool writing = true;
  int64_t done = 0;
  while (writing && done < limitFrames) {
    int32_t block = WriteBlock;
    FillBlock();
    int64_t end = limitFrames;
    if (tracker.ended() && tracker.frames() < end) end = tracker.frames();
    int64_t take = end - done < BlockFrames ? end - done : BlockFrames;
    if (take <= 0) break;
    const uint8_t* frames = LittleEndian(OutputRing + size_t(block) * BlockFrames * Channels,
                                         size_t(take) * Channels, bytes);
    writing = fwrite(frames, BytesPerFrame, size_t(take), out) == size_t(take);
    done += take;
    bar.Show(done);
  }
  bar.Finish();
  delete[] bytes;
  StopRendering(module);
  ActiveTracker = nullptr;
  *written = done;
  if (writing && wav && untilPassEnds) {
    writing = fseek(out, 0, SEEK_SET) == 0 && WriteWavHeader(out, done) &&
              fseek(out, 0, SEEK_END) == 0;
  }
  return writing && fflush(out) == 0;
}
