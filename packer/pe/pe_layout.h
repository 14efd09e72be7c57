// The headers of a PE32+ program as far as adding sections to it goes: where the headers lie,
// the section table, the data directories, and appending a section after the last one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PeSection {
  std::string name;  // up to 8 characters
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  uint32_t characteristics = 0;
};

struct PeLayout {
  size_t fileHeader = 0;  // the COFF file header, just after "PE\0\0"
  size_t optionalHeader = 0;
  size_t sectionTable = 0;
  uint32_t sectionAlignment = 0;
  uint32_t fileAlignment = 0;
  uint32_t sizeOfHeaders = 0;
  uint32_t directoryCount = 0;
  std::vector<PeSection> sections;  // in the table's order, which is also address order
};

struct PeDirectory {
  uint32_t rva = 0;
  uint32_t size = 0;
};

enum PeDirectoryIndex : uint32_t { ResourceDirectory = 2, CertificateDirectory = 4 };

constexpr uint32_t InitializedReadOnlyData = 0x40000040;

// Reads and checks the headers: MZ and PE signatures, a PE32+ x86-64 image, alignments that
// are powers of two, the section table inside the headers, sections in address order without
// overlaps and with their raw data inside the file. False with `problem` set (it completes
// "the stub ...").
bool ReadPeLayout(const std::vector<uint8_t>& file, PeLayout* layout, std::string* problem);

// The file offset of the checksum field in the optional header.
size_t CheckSumOffset(const PeLayout& layout);

// A data directory entry; empty for an index beyond the header's directory count.
PeDirectory ReadPeDirectory(const std::vector<uint8_t>& file, const PeLayout& layout,
                            uint32_t index);
void WritePeDirectory(std::vector<uint8_t>* file, const PeLayout& layout, uint32_t index,
                      PeDirectory directory);

// The file offset of `size` bytes at `rva`, when they lie wholly in one section's raw data.
bool RvaToFileOffset(const PeLayout& layout, uint32_t rva, uint32_t size, size_t* offset);

// The first section-aligned address after every section.
uint64_t NextSectionAddress(const PeLayout& layout);

// Adds `bytes` as a new last section: at NextSectionAddress in memory, at the end of the file
// padded to the file alignment. Updates the section count, SizeOfImage and
// SizeOfInitializedData. False, with nothing changed, when the headers have no room for one
// more section header or the image would outgrow 32-bit sizes.
bool AppendSection(std::vector<uint8_t>* file, PeLayout* layout, const std::string& name,
                   const std::vector<uint8_t>& bytes, uint32_t characteristics,
                   std::string* problem);

// The same for a section of `size` bytes that the caller writes itself: the file ends where
// that section's raw data is to begin.
bool AppendSectionHeader(std::vector<uint8_t>* file, PeLayout* layout, const std::string& name, uint64_t size,
                         uint32_t characteristics, std::string* problem);

// Writes one section's header back after its fields changed.
void WriteSectionHeader(std::vector<uint8_t>* file, const PeLayout& layout, size_t index);
