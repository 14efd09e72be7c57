#include "tools/zav-render/render_wav.h"

#include <cstring>

#include "music/block_fill.h"
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

// The ring holds the host's 16-bit samples; the files hold little-endian ones.
void ToLittleEndian(const int16_t* samples, size_t count, uint8_t* bytes) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  memcpy(bytes, samples, count * sizeof(int16_t));
#else
  for (size_t i = 0; i < count; ++i) PutU16(bytes + 2 * i, uint16_t(samples[i]));
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

bool RenderFrames(Module* module, int64_t frames, RenderFormat format, FILE* out, FILE* progress) {
  if (format == RenderFormat::Wav) {
    uint8_t header[44];
    WavHeader(header, frames);
    if (fwrite(header, 1, sizeof header, out) != sizeof header) return false;
  }
  if (!StartRendering(module)) return false;
  ProgressBar bar(progress, frames);
  uint8_t* bytes = new uint8_t[size_t(BlockFrames) * BytesPerFrame];
  bool written = true;
  for (int64_t done = 0; done < frames && written;) {
    int32_t block = WriteBlock;
    FillBlock();
    int64_t take = frames - done < BlockFrames ? frames - done : BlockFrames;
    ToLittleEndian(OutputRing + size_t(block) * BlockFrames * Channels, size_t(take) * Channels,
                   bytes);
    written = fwrite(bytes, BytesPerFrame, size_t(take), out) == size_t(take);
    done += take;
    bar.Show(done);
  }
  bar.Finish();
  delete[] bytes;
  StopRendering(module);
  return written && fflush(out) == 0;
}
