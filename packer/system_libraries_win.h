// The platform libraries that zav-pack.exe loads itself, always from the system folder.
//
// Like the installer, zav-pack.exe is run from folders that anyone can write to (a download
// folder), where a planted copy of a library that is not one of the platform's known ones would
// otherwise be loaded into it. So it imports only kernel32 and msvcrt, narrows the library
// search to the system folder before anything else happens, and loads the rest by name from
// there: user32 (the drop case's message box), ole32 and oleaut32 (the picture loader), cabinet
// (FCI and FDI).
#pragma once
#include <windows.h>

#include <fci.h>
#include <fdi.h>
#include <ocidl.h>
#include <olectl.h>

// First thing at start-up: narrows every later search by name (the platform's own loads on the
// program's behalf included) to the system folder, and loads from there the libraries that the
// platform is known to load later for the picture loader.
void NarrowLibrarySearch();

// The entries taken from the system's libraries; a null entry when its library or the entry is
// missing.
struct SystemEntries {
  decltype(&MessageBoxW) messageBox;
  decltype(&CreateStreamOnHGlobal) createStreamOnHGlobal;
  decltype(&OleLoadPicture) oleLoadPicture;
  decltype(&FCICreate) fciCreate;
  decltype(&FCIAddFile) fciAddFile;
  decltype(&FCIFlushCabinet) fciFlushCabinet;
  decltype(&FCIDestroy) fciDestroy;
  decltype(&FDICreate) fdiCreate;
  decltype(&FDICopy) fdiCopy;
  decltype(&FDIDestroy) fdiDestroy;
};
const SystemEntries& System();
