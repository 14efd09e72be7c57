#include "packer/system_libraries_win.h"

namespace {

// Loaded on the platform's behalf by the picture loader: its codecs and their helpers. One that
// is missing is skipped: not every Windows version has every one.
const wchar_t* const PreloadedLibraries[] = {L"windowscodecs.dll", L"propsys.dll", L"olepro32.dll", L"shcore.dll"};

HMODULE FromSystemFolder(const wchar_t* file) { return LoadLibraryExW(file, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); }

template <typename Entry>
void Take(HMODULE library, const char* name, Entry* entry) {
  *entry = library ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

SystemEntries Load() {
  SystemEntries entries;
  HMODULE user32 = FromSystemFolder(L"user32.dll"), ole32 = FromSystemFolder(L"ole32.dll"),
          oleaut32 = FromSystemFolder(L"oleaut32.dll"), cabinet = FromSystemFolder(L"cabinet.dll");
  Take(user32, "MessageBoxW", &entries.messageBox);
  Take(ole32, "CreateStreamOnHGlobal", &entries.createStreamOnHGlobal);
  Take(oleaut32, "OleLoadPicture", &entries.oleLoadPicture);
  Take(cabinet, "FCICreate", &entries.fciCreate);
  Take(cabinet, "FCIAddFile", &entries.fciAddFile);
  Take(cabinet, "FCIFlushCabinet", &entries.fciFlushCabinet);
  Take(cabinet, "FCIDestroy", &entries.fciDestroy);
  Take(cabinet, "FDICreate", &entries.fdiCreate);
  Take(cabinet, "FDICopy", &entries.fdiCopy);
  Take(cabinet, "FDIDestroy", &entries.fdiDestroy);
  return entries;
}

}  // namespace

void NarrowLibrarySearch() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  for (const wchar_t* file : PreloadedLibraries) FromSystemFolder(file);
}

const SystemEntries& System() {
  static const SystemEntries entries = Load();
  return entries;
}
