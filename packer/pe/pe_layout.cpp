#include "packer/pe/pe_layout.h"

#include <algorithm>

#include "packer/byte_order.h"

namespace {

// Offsets of the fields used here, from the start of their header.
constexpr size_t PeHeaderOffsetField = 0x3C;
constexpr size_t NumberOfSectionsField = 2;
constexpr size_t SizeOfOptionalHeaderField = 16;
constexpr size_t SizeOfInitializedDataField = 8;
constexpr size_t SectionAlignmentField = 32;
constexpr size_t FileAlignmentField = 36;
constexpr size_t SizeOfImageField = 56;
constexpr size_t SizeOfHeadersField = 60;
constexpr size_t CheckSumField = 64;
constexpr size_t DirectoryCountField = 108;
constexpr size_t FirstDirectory = 112;  // also the size of the fixed part of a PE32+ header

constexpr size_t FileHeaderSize = 20;
constexpr size_t SectionHeaderSize = 40;
constexpr uint16_t MachineX64 = 0x8664;
constexpr uint16_t MagicPe32 = 0x10B;
constexpr uint16_t MagicPe32Plus = 0x20B;
// The Windows loader refuses images with more sections than this.
constexpr size_t MaxSections = 96;

bool PowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

bool Refuse(std::string* problem, const char* text) {
  *problem = text;
  return false;
}

// The address extent of a section: a zero virtual size means the raw size counts.
uint64_t SectionEnd(const PeSection& section) {
  uint32_t size = section.virtualSize != 0 ? section.virtualSize : section.rawSize;
  return uint64_t(section.virtualAddress) + size;
}

PeSection ReadSectionHeader(const std::vector<uint8_t>& file, size_t at) {
  PeSection section;
  for (size_t i = 0; i < 8 && file[at + i] != 0; ++i) section.name.push_back(char(file[at + i]));
  section.virtualSize = ReadU32(file, at + 8);
  section.virtualAddress = ReadU32(file, at + 12);
  section.rawSize = ReadU32(file, at + 16);
  section.rawOffset = ReadU32(file, at + 20);
  section.characteristics = ReadU32(file, at + 36);
  return section;
}

bool ReadHeaders(const std::vector<uint8_t>& file, PeLayout* layout, size_t* sectionCount,
                 std::string* problem) {
  if (file.size() < PeHeaderOffsetField + 4 || file[0] != 'M' || file[1] != 'Z')
    return Refuse(problem, "the stub is not a Windows program (no MZ header)");
  uint32_t pe = ReadU32(file, PeHeaderOffsetField);
  if (!RangeFits(pe, 4 + FileHeaderSize + 2, file.size()) || file[pe] != 'P' ||
      file[pe + 1] != 'E' || file[pe + 2] != 0 || file[pe + 3] != 0)
    return Refuse(problem, "the stub is not a PE program (no PE header)");
  layout->fileHeader = pe + 4;
  layout->optionalHeader = layout->fileHeader + FileHeaderSize;
  uint16_t magic = ReadU16(file, layout->optionalHeader);
  if (magic == MagicPe32)
    return Refuse(problem, "the stub is a 32-bit program; it must be a 64-bit (PE32+) one");
  if (magic != MagicPe32Plus || ReadU16(file, layout->fileHeader) != MachineX64)
    return Refuse(problem, "the stub is not a 64-bit x86-64 program");
  size_t optionalSize = ReadU16(file, layout->fileHeader + SizeOfOptionalHeaderField);
  if (optionalSize < FirstDirectory ||
      !RangeFits(layout->optionalHeader, optionalSize, file.size()))
    return Refuse(problem, "the stub's optional header is cut short");
  layout->directoryCount = ReadU32(file, layout->optionalHeader + DirectoryCountField);
  if (layout->directoryCount > 16 || FirstDirectory + 8 * layout->directoryCount > optionalSize)
    return Refuse(problem, "the stub's data directories do not fit its optional header");
  layout->sectionAlignment = ReadU32(file, layout->optionalHeader + SectionAlignmentField);
  layout->fileAlignment = ReadU32(file, layout->optionalHeader + FileAlignmentField);
  layout->sizeOfHeaders = ReadU32(file, layout->optionalHeader + SizeOfHeadersField);
  if (!PowerOfTwo(layout->sectionAlignment) || !PowerOfTwo(layout->fileAlignment) ||
      layout->fileAlignment > layout->sectionAlignment || layout->sectionAlignment > (1u << 28))
    return Refuse(problem, "the stub's section or file alignment is not valid");
  layout->sectionTable = layout->optionalHeader + optionalSize;
  *sectionCount = ReadU16(file, layout->fileHeader + NumberOfSectionsField);
  if (*sectionCount == 0 || *sectionCount > MaxSections)
    return Refuse(problem, "the stub's section count is not valid");
  if (layout->sectionTable + SectionHeaderSize * *sectionCount > layout->sizeOfHeaders ||
      layout->sizeOfHeaders > file.size())
    return Refuse(problem, "the stub's section table lies outside its headers");
  return true;
}

bool ReadSections(const std::vector<uint8_t>& file, PeLayout* layout, size_t count,
                  std::string* problem) {
  uint64_t addressEnd = AlignUp(layout->sizeOfHeaders, layout->sectionAlignment);
  for (size_t i = 0; i < count; ++i) {
    PeSection section = ReadSectionHeader(file, layout->sectionTable + SectionHeaderSize * i);
    if (section.rawSize != 0 && (section.rawOffset < layout->sizeOfHeaders ||
                                 !RangeFits(section.rawOffset, section.rawSize, file.size())))
      return Refuse(problem, "the stub has a section whose data lies outside the file");
    if (section.virtualAddress % layout->sectionAlignment != 0 ||
        section.virtualAddress < addressEnd)
      return Refuse(problem, "the stub's sections are not in address order or overlap");
    addressEnd = AlignUp(SectionEnd(section), layout->sectionAlignment);
    layout->sections.push_back(section);
  }
  if (addressEnd > UINT32_MAX) return Refuse(problem, "the stub's sections end beyond 4 GB");
  return true;
}

// Room for one more header: inside SizeOfHeaders (which every section's data follows), unused
// (zero) bytes, and under the loader's section limit.
bool HasRoomForSectionHeader(const std::vector<uint8_t>& file, const PeLayout& layout) {
  size_t count = layout.sections.size();
  size_t at = layout.sectionTable + SectionHeaderSize * count;
  if (count + 1 > MaxSections || at + SectionHeaderSize > layout.sizeOfHeaders) return false;
  return std::all_of(file.begin() + at, file.begin() + at + SectionHeaderSize,
                     [](uint8_t byte) { return byte == 0; });
}

}  // namespace

