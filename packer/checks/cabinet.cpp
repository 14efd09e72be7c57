#include "packer/checks/cabinet.h"

#include <libgcab.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "packer/byte_order.h"
#include "packer/checks/stored_names.h"

namespace {

// The cabinet header (CFHEADER) and the file entries (CFFILE), as far as they are checked.
const size_t HeaderBytes = 36;
const size_t HeaderReserveBytes = 4;  // when ReservePresent: header, folder and data reserve sizes
const size_t FolderEntryBytes = 8;
const size_t FileEntryBytes = 16;
const size_t DataHeaderBytes = 8;  // CFDATA: checksum, compressed and uncompressed byte counts
const uint16_t PreviousCabinet = 1, NextCabinet = 2, ReservePresent = 4;
const uint16_t FirstContinuedFolder = 0xFFFD;  // 0xFFFD to 0xFFFF: continued from or into another
const uint16_t NameIsUtf8 = 0x80;              // a file's attribute: its name is UTF-8
const char* const WholeCabinetHint =
    "the installer reads one whole cabinet: pack the files with --payload, or with gcab -c -z";

// The header's own consistency; "" when it holds together, else what is wrong.
std::string HeaderProblem(const std::vector<uint8_t>& b) {
  if (b.size() < HeaderBytes || std::memcmp(b.data(), "MSCF", 4) != 0)
    return std::string("is not an MS-CAB cabinet (it does not start with \"MSCF\"); ") + WholeCabinetHint;
  if (ReadU32(b, 8) != b.size())
    return "says it is " + WithThousands(ReadU32(b, 8)) + " bytes long but has " + WithThousands(b.size()) +
           "; it is damaged or cut short";
  if (b[25] != 1 || b[24] != 3)
    return "is of cabinet format " + std::to_string(b[25]) + "." + std::to_string(b[24]) +
           ", and the installer reads 1.3; " + WholeCabinetHint;
  if (ReadU16(b, 30) & (PreviousCabinet | NextCabinet))
    return std::string("is one part of a set that continues from or into another cabinet; ") + WholeCabinetHint;
  if (ReadU16(b, 26) == 0 || ReadU16(b, 28) == 0) return "holds no file to install; put files in it";
  return "";
}

// The stored names of the file entries, those outside ASCII without the UTF-8 mark apart (each
// Windows reads them in its own code page); false with `problem` set when the entries do not
// lie inside the cabinet or name a folder it does not have.
bool ReadStoredNames(const std::vector<uint8_t>& b, std::vector<std::string>* names,
                     std::vector<std::string>* unmarked, std::string* problem) {
  uint16_t flags = ReadU16(b, 30), folders = ReadU16(b, 26), files = ReadU16(b, 28);
  size_t folderBytes = FolderEntryBytes;
  size_t at = HeaderBytes;
  if (flags & ReservePresent) {
    if (at + HeaderReserveBytes > b.size()) return *problem = "is damaged: its header is cut short", false;
    folderBytes += b[at + 2];
    at += HeaderReserveBytes + ReadU16(b, at);
  }
  if (at + folders * folderBytes > b.size()) return *problem = "is damaged: its folder list is cut short", false;
  at = ReadU32(b, 16);
  for (uint16_t file = 0; file < files; ++file) {
    if (at + FileEntryBytes >= b.size()) return *problem = "is damaged: its file list is cut short", false;
    uint16_t folder = ReadU16(b, at + 8);
    if (folder >= FirstContinuedFolder)
      return *problem = std::string("holds a file that continues from or into another cabinet; ") + WholeCabinetHint, false;
    if (folder >= folders) return *problem = "is damaged: a file names a folder that it does not have", false;
    const uint8_t* name = b.data() + at + FileEntryBytes;
    const void* end = std::memchr(name, 0, b.size() - at - FileEntryBytes);
    if (!end) return *problem = "is damaged: a file name runs past its end", false;
    std::string read(reinterpret_cast<const char*>(name), static_cast<const uint8_t*>(end) - name);
    bool ascii = std::all_of(read.begin(), read.end(), [](char c) { return uint8_t(c) < 0x80; });
    bool marked = ReadU16(b, at + 14) & NameIsUtf8;  // the attributes end the fixed part
    at += FileEntryBytes + read.size() + 1;
    (ascii || marked ? names : unmarked)->push_back(read);
  }
  return true;
}

// The checksum of a data block: its bytes folded into 32 bits, four at a time, a tail of one to
// three bytes taken as the high end of a last word.
uint32_t Checksum(const uint8_t* bytes, size_t count, uint32_t seed) {
  uint32_t sum = seed;
  size_t at = 0;
  for (; at + 4 <= count; at += 4)
    sum ^= uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 | uint32_t(bytes[at + 3]) << 24;
  uint32_t tail = 0;
  for (; at < count; ++at) tail = tail << 8 | bytes[at];
  return sum ^ tail;
}

// A data block may carry the checksum 0, which means "none" (and the platform reads it so), but
// libgcab takes it for a wrong one: the copy it checks gets those checksums filled in. A layout
// that does not hold together is left as it is, for libgcab to refuse.
std::vector<uint8_t> WithChecksums(std::vector<uint8_t> b) {
  size_t at = HeaderBytes, dataReserve = 0, folderReserve = 0;
  if (ReadU16(b, 30) & ReservePresent) {
    if (at + HeaderReserveBytes > b.size()) return b;
    folderReserve = b[at + 2];
    dataReserve = b[at + 3];
    at += HeaderReserveBytes + ReadU16(b, at);
  }
  for (uint16_t folder = 0; folder < ReadU16(b, 26); ++folder, at += FolderEntryBytes + folderReserve) {
    if (at + FolderEntryBytes > b.size()) return b;
    size_t block = ReadU32(b, at);
    for (uint16_t count = ReadU16(b, at + 4); count > 0; --count) {
      if (block + DataHeaderBytes + dataReserve > b.size()) return b;
      size_t dataBytes = ReadU16(b, block + 4);
      size_t data = block + DataHeaderBytes + dataReserve;
      if (data + dataBytes > b.size()) return b;
      if (ReadU32(b, block) == 0) {
        uint32_t sum = Checksum(b.data() + block + 4, 4, Checksum(b.data() + data, dataBytes, 0));
        for (int i = 0; i < 4; ++i) b[block + i] = uint8_t(sum >> (8 * i));
      }
      block = data + dataBytes;
    }
  }
  return b;
}

// Whether libgcab reads the cabinet and extracts every file of it (into memory); "" if so.
std::string LibraryProblem(const std::vector<uint8_t>& original) {
  std::vector<uint8_t> bytes = WithChecksums(original);
  g_autoptr(GInputStream) stream = g_memory_input_stream_new_from_data(bytes.data(), gssize(bytes.size()), nullptr);
  g_autoptr(GCabCabinet) cabinet = gcab_cabinet_new();
  g_autoptr(GError) failure = nullptr;
  if (gcab_cabinet_load(cabinet, stream, nullptr, &failure) &&
      gcab_cabinet_extract(cabinet, nullptr, nullptr, nullptr, nullptr, nullptr, &failure))
    return "";
  return std::string("cannot be extracted (libgcab: ") + (failure ? failure->message : "failed") +
         "); it is damaged or compressed in a way that is not supported; " + WholeCabinetHint;
}

}  // namespace

