// Writing the installer: the embedded stub, its icon if asked, and its data section, written
// piece by piece into a temporary file beside the output (file_io.h). The cabinet streams
// straight into the section's end, packed from the payload or copied from a cabinet given whole,
// and is read back through the decompressor before the file takes the output's place.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "assets/data_directory.h"
#include "packer/checks/cabinet_reader.h"
#include "packer/cabinet_writer.h"
#include "packer/checks/payload.h"

struct InstallerContents {
  std::vector<uint8_t> blocks[DataEntryCount];  // every block but the cabinet's
  std::vector<PayloadFile> payload;             // the files to pack, or else
  CabinetPlace cabinet;                         // the cabinet to copy
  const std::vector<uint8_t>* icon = nullptr;   // an .ico file, known to fit
  Compression compression;                      // of the files packed
  Progress* progress = nullptr;                 // told of the packing and the read-back
  std::vector<uint8_t> version;                 // the version information's block
};

// Writes the installer to `path`; `written` gets its size. False with `error` set, and nothing
// left at `path` but what was there before.
bool WriteInstaller(const std::string& path, const InstallerContents& contents, uint64_t* written, std::string* error);

// Whether the .ico file can become the installer's icon; false with `problem` set.
bool IconFits(const std::vector<uint8_t>& ico, std::string* problem);
