// The program's data as an installer carries it: one directory at the start of the program's
// last section, then the blocks it names. zav-pack writes it; the program reads it in memory.
//
// Directory, little-endian: "ZAVD", version (u32), entry count (u32), then per entry its offset
// from the section's start and its size (u32 each), in the order of DataEntry.
//
// Version 1 has exactly the entries up to the folder name. Version 2 adds entries after it, each
// of which may be absent (offset and size 0), and new kinds of entries are added at the end of
// the list: a directory of version 2 may stop before the last entry this program knows, and the
// ones it leaves out are absent. So an installer made before an entry existed is still read.
// Version 3 adds the texts by language; a directory of version 2 stops before them.
#pragma once
#include <cstdint>

constexpr char DataMagic[4] = {'Z', 'A', 'V', 'D'};
constexpr uint32_t DataVersion = 3;
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
  TitleEntry,          // from version 2 on: the window's title, UTF-8 and a NUL
  RunEntry,            // a file to start once installed: a stored name of the cabinet and a NUL
  FlagsEntry,          // u32: what else happens after the install (AfterInstallFlags)
  TextsEntry,          // from version 3 on: the texts by language (language_texts.h)
  DataEntryCount
};

enum AfterInstallFlags : uint32_t {
  OpenFolderFlag = 1,  // the installed folder is opened in the file manager
};

// The entries that version 1 has, and that every version needs.
constexpr int Version1EntryCount = FolderNameEntry + 1;
constexpr int Version2EntryCount = FlagsEntry + 1;
constexpr int TitleMaxCharacters = 120;

constexpr uint32_t DataDirectorySize = DataHeaderSize + 8 * DataEntryCount;
constexpr uint32_t CreditsCharacters = 198;

struct DataBlock {
  const uint8_t* bytes;
  uint32_t size;
};

// Reads the directory at the start of `section` (`size` bytes that may be read); an absent
// entry reads as a null block of size 0. False, with `blocks` untouched, when it is missing or
// inconsistent: a wrong magic, version or count, a block outside the section, a needed one
// empty, a text without its NUL or with one too early (credits), a song whose byte count
// disagrees with its block, a folder name the installer would refuse, a title that is no UTF-8
// or longer than TitleMaxCharacters, a file to start that is no safe stored name, flags that are
// not 4 bytes, texts by language that are not whole (IsTextsBlock).
bool ReadDataDirectory(const uint8_t* section, uint32_t size, DataBlock blocks[DataEntryCount]);

// Only the texts by language of a directory that ReadDataDirectory refuses, so that a damaged
// installer can still say so in its user's language: false, with `texts` untouched, unless the
// directory is of this version and names a whole texts block inside the section.
bool ReadTextsEntry(const uint8_t* section, uint32_t size, DataBlock* texts);
