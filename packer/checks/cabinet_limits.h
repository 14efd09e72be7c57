// What one MS-CAB cabinet with a single folder can hold, as its header fields allow.
#pragma once
#include <cstddef>
#include <cstdint>

// The header counts files in 16 bits.
constexpr uint32_t CabinetMaxFiles = 65535;
// A folder counts its data blocks in 16 bits, and a block holds at most 32 KiB of file data.
constexpr uint64_t CabinetFolderMaxBytes = uint64_t(65535) * 32768;
// A stored name has at most 255 characters (256 bytes with its NUL): longer ones the platform's
// decompressor refuses as a damaged cabinet.
constexpr size_t CabinetNameMaxLength = 255;
