// The last steps of zav-pack, over the installer image writer: the icon's check, and the
// installer made of the embedded stub, the data section and the icon.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Whether the .ico file can become the installer's icon; false with `problem` set.
bool IconFits(const std::vector<uint8_t>& ico, std::string* problem);

// The installer: the embedded stub with `dataSection` and, if given, the icon. False with
// `error` set when it cannot be made.
bool MakeInstaller(const std::vector<uint8_t>& dataSection, const std::vector<uint8_t>* ico,
                   std::vector<uint8_t>* installer, std::string* error);
