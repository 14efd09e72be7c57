// Extraction of a cabinet held in memory with the platform's cabinet decompressor: the
// decompressor reads the memory file and writes real files below InstallRoot.
#pragma once

// Extracts every file of the memory file's image (MemoryFileAttach) below InstallRoot, making
// the folders that the stored names contain. True when every file was written; false when the
// decompressor could not be created, the cabinet is damaged or incomplete, a stored name is
// refused, or a file could not be created or written. Files written before a failure stay.
// `betweenBlocks`, when given, runs before each block of a file is written (a window can handle
// its messages there); its false stops the extraction, and the file under way is removed.
bool ExtractCabinet(bool (*betweenBlocks)() = nullptr);
