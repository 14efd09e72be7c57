// Module images for the tool: read from a file, or the song built into it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads the XM file at `path` into `image` as the player takes it: a 32-bit little-endian
// count, then the file's bytes. On failure `reason` says why in a few words.
bool ReadModuleFile(const char* path, std::vector<uint8_t>* image, std::string* reason);

// The song built into this tool, or null when the build had none.
const uint8_t* EmbeddedSongImage();
