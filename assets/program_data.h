// The program's data, found at start-up through the directory at the start of the program's
// last section (see data_directory.h): read-only bytes that the loader mapped with the rest of
// the image.
#pragma once
#include <cstdint>

// Pictures: baseline JPEG files and their lengths in bytes.
extern const uint8_t* BackgroundJpeg;
extern uint32_t BackgroundJpegSize;
extern const uint8_t* InstallJpeg;
extern uint32_t InstallJpegSize;
extern const uint8_t* AboutJpeg;
extern uint32_t AboutJpegSize;
extern const uint8_t* ExitJpeg;
extern uint32_t ExitJpegSize;

// The song as the music player takes it: a 32-bit little-endian byte count, then the XM bytes.
extern const uint8_t* ModuleImage;

// The credits line (198 characters) and the info text (code page 437), each NUL-terminated.
extern const char* CreditsText;
extern const char* InfoText;

// The cabinet of files to install, and the folder that an install creates for them.
extern const uint8_t* CabinetImage;
extern uint32_t CabinetImageSize;
extern const char* InstallFolderName;

constexpr int CreditsLength = 198;

// Finds the data in the program's own image. False when the last section holds no consistent
// directory: the installer is damaged and must not run.
bool FindProgramData();
