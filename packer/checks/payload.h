// Packs the folder of files to install (--payload) into the cabinet an installer carries:
// one MS-CAB folder compressed with MSZIP, files stored as "dir\file" in byte-wise order of
// their names, so that the same folder always gives the same bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "packer/checks/diagnostics.h"

// Reads SOURCE_DATE_EPOCH (seconds since 1970, decimal). Unset gives no time; a value that is
// not a whole number of seconds adds a problem.
std::optional<int64_t> SourceDateEpoch(const char* value, Diagnostics* diagnostics);

// The cabinet of every file below the folder, each stored with `fileTime` when given, else with
// its own modification time. Empty, with problems added, when a name breaks the installer's
// rules or is longer than `maxNameLength`, when there is no file, or more than a cabinet
// folder holds, or something cannot be read. Symbolic links are refused: following them could
// pack files from outside the folder, and skipping them would leave out files the user expects
// to be installed. An empty folder cannot be stored: a warning.
std::vector<uint8_t> PackPayload(const Input& payload, size_t maxNameLength,
                                 std::optional<int64_t> fileTime, Diagnostics* diagnostics);
