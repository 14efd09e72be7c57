// The program's embedded data, read-only bytes linked in from the files in assets/.
#pragma once
#include <cstdint>

extern "C" {
// Pictures: baseline JPEG files and their lengths in bytes.
extern const uint8_t BackgroundJpeg[];
extern const uint32_t BackgroundJpegSize;
extern const uint8_t InstallJpeg[];
extern const uint32_t InstallJpegSize;
extern const uint8_t AboutJpeg[];
extern const uint32_t AboutJpegSize;
extern const uint8_t ExitJpeg[];
extern const uint32_t ExitJpegSize;

// The song as the music player takes it: a 32-bit little-endian byte count, then the XM bytes.
extern const uint8_t ModuleImage[];

// The credits line (198 characters) and the info text (code page 437), each NUL-terminated.
extern const char CreditsText[];
extern const char InfoText[];

// The cabinet of files to install.
extern const uint8_t CabinetImage[];
extern const uint32_t CabinetImageSize;
}

constexpr int CreditsLength = 198;
