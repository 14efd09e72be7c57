// The folder of files to install (--payload): walked and checked here, packed into the cabinet
// an installer carries by the cabinet writer (cabinet_writer.h): one MS-CAB folder compressed
// with MSZIP, files stored as "dir\file" in byte-wise order of their stored names, so that the
// same folder always gives the same bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "packer/checks/diagnostics.h"

struct PayloadFile {
  std::string stored;  // the name in the cabinet: relative to the payload folder, parts joined by "\"
  std::string path;    // where it is read from
  uint64_t size;
  int64_t time;        // seconds since 1970: the file's own, or SOURCE_DATE_EPOCH
};

// Reads SOURCE_DATE_EPOCH (seconds since 1970, decimal). Unset gives no time; a value that is
// not a whole number of seconds adds a problem.
std::optional<int64_t> SourceDateEpoch(const char* value, Diagnostics* diagnostics);

// Every file below the folder in the order they are packed, each with `fileTime` when given,
// else with its own modification time. Empty, with problems added, when a name breaks the
// installer's rules or is longer than `maxNameLength`, when there is no file, or more than a
// cabinet folder holds, or something cannot be read. Symbolic links (on Windows, every reparse
// point) are refused: following them could pack files from outside the folder, and skipping them
// would leave out files the user expects to be installed. An empty folder cannot be stored: a
// warning.
std::vector<PayloadFile> CheckPayload(const Input& payload, size_t maxNameLength, std::optional<int64_t> fileTime,
                                      Diagnostics* diagnostics);
