// Checks the song (--song) with the music player's own loader: refused exactly when the
// program would refuse it, and warned about where the loader cuts what it cannot play.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "packer/checks/diagnostics.h"

// The song as the player takes it (the XM byte count, 32-bit little-endian, then the XM bytes),
// or empty with the loader's reason added as a problem. `summary` gets one line: channels,
// patterns, instruments, and how long one pass of the song plays.
// The song as the player takes it, of XM bytes known to load.
std::vector<uint8_t> SongImage(const std::vector<uint8_t>& xm);

std::vector<uint8_t> CheckSong(const Input& song, std::string* summary, Diagnostics* diagnostics);
