// The program's data as an installer carries it: one directory at the start of the program's
// last section, then the blocks it names. zav-pack writes it; the program reads it in memory.
//
// Directory, little-endian: "ZAVD", version (u32), entry count (u32), then per entry its offset
// from the section's start and its size (u32 each), in the order of DataEntry.
#pragma once
#include <cstdint>

constexpr char DataMagic[4] = {'Z', 'A', 'V', 'D'};
constexpr uint32_t DataVersion = 1;
constexpr uint32_t DataHeaderSize = 12;
constexpr uint32_t DataBlockAlignment = 16;

enum DataEntry : int {
  CabinetEntry,        // one whole MS-CAB cabinet
  BackgroundEntry,     // baseline JPEG, 416 x 180
  InstallButtonEntry,  // baseline JPEG, 80 x 20, and the two below
  InfoButtonEntry,
  ExitButtonEntry,
  SongEntry,           // the song as the music player takes it: XM byte count (u32), XM bytes
  CreditsEntry,        // 198 characters and a NUL
  InfoTextEntry,       // code page 437 text and a NUL
  FolderNameEntry,     // the install folder's name and a NUL
  DataEntryCount
};

constexpr uint32_t DataDirectorySize = DataHeaderSize + 8 * DataEntryCount;
constexpr uint32_t CreditsCharacters = 198;

struct DataBlock {
  const uint8_t* bytes;
  uint32_t size;
};

// Reads the directory at the start of `section` (`size` bytes that may be read). False, with
// `blocks` untouched, when it is missing or inconsistent: a wrong magic, version or count, a
// block outside the section or empty, a text without its NUL or with one too early (credits),
// a song whose byte count disagrees with its block, a folder name the installer would refuse.
bool ReadDataDirectory(const uint8_t* section, uint32_t size, DataBlock blocks[DataEntryCount]);
