// Turning the stub (the program without its data) into an installer: its data section added as
// the image's last section, its icon replaced if asked, its headers and checksum made right.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The stub with `dataSection` (the data directory and its blocks) as a new last section named
// ".zavdata" (initialised, read-only data), and, when `icoFile` is given, the images of that .ico
// file as the program's icon 100 (the resource section rebuilt if its size changes). Every other
// resource (the dialog, the manifest) stays. SizeOfImage, SizeOfInitializedData and CheckSum are
// made right. False with `error` set (one line: what is wrong) for a stub that is not a 64-bit
// PE program this can extend, or an .ico file that is not a valid icon.
bool BuildInstallerImage(const std::vector<uint8_t>& stub, const std::vector<uint8_t>& dataSection,
                         const std::vector<uint8_t>* icoFile, std::vector<uint8_t>* image,
                         std::string* error);

// The same installer written in parts, for a data section too large to hold in memory: the
// head is the stub with its icon and the header of a data section of `dataSectionSize` bytes,
// and ends where that section's bytes begin (its raw data starts on a file-alignment boundary,
// so at an even offset). The installer's file is `fileSize` bytes long, the section padded with
// zeros. Once the section is written, SetInstallerCheckSum completes the head with the checksum
// of the whole file, given the PeWordSum of the section.
struct InstallerHead {
  std::vector<uint8_t> bytes;
  uint64_t fileSize = 0;
  size_t checkSumOffset = 0;
};
// With `versionResource`, that block becomes the program's version information.
bool BuildInstallerHead(const std::vector<uint8_t>& stub, uint64_t dataSectionSize,
                        const std::vector<uint8_t>* icoFile, InstallerHead* head, std::string* error,
                        const std::vector<uint8_t>* versionResource = nullptr);
void SetInstallerCheckSum(InstallerHead* head, uint32_t dataSectionSum);

// Checks an .ico file as BuildInstallerImage would take it; false with `problem` set.
bool CheckIconFile(const std::vector<uint8_t>& icoFile, std::string* problem);
