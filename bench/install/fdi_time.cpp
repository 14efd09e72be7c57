// The platform's decompressor alone on whole cabinets: each cabinet is held in memory and every
// file is decompressed and thrown away, so that what is timed is the decoding, not the disk, the
// window or the installer around it. Processor time is the figure to compare on a busy machine.
//
//   fdi-time.exe RUNS CABINET...   (under Wine: wine <windows tree>/bench/install/fdi-time.exe 3 a.cab b.cab)
//
// One line per cabinet: the bytes decompressed, the write calls that handed them over, and the
// best processor and wall time of RUNS passes.
#include <windows.h>
#include <fcntl.h>
#include <fdi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static BYTE* Cabinet;
static DWORD CabinetSize, Position;
static long long Written, Writes;
static const INT_PTR CabinetHandle = 1, DiscardHandle = 2;

static FNALLOC(Alloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
static FNFREE(Free) { HeapFree(GetProcessHeap(), 0, pv); }
static FNOPEN(Open) { (void)pszFile, (void)oflag, (void)pmode; Position = 0; return CabinetHandle; }
static FNREAD(Read) {
  if (hf != CabinetHandle) return 0;
  UINT count = CabinetSize - Position < cb ? CabinetSize - Position : cb;
  memcpy(pv, Cabinet + Position, count);
  Position += count;
  return count;
}
static FNWRITE(Write) { (void)hf, (void)pv; ++Writes, Written += cb; return cb; }
static FNCLOSE(Close) { (void)hf; return 0; }
static FNSEEK(Seek) {
  (void)hf;
  long base = seektype == SEEK_SET ? 0 : seektype == SEEK_CUR ? long(Position) : long(CabinetSize);
  Position = DWORD(base + dist);
  return long(Position);
}
static FNFDINOTIFY(Notify) {
  (void)pfdin;
  if (fdint == fdintCOPY_FILE) return DiscardHandle;
  return fdint == fdintCLOSE_FILE_INFO ? TRUE : 0;
}

static double ProcessorSeconds() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}}, u = {{user.dwLowDateTime, user.dwHighDateTime}};
  return double(k.QuadPart + u.QuadPart) / 1e7;
}

static double WallSeconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now), QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart) / double(frequency.QuadPart);
}

int main(int argc, char** argv) {
  int runs = argc > 2 ? atoi(argv[1]) : 0;
  if (runs < 1) return fprintf(stderr, "usage: fdi-time RUNS CABINET...\n"), 2;
  for (int i = 2; i < argc; ++i) {
    HANDLE file = CreateFileA(argv[i], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD got = 0;
    CabinetSize = file == INVALID_HANDLE_VALUE ? 0 : GetFileSize(file, NULL);
    Cabinet = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, CabinetSize + 1));
    if (file == INVALID_HANDLE_VALUE || !ReadFile(file, Cabinet, CabinetSize, &got, NULL) || got != CabinetSize)
      return fprintf(stderr, "fdi-time: %s cannot be read\n", argv[i]), 3;
    CloseHandle(file);
    double bestProcessor = 1e9, bestWall = 1e9;
    BOOL extracted = TRUE;
    for (int run = 0; run < runs; ++run) {
      Written = Writes = 0;
      double processor = ProcessorSeconds(), wall = WallSeconds();
      ERF failure;
      HFDI context = FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &failure);
      extracted &= context && FDICopy(context, const_cast<char*>("x.cab"), const_cast<char*>(""), 0, Notify, NULL, NULL);
      if (context) FDIDestroy(context);
      processor = ProcessorSeconds() - processor, wall = WallSeconds() - wall;
      if (processor < bestProcessor) bestProcessor = processor;
      if (wall < bestWall) bestWall = wall;
    }
    printf("%s: %s, %lld bytes in %lld writes, %.2f s of processor time, %.2f s wall (best of %d)\n", argv[i],
           extracted ? "extracted" : "FAILED", Written, Writes, bestProcessor, bestWall, runs);
    HeapFree(GetProcessHeap(), 0, Cabinet);
  }
  return 0;
}
