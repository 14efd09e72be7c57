// The program's data, found at start-up through the directory at the start of the program's
// last section (see data_directory.h): read-only bytes that the loader mapped with the rest of
// the image. The song block is what the music player takes (a byte count, then the XM bytes);
// the texts end in a NUL.
#pragma once
#include "assets/data_directory.h"

extern DataBlock ProgramData[DataEntryCount];

inline const char* ProgramText(DataEntry entry) {
  return reinterpret_cast<const char*>(ProgramData[entry].bytes);
}

// Finds the data in the program's own image. False when the last section holds no consistent
// directory: the installer is damaged and must not run (its texts by language may still be
// found, to say so).
bool FindProgramData();
