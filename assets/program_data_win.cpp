// The program's data lies in its own last section, which the loader has mapped like every other:
// the section is found through the image's headers in memory, and nothing is read from a file.
#include "assets/program_data.h"

#include <windows.h>

DataBlock ProgramData[DataEntryCount];

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
  if (section && ReadDataDirectory(section, size, ProgramData)) return true;
  if (section) ReadTextsEntry(section, size, &ProgramData[TextsEntry]);
  return false;
}
