// The MS-CAB structures that zav-pack writes itself: the head (header, folders, files), each
// data block's header with its checksum, and the payload's division into folders.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "packer/checks/payload.h"

// A folder's compression as its header field says it: none, MSZIP, or LZX with its window.
constexpr uint16_t CabinetStored = 0;
constexpr uint16_t CabinetMszip = 1;
inline uint16_t CabinetLzx(int windowBits) { return uint16_t(3 | windowBits << 8); }

// Files [firstFile, firstFile + fileCount) of the payload, `bytes` long together.
struct FolderPlan {
  size_t firstFile = 0, fileCount = 0;
  uint64_t bytes = 0;
};

// The files in their order, cut into folders of about `folderBytes` each: a folder ends before
// the file that would take it over, and a larger file has one of its own.
std::vector<FolderPlan> PlanFolders(const std::vector<PayloadFile>& files, uint64_t folderBytes);

// Where one folder's data blocks lie in the cabinet, and how many there are.
struct FolderPlace {
  uint32_t dataOffset = 0;
  uint16_t blocks = 0;
};

// The cabinet's length before its first data block.
uint32_t CabinetHeadBytes(const std::vector<PayloadFile>& files, size_t folderCount);

// The head of a cabinet of `cabinetBytes` bytes in all.
std::vector<uint8_t> CabinetHead(const std::vector<PayloadFile>& files, const std::vector<FolderPlan>& plans,
                                 const std::vector<FolderPlace>& places, uint16_t compression, uint32_t cabinetBytes);

// The checksum of a data block: the 32-bit XOR of its words, its last 1..3 bytes taken as one
// more word with the first of them highest.
uint32_t CabinetChecksum(const uint8_t* bytes, size_t count, uint32_t seed);

// A data block: its header (checksum, lengths) and its bytes.
std::vector<uint8_t> CabinetDataBlock(const std::vector<uint8_t>& data, uint32_t uncompressedBytes);

// DOS date and time of a cabinet time (CabinetTime).
void DosDateTime(int64_t seconds, uint16_t* date, uint16_t* time);
