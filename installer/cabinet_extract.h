// Extraction of a cabinet held in memory with the platform's cabinet decompressor: the
// decompressor reads the memory file and writes real files below InstallRoot.
#pragma once
#include <cstdint>

// Extracts every file of the cabinet `image` below InstallRoot, making the folders that the
// stored names contain. True when every file was written; false when the decompressor could not
// be created, the cabinet is damaged or incomplete, a stored name is refused, or a file could not
// be created, written or put in place. Files written before a failure stay; the file under way is
// removed, and a file that it was to replace keeps its old bytes.
// `betweenBlocks`, when given, runs before each block of a file is written, with the share of the
// cabinet's bytes written so far in percent (a window can handle its messages there and show
// the progress); its false stops the extraction.
bool ExtractCabinet(const uint8_t* image, uint32_t size, bool (*betweenBlocks)(uint32_t percent) = nullptr);
