// Packing the payload into the installer's cabinet, straight into the output file, the files
// read and compressed as a stream, never held whole. LZX and stored cabinets are written by
// zav-pack's own writer (cabinet_writer.cpp, the LZX encoder in lzx/), the same bytes on every
// system; MSZIP ones by libgcab on Linux (cabinet_writer_posix.cpp) and by the platform's own
// FCI in cabinet.dll on Windows (cabinet_writer_win.cpp), in one folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "packer/checks/payload.h"
#include "packer/file_io.h"
#include "packer/progress.h"

enum class CompressionMethod { Lzx, Mszip, None };
struct Compression {
  CompressionMethod method = CompressionMethod::Lzx;
  int windowBits = 21;                // LZX's window, 2^15 .. 2^21 bytes
  uint64_t folderBytes = 32 << 20;    // about how much goes into one folder
};

// Writes the cabinet of `files` (in their order, with their times) into `output` from `offset`
// on; `size` gets its length. Large payloads become several folders, compressed on both cores
// where there are two. `progress` (or null) counts the bytes and files done. False with `error`
// set.
bool WriteCabinet(const std::vector<PayloadFile>& files, Compression compression, OutputFile* output,
                  uint64_t offset, uint64_t* size, Progress* progress, std::string* error);

// The MSZIP cabinet, by each system's own library.
bool WriteMszipCabinet(const std::vector<PayloadFile>& files, OutputFile* output, uint64_t offset, uint64_t* size,
                       std::string* error);

// A cabinet keeps DOS times, without a zone: the seconds since 1970 taken as UTC and clamped to
// 1980-01-01 00:00:00 .. 2107-12-31 23:59:58, so that the same inputs give the same bytes on
// every machine.
int64_t CabinetTime(int64_t seconds);
