// zav-testctl: a known tone through the wave mapper, for checking the audio capture path.
#include <windows.h>
#include <mmsystem.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/e2e/testctl/testctl.h"

// A known sound for checking the audio path without the installer: a 441 Hz cosine
// (exactly 100 frames a period, so its first frame is already at full level) at amplitude
// 10000 on both channels, for `seconds` seconds. Every second is its own header over the
// same block, queued at once, so the device plays exactly that many frames.
static const int ToneRate = 44100;
static const int MaxToneSeconds = 60;
static short ToneBlock[ToneRate * 2];
static WAVEHDR ToneHeaders[MaxToneSeconds];

static bool AllDone(int count) {
  for (int i = 0; i < count; i++)
    if (!(ToneHeaders[i].dwFlags & WHDR_DONE)) return false;
  return true;
}

int PlayTone(int seconds) {
  if (seconds < 1 || seconds > MaxToneSeconds) return Usage;
  for (int frame = 0; frame < ToneRate; frame++) {
    short value = (short)lround(10000 * cos(2 * 3.14159265358979 * frame / 100));
    ToneBlock[2 * frame] = ToneBlock[2 * frame + 1] = value;
  }
  WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, ToneRate, ToneRate * 4, 4, 16, 0};
  HWAVEOUT device;
  if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
    return Failed;
  for (int i = 0; i < seconds; i++) {
    ToneHeaders[i].lpData = (LPSTR)ToneBlock;
    ToneHeaders[i].dwBufferLength = sizeof ToneBlock;
    waveOutPrepareHeader(device, &ToneHeaders[i], sizeof(WAVEHDR));
    waveOutWrite(device, &ToneHeaders[i], sizeof(WAVEHDR));
  }
  DWORD deadline = GetTickCount() + (DWORD)(seconds + 10) * 1000;
  while (!AllDone(seconds) && (LONG)(GetTickCount() - deadline) < 0) Sleep(10);
  int code = AllDone(seconds) ? Done : Failed;
  waveOutReset(device);
  for (int i = 0; i < seconds; i++) waveOutUnprepareHeader(device, &ToneHeaders[i], sizeof(WAVEHDR));
  waveOutClose(device);
  return code;
}