bool CheckCabinetBytes(const Input& cabinet, const std::vector<uint8_t>& bytes, size_t maxNameLength,
                       Diagnostics* diagnostics) {
  std::string problem = HeaderProblem(bytes);
  std::vector<std::string> names, unmarked;
  if (problem.empty()) ReadStoredNames(bytes, &names, &unmarked, &problem);
  if (!problem.empty()) {
    diagnostics->Problem(cabinet, problem);
    return false;
  }
  size_t problemsBefore = diagnostics->problems.size();
  for (const std::string& name : unmarked)
    diagnostics->Problem(cabinet, "'" + ShownName(name) + "' is stored without the UTF-8 mark, so each "
                         "Windows would read it in its own code page, and most would install it "
                         "under another name; pack the files with --payload, which stores names in UTF-8");
  for (const std::string& name : names) {
    std::string nameProblem = StoredNameProblem(name, maxNameLength);
    if (!nameProblem.empty()) diagnostics->Problem(cabinet, "'" + ShownName(name) + "' " + nameProblem);
  }
  for (const std::string& clash : StoredNameClashes(names)) diagnostics->Problem(cabinet, clash);
  if (diagnostics->problems.size() != problemsBefore) return false;
  problem = LibraryProblem(bytes);
  if (!problem.empty()) diagnostics->Problem(cabinet, problem);
  return problem.empty();
}

std::vector<uint8_t> CheckCabinet(const Input& cabinet, size_t maxNameLength, Diagnostics* diagnostics) {
  std::vector<uint8_t> bytes;
  // The header counts the cabinet's bytes in 32 bits.
  if (!ReadInputFile(cabinet, UINT32_MAX, &bytes, diagnostics) ||
      !CheckCabinetBytes(cabinet, bytes, maxNameLength, diagnostics))
    return {};
  return bytes;
}
