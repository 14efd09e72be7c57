// Checks a cabinet given whole (--cabinet) the way the installer will use it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "packer/checks/diagnostics.h"

// The cabinet's bytes, or empty with problems added unless it is one whole MS-CAB cabinet (no
// continuation from or into another), with at least one file, every stored name passing the
// installer's rules and at most `maxNameLength` long, whose every file libgcab can extract.
std::vector<uint8_t> CheckCabinet(const Input& cabinet, size_t maxNameLength, Diagnostics* diagnostics);

// The same for bytes already read.
bool CheckCabinetBytes(const Input& cabinet, const std::vector<uint8_t>& bytes, size_t maxNameLength,
                       Diagnostics* diagnostics);
