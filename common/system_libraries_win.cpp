// Loading the table of system_entries.S, from the system folder only.
#include "common/system_libraries.h"

#include <windows.h>

#include <cstring>

extern "C" {
extern const char StartupNames[], CabinetNames[], WaveOutNames[];
extern FARPROC StartupEntries[], CabinetEntries[], WaveOutEntries[];
}

namespace {

// Loaded at start-up on the platform's behalf: the folder browser pulls in the theme, window
// manager, property, version and scaling libraries, the picture decoder its codecs and the
// property system, the sound system its codec manager, the platform's image helpers their
// debugging helper. One that is missing is skipped: not every Windows version has every one.
// Names one after the other, as in the entry table, and an empty name after the last.
const char PreloadedLibraries[] =
    "version.dll\0uxtheme.dll\0dwmapi.dll\0propsys.dll\0windowscodecs.dll\0"
    "msacm32.dll\0shcore.dll\0dbghelp.dll\0olepro32.dll\0";

HMODULE LoadFromSystemFolder(const char* file) {
  return LoadLibraryExA(file, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

const char* NextName(const char* name) { return name + std::strlen(name) + 1; }

// Fills a group's entries in table order. All or none: with one missing, every entry of the
// group is left empty.
bool LoadEntries(const char* names, FARPROC* entries) {
  FARPROC* first = entries;
  bool complete = true;
  for (; *names; names = NextName(names)) {
    HMODULE library = LoadFromSystemFolder(names);
    for (names = NextName(names); *names; names = NextName(names)) {
      *entries = library ? GetProcAddress(library, names) : nullptr;
      complete = complete && *entries;
      ++entries;
    }
  }
  if (!complete) std::memset(first, 0, (entries - first) * sizeof *entries);
  return complete;
}

}  // namespace

bool LoadSystemLibraries() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  for (const char* file = PreloadedLibraries; *file; file = NextName(file)) LoadFromSystemFolder(file);
  return LoadEntries(StartupNames, StartupEntries);
}

bool LoadCabinetLibrary() { return CabinetEntries[0] || LoadEntries(CabinetNames, CabinetEntries); }

bool LoadWaveOutLibrary() { return WaveOutEntries[0] || LoadEntries(WaveOutNames, WaveOutEntries); }
