// Streaming through the platform's wave-out device: the whole ring is one buffer that the device
// plays in an endless loop, and a time-critical feeder thread refills every block that the
// device has left behind. The audio written into a block is heard one ring later.
#include <windows.h>
#include <mmsystem.h>
// The platform's headers keep an old macro that renames FreeModule to FreeLibrary.
#undef FreeModule

#include "common/system_libraries.h"
#include "music/block_fill.h"
#include "music/mixer.h"
#include "music/module.h"
#include "music/module_loader.h"
#include "music/music_player.h"
#include "music/output_config.h"
#include "music/output_gain.h"
#include "music/playback.h"

namespace {

constexpr int32_t PlayerRate = 44100;
constexpr DWORD FeederPollMs = 5;
constexpr DWORD FeederExitPollMs = 50;
constexpr int BytesPerFrame = 4;  // 16-bit stereo
constexpr int32_t FadeInFrames = PlayerRate * 2;
constexpr int32_t SwitchRampFrames = PlayerRate / 20;
constexpr int32_t FadeOutFrames = PlayerRate / 2;  // before the installer closes itself
constexpr int32_t RingBlocks = 100;  // BlockCount() for every rate: twice a second of 20 ms blocks

HWAVEOUT WaveOutDevice;
WAVEHDR RingHeader;
Module* LoadedModule;
HANDLE FeederThread;
volatile uint8_t FeederStopRequested;
// 1 while a feeder thread runs. Set before the thread is created, not by the thread itself:
// a stop that comes before the new thread first runs must still wait for it.
volatile uint8_t FeederRunning;

// The loudness the device is given. The gain each block of the ring started with is kept, so
// that the queued blocks can be levelled again from their mix when the music is switched.
OutputGain Gain;
float BlockStartGain[RingBlocks];
volatile uint8_t MusicOff;  // as the user wants it
uint8_t MusicOffHeard;      // as the feeder has applied it
volatile uint8_t FadingOut;  // the next switch to off is the slow fade before closing

int16_t* RingBlock(int32_t block) { return OutputRing + size_t(block) * BlockFrames * 2; }

void LevelBlock(int32_t block) {
  if (block < RingBlocks) BlockStartGain[block] = Gain.gain;
  ApplyOutputGain(&Gain, RingBlock(block), BlockFrames);
}

void FillAndLevelBlock() {
  int32_t block = WriteBlock;
  FillBlock();
  if (OutputRing) LevelBlock(block);
}

// A switch is heard at once rather than a ring later: every queued block but the next one
// (which the device may enter any moment) is converted again from its mix, with the new ramp
// starting at the gain that block began with. Called when the block being filled next is the
// one playing, so the queued blocks run from two after it round the ring.
void FollowMusicSwitch() {
  uint8_t off = MusicOff;
  if (off == MusicOffHeard || !OutputRing || !MixBuffer) return;
  MusicOffHeard = off;
  int32_t count = BlockCount();
  int32_t block = (WriteBlock + 2) % count;
  if (block < RingBlocks) Gain.gain = BlockStartGain[block];
  RampOutputGain(&Gain, !off, FadingOut ? FadeOutFrames : SwitchRampFrames);
  for (; block != WriteBlock; block = (block + 1) % count) {
    ConvertBlock(RingBlock(block), MixBuffer + size_t(block) * BlockFrames * 2, BlockFrames);
    LevelBlock(block);
  }
}

bool OpenOutput(int32_t rate) {
  // Without the system's multimedia library the program runs silently, as without a device.
  if (!LoadWaveOutLibrary()) return false;
  SetOutputRate(rate);
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = rate;
  format.nAvgBytesPerSec = rate * BytesPerFrame;
  format.nBlockAlign = BytesPerFrame;
  format.wBitsPerSample = 16;
  if (waveOutOpen(&WaveOutDevice, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    WaveOutDevice = nullptr;
    return false;
  }
  SetBlockSizes(rate);
  ResetVoices();
  return true;
}

// The block the device is playing now; it is never written.
int32_t PlayingBlock() {
  MMTIME position = {};
  position.wType = TIME_BYTES;
  waveOutGetPosition(WaveOutDevice, &position, sizeof position);
  uint32_t frame = (position.u.cb / BytesPerFrame) % uint32_t(RingFrames);
  return int32_t(frame / uint32_t(BlockFrames));
}

DWORD WINAPI FeederThreadMain(LPVOID) {
  while (!FeederStopRequested) {
    int32_t playing = PlayingBlock();
    while (WriteBlock != playing && !FeederStopRequested) {
      FillBusy = 1;
      FillAndLevelBlock();
      FillBusy = 0;
    }
    if (WriteBlock == playing) FollowMusicSwitch();
    Sleep(FeederPollMs);
  }
  FeederRunning = 0;
  return 0;
}

// Ends the feeder thread: no block fill is under way and none will start once this returns.
void StopFeeder() {
  FeederStopRequested = 1;
  while (FillBusy) {
  }
  if (FeederThread) {
    while (FeederRunning) Sleep(FeederExitPollMs);
    CloseHandle(FeederThread);
    FeederThread = nullptr;
  }
}

void ReleaseRingFromDevice() {
  if (!OutputRing) return;
  waveOutUnprepareHeader(WaveOutDevice, &RingHeader, sizeof RingHeader);
  RingHeader.dwFlags &= ~DWORD(WHDR_PREPARED);
}

bool StartPlayback(Module* module) {
  if (!BeginPlayback(module)) return false;
  if (!AllocateOutputBuffers()) return true;  // nothing to play into: silence
  RingHeader = {};
  RingHeader.lpData = reinterpret_cast<LPSTR>(OutputRing);
  RingHeader.dwBufferLength = DWORD(RingFrames) * BytesPerFrame;
  RingHeader.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  RingHeader.dwLoops = 0xFFFFFFFF;
  waveOutPrepareHeader(WaveOutDevice, &RingHeader, sizeof RingHeader);
  // Prime the whole ring before the device starts: about two seconds of music at once, which
  // is also how long the music takes to fade in.
  StartFadeIn(&Gain, FadeInFrames);
  WriteBlock = 0;
  do FillAndLevelBlock();
  while (WriteBlock != 0);
  waveOutWrite(WaveOutDevice, &RingHeader, sizeof RingHeader);

  FeederStopRequested = 0;
  FeederRunning = 1;
  FeederThread = CreateThread(nullptr, 0, FeederThreadMain, nullptr, 0, nullptr);
  if (FeederThread) {
    SetThreadPriority(FeederThread, THREAD_PRIORITY_TIME_CRITICAL);
  } else {
    FeederRunning = 0;
  }
  return true;
}

// Run by StopPlayback before it lets go of the playing module's buffers.
void StopDeviceFeeding() {
  StopFeeder();
  ReleaseRingFromDevice();
}

}  // namespace

void SwitchMusic() { MusicOff = !MusicOff; }

Module* MusicPlay(const void* moduleImage) {
  if (moduleImage) {
    if (!OpenOutput(PlayerRate)) return nullptr;
    PlaybackStopHook = StopDeviceFeeding;
    Module* module = LoadModule(static_cast<const uint8_t*>(moduleImage));
    if (!module) return nullptr;  // the device stays open until the stop
    LoadedModule = module;
    StartPlayback(module);
    return module;
  }
  FreeModule(LoadedModule);  // waits for a fill under way, then stops the playback
  LoadedModule = nullptr;
  StopFeeder();  // in case no module was loaded
  if (WaveOutDevice) {
    waveOutReset(WaveOutDevice);
    waveOutClose(WaveOutDevice);
    WaveOutDevice = nullptr;
  }
  ReleaseMixBuffer();
  ReleaseOutputRing();
  return nullptr;
}

void MusicFadeOut() {
  if (!FeederThread) return;
  FadingOut = 1;
  MusicOff = 1;
  // The ramp starts within two blocks of the one playing; wait until it has ended.
  Sleep(DWORD(FadeOutFrames / (PlayerRate / 1000)) + 3 * BlockFrames * 1000 / PlayerRate);
}
