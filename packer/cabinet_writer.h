// Packing the payload into the installer's cabinet, straight into the output file: one MS-CAB
// folder compressed with MSZIP, the files read and compressed as a stream, never held whole.
// libgcab writes it on Linux (cabinet_writer_posix.cpp), the platform's own FCI in cabinet.dll
// on Windows (cabinet_writer_win.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "packer/checks/payload.h"
#include "packer/file_io.h"

// Writes the cabinet of `files` (in their order, with their times) into `output` from `offset`
// on; `size` gets its length. False with `error` set.
bool WriteCabinet(const std::vector<PayloadFile>& files, OutputFile* output, uint64_t offset, uint64_t* size,
                  std::string* error);

// A cabinet keeps DOS times, without a zone: the seconds since 1970 taken as UTC and clamped to
// 1980-01-01 00:00:00 .. 2107-12-31 23:59:58, so that the same inputs give the same bytes on
// every machine.
int64_t CabinetTime(int64_t seconds);
