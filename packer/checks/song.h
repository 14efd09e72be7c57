// Checks the song (--song) for what the installer will play: the music player's own loader must
// take it, and its headers must hold together with its bytes (song_layout.h). The player is
// lenient and plays what it can of a damaged file; the author hears of it here, while the file
// can still be mended. Warned about where the player cuts what it cannot play.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "packer/checks/diagnostics.h"

// The song as the player takes it (the XM byte count, 32-bit little-endian, then the XM bytes),
// of XM bytes known to load.
std::vector<uint8_t> SongImage(const std::vector<uint8_t>& xm);

// The song's image, or empty with the reasons added as problems. `summary` gets one line:
// channels, patterns, instruments, and how long one pass of the song plays.
std::vector<uint8_t> CheckSong(const Input& song, std::string* summary, Diagnostics* diagnostics);
