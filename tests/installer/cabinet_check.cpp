// zav-cabcheck: extracts cabinet files through the installer's own extraction (the platform's
// decompressor reading a memory file, writing real files), one after the other in one
// process, as the installer would if it carried each of them.
//
//   zav-cabcheck OUTDIR CABINET...
//
// Each cabinet goes to OUTDIR\<its name without .cab>\ (OUTDIR absolute). One line per cabinet:
//   "cabinet NAME ok" or "cabinet NAME failed", then "cursors-taken N" (memory-file cursors
//   still held after that extraction; 0 when the decompressor closed what it opened).
// A line "start NAME" comes before each, so a hang names its cabinet. An extraction that takes
// longer than 30 s prints "cabinet NAME hung" and ends the program with exit code 4.
// Exit codes: 0 all cabinets were tried, 2 bad command line, 3 a cabinet file could not be read.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "common/system_libraries.h"
#include "common/wide_text.h"
#include "installer/cabinet_extract.h"
#include "installer/install_paths.h"
#include "installer/memory_file.h"

static const DWORD HangMs = 30000;

struct Extraction {
  const BYTE* image;
  DWORD size;
  bool extracted;
};

static DWORD WINAPI ExtractThread(void* param) {
  Extraction* extraction = static_cast<Extraction*>(param);
  extraction->extracted = ExtractCabinet(extraction->image, extraction->size);
  return 0;
}

// The whole file in a block of exactly its size, as the embedded cabinet is.
static BYTE* ReadWholeFile(const char* path, DWORD* size) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return NULL;
  *size = GetFileSize(file, NULL);
  BYTE* bytes = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, *size ? *size : 1));
  DWORD read = 0;
  bool ok = bytes && ReadFile(file, bytes, *size, &read, NULL) && read == *size;
  CloseHandle(file);
  if (!ok && bytes) HeapFree(GetProcessHeap(), 0, bytes);
  return ok ? bytes : NULL;
}

static const char* BaseName(const char* path) {
  const char* base = path;
  for (const char* c = path; *c; ++c)
    if (*c == '\\' || *c == '/') base = c + 1;
  return base;
}

static int TakenCursors() {
  int taken = 0;
  for (int i = 0; i < CursorCount; ++i) taken += CursorTable.cursorTaken[i];
  return taken;
}

static int Check(const char* outDir, const char* cabinetPath) {
  const char* name = BaseName(cabinetPath);
  printf("start %s\n", name);
  fflush(stdout);
  DWORD size = 0;
  BYTE* image = ReadWholeFile(cabinetPath, &size);
  if (!image) {
    fprintf(stderr, "zav-cabcheck: cannot read %s\n", cabinetPath);
    return 3;
  }
  int length = (int)strlen(name);
  if (length > 4 && !_stricmp(name + length - 4, ".cab")) length -= 4;
  char folder[MAX_PATH];
  snprintf(folder, sizeof folder, "%.*s", length, name);
  static char16_t chosen[PathBufferSize];
  MultiByteToWideChar(CP_ACP, 0, outDir, -1, Wide(chosen), PathBufferSize);
  if (!FormInstallRoot(InstallRoot, chosen, folder)) {
    fprintf(stderr, "zav-cabcheck: %s is no absolute folder\n", outDir);
    return 2;
  }
  Extraction extraction = {image, size, false};
  HANDLE thread = CreateThread(NULL, 0, ExtractThread, &extraction, 0, NULL);
  if (WaitForSingleObject(thread, HangMs) != WAIT_OBJECT_0) {
    printf("cabinet %s hung\n", name);
    fflush(stdout);
    ExitProcess(4);
  }
  CloseHandle(thread);
  MemoryFileAttach(NULL, 0);
  HeapFree(GetProcessHeap(), 0, image);
  printf("cabinet %s %s\ncursors-taken %d\n", name, extraction.extracted ? "ok" : "failed", TakenCursors());
  fflush(stdout);
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: zav-cabcheck OUTDIR CABINET...\n");
    return 2;
  }
  // The extraction's platform libraries come as the installer's do: from the system folder.
  if (!LoadSystemLibraries()) return 3;
  for (int i = 2; i < argc; ++i) {
    int code = Check(argv[1], argv[i]);
    if (code) return code;
  }
  return 0;
}
