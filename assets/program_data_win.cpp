// The program's data lies in its own last section, which the loader has mapped like every other:
// the section is found through the image's headers in memory, and nothing is read from a file.
#include "assets/program_data.h"

#include <windows.h>

#include "assets/data_directory.h"

const uint8_t* BackgroundJpeg;
uint32_t BackgroundJpegSize;
const uint8_t* InstallJpeg;
uint32_t InstallJpegSize;
const uint8_t* AboutJpeg;
uint32_t AboutJpegSize;
const uint8_t* ExitJpeg;
uint32_t ExitJpegSize;
const uint8_t* ModuleImage;
const char* CreditsText;
const char* InfoText;
const uint8_t* CabinetImage;
uint32_t CabinetImageSize;
const char* InstallFolderName;

namespace {

// The last section of the mapped image: its first byte and the bytes that may be read there
// (the smaller of its size in memory and in the file, since only those hold the file's bytes).
const uint8_t* LastSection(uint32_t* size) {
  auto* image = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  WORD count = nt->FileHeader.NumberOfSections;
  if (count == 0) return nullptr;
  const IMAGE_SECTION_HEADER& last = IMAGE_FIRST_SECTION(nt)[count - 1];
  DWORD inFile = last.SizeOfRawData;
  *size = last.Misc.VirtualSize < inFile ? last.Misc.VirtualSize : inFile;
  return image + last.VirtualAddress;
}

}  // namespace

bool FindProgramData() {
  uint32_t size = 0;
  const uint8_t* section = LastSection(&size);
  DataBlock blocks[DataEntryCount];
  if (!section || !ReadDataDirectory(section, size, blocks)) return false;
  CabinetImage = blocks[CabinetEntry].bytes;
  CabinetImageSize = blocks[CabinetEntry].size;
  BackgroundJpeg = blocks[BackgroundEntry].bytes;
  BackgroundJpegSize = blocks[BackgroundEntry].size;
  InstallJpeg = blocks[InstallButtonEntry].bytes;
  InstallJpegSize = blocks[InstallButtonEntry].size;
  AboutJpeg = blocks[InfoButtonEntry].bytes;
  AboutJpegSize = blocks[InfoButtonEntry].size;
  ExitJpeg = blocks[ExitButtonEntry].bytes;
  ExitJpegSize = blocks[ExitButtonEntry].size;
  ModuleImage = blocks[SongEntry].bytes;
  CreditsText = reinterpret_cast<const char*>(blocks[CreditsEntry].bytes);
  InfoText = reinterpret_cast<const char*>(blocks[InfoTextEntry].bytes);
  InstallFolderName = reinterpret_cast<const char*>(blocks[FolderNameEntry].bytes);
  return true;
}
