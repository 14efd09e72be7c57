// Checks a cabinet given whole (--cabinet) the way the installer will use it, reading it in
// pieces: its head and file list, then every file through the decompressor; and reads back the
// cabinet that zav-pack packed, against the files it was packed of.
#pragma once
#include <cstddef>
#include <cstdint>

#include <string>
#include <vector>

#include "packer/checks/cabinet_reader.h"
#include "packer/checks/diagnostics.h"
#include "packer/checks/payload.h"

// True, with `place` set to the whole file, when it is one whole MS-CAB cabinet (no continuation
// from or into another), with at least one file, every stored name passing the installer's rules
// and at most `maxNameLength` long, whose every file the decompressor extracts. Else problems
// are added.
bool CheckCabinet(const Input& cabinet, size_t maxNameLength, CabinetPlace* place, Diagnostics* diagnostics);

// Told of the bytes and files compared so far, for a progress line.
struct ReadBackWatch {
  void (*done)(void* context, uint64_t bytes, uint32_t files) = nullptr;
  void* context = nullptr;
};

// The read-back of a cabinet that was packed of `files`: "" when the decompressor gives back
// every file, in order, byte for byte as it is in its folder now, else what differs.
std::string ReadBackProblem(const CabinetPlace& cabinet, const std::vector<PayloadFile>& files,
                            ReadBackWatch watch = {});
