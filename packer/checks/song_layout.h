// What an XM file's headers announce, held against the file's own bytes: the header values
// against the format's limits, and whether the patterns, instruments and sample data that the
// headers announce are all there. The music player's loader takes whatever it can of a damaged
// file and plays that, silence included; this is where the song's author hears about it, while
// the file can still be mended.
#pragma once
#include <cstdint>
#include <vector>

#include "packer/checks/diagnostics.h"

// Adds a problem for each header value beyond the format's limits and for a file that ends
// before its patterns, its instruments or most of a sample's data, or that has no sample data
// at all; a warning for a sample cut short by less than half. `xm` is the file's bytes (the ID
// text already known to be right).
void CheckSongLayout(const Input& song, const std::vector<uint8_t>& xm, Diagnostics* diagnostics);
