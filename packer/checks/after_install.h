// Checks what an installer does after the install (--run, --open-folder): the blocks of its data.
#pragma once
#include <cstdint>
#include <vector>

#include "packer/checks/diagnostics.h"
#include "packer/checks/payload.h"

// --run PATH: a file of the payload, named as the cabinet stores it ("bin\game.exe", "/" taken
// for "\"), by the same rules as every stored name; when the payload's files are known (not
// with --cabinet), one of them, matched exactly. The stored name and a NUL; empty with a problem.
std::vector<uint8_t> CheckRunTarget(const Input& run, const std::vector<PayloadFile>* payload, size_t maxLength,
                                    Diagnostics* diagnostics);

// The flags block (4 bytes, little-endian); empty when nothing is asked.
std::vector<uint8_t> AfterInstallFlagsBlock(bool openFolder);
