// Checks a cabinet given whole (--cabinet) the way the installer will use it, reading it in
// pieces: its head and file list, then every file through the decompressor.
#pragma once
#include <cstddef>
#include <cstdint>

#include "packer/checks/cabinet_reader.h"
#include "packer/checks/diagnostics.h"

// True, with `place` set to the whole file, when it is one whole MS-CAB cabinet (no continuation
// from or into another), with at least one file, every stored name passing the installer's rules
// and at most `maxNameLength` long, whose every file the decompressor extracts. Else problems
// are added.
bool CheckCabinet(const Input& cabinet, size_t maxNameLength, CabinetPlace* place, Diagnostics* diagnostics);
