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

// Checks an .ico file as BuildInstallerImage would take it; false with `problem` set.
bool CheckIconFile(const std::vector<uint8_t>& icoFile, std::string* problem);