bool ReadPeLayout(const std::vector<uint8_t>& file, PeLayout* layout, std::string* problem) {
  PeLayout read;
  size_t sectionCount = 0;
  if (!ReadHeaders(file, &read, &sectionCount, problem) ||
      !ReadSections(file, &read, sectionCount, problem))
    return false;
  *layout = read;
  return true;
}

size_t CheckSumOffset(const PeLayout& layout) { return layout.optionalHeader + CheckSumField; }

PeDirectory ReadPeDirectory(const std::vector<uint8_t>& file, const PeLayout& layout,
                            uint32_t index) {
  PeDirectory directory;
  if (index < layout.directoryCount) {
    size_t at = layout.optionalHeader + FirstDirectory + 8 * index;
    directory.rva = ReadU32(file, at);
    directory.size = ReadU32(file, at + 4);
  }
  return directory;
}

void WritePeDirectory(std::vector<uint8_t>* file, const PeLayout& layout, uint32_t index,
                      PeDirectory directory) {
  size_t at = layout.optionalHeader + FirstDirectory + 8 * index;
  WriteU32(file, at, directory.rva);
  WriteU32(file, at + 4, directory.size);
}

bool RvaToFileOffset(const PeLayout& layout, uint32_t rva, uint32_t size, size_t* offset) {
  for (const PeSection& section : layout.sections) {
    if (rva >= section.virtualAddress &&
        RangeFits(rva - section.virtualAddress, size, section.rawSize)) {
      *offset = size_t(section.rawOffset) + (rva - section.virtualAddress);
      return true;
    }
  }
  return false;
}

uint64_t NextSectionAddress(const PeLayout& layout) {
  uint64_t end = layout.sizeOfHeaders;
  for (const PeSection& section : layout.sections) end = std::max(end, SectionEnd(section));
  return AlignUp(end, layout.sectionAlignment);
}

void WriteSectionHeader(std::vector<uint8_t>* file, const PeLayout& layout, size_t index) {
  const PeSection& section = layout.sections[index];
  size_t at = layout.sectionTable + SectionHeaderSize * index;
  std::fill(file->begin() + at, file->begin() + at + 8, 0);
  std::copy(section.name.begin(), section.name.begin() + std::min<size_t>(section.name.size(), 8),
            file->begin() + at);
  WriteU32(file, at + 8, section.virtualSize);
  WriteU32(file, at + 12, section.virtualAddress);
  WriteU32(file, at + 16, section.rawSize);
  WriteU32(file, at + 20, section.rawOffset);
  WriteU32(file, at + 36, section.characteristics);
}

bool AppendSectionHeader(std::vector<uint8_t>* file, PeLayout* layout, const std::string& name, uint64_t size,
                         uint32_t characteristics, std::string* problem) {
  if (!HasRoomForSectionHeader(*file, *layout))
    return Refuse(problem, "the stub has no room in its headers for another section header");
  uint64_t address = NextSectionAddress(*layout);
  uint64_t rawOffset = AlignUp(file->size(), layout->fileAlignment);
  uint64_t rawSize = AlignUp(size, layout->fileAlignment);
  uint64_t imageSize = AlignUp(address + size, layout->sectionAlignment);
  if (rawOffset + rawSize > UINT32_MAX || imageSize > UINT32_MAX)
    return Refuse(problem, "the installer would be larger than 4 GB");

  file->resize(rawOffset);
  PeSection section;
  section.name = name;
  section.virtualSize = uint32_t(size);
  section.virtualAddress = uint32_t(address);
  section.rawSize = uint32_t(rawSize);
  section.rawOffset = uint32_t(rawOffset);
  section.characteristics = characteristics;
  layout->sections.push_back(section);
  WriteSectionHeader(file, *layout, layout->sections.size() - 1);

  WriteU16(file, layout->fileHeader + NumberOfSectionsField, uint16_t(layout->sections.size()));
  WriteU32(file, layout->optionalHeader + SizeOfImageField, uint32_t(imageSize));
  size_t initializedData = layout->optionalHeader + SizeOfInitializedDataField;
  WriteU32(file, initializedData, ReadU32(*file, initializedData) + uint32_t(rawSize));
  return true;
}

bool AppendSection(std::vector<uint8_t>* file, PeLayout* layout, const std::string& name,
                   const std::vector<uint8_t>& bytes, uint32_t characteristics,
                   std::string* problem) {
  if (!AppendSectionHeader(file, layout, name, bytes.size(), characteristics, problem)) return false;
  file->insert(file->end(), bytes.begin(), bytes.end());
  file->resize(layout->sections.back().rawOffset + uint64_t(layout->sections.back().rawSize));
  return true;
}
