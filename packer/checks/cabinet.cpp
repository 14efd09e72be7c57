#include "packer/checks/cabinet.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "packer/byte_order.h"
#include "packer/checks/payload.h"
#include "packer/checks/stored_names.h"
#include "packer/file_io.h"

namespace {

// The cabinet header (CFHEADER) and the file entries (CFFILE), as far as they are checked.
const size_t HeaderBytes = 36;
const size_t HeaderReserveBytes = 4;  // when ReservePresent: header, folder and data reserve sizes
const size_t FolderEntryBytes = 8;
const size_t FileEntryBytes = 16;
const uint16_t PreviousCabinet = 1, NextCabinet = 2, ReservePresent = 4;
const uint16_t FirstContinuedFolder = 0xFFFD;  // 0xFFFD to 0xFFFF: continued from or into another
const uint16_t NameIsUtf8 = 0x80;              // a file's attribute: its name is UTF-8
const size_t ComparedBytes = 1 << 20;  // what the read-back reads of a packed file at a time
const char* const WholeCabinetHint =
    "the installer reads one whole cabinet: pack the files with --payload, or with gcab -c -z";

// The header's own consistency; "" when it holds together, else what is wrong.
std::string HeaderProblem(const std::vector<uint8_t>& b, uint64_t size) {
  if (b.size() < HeaderBytes || std::memcmp(b.data(), "MSCF", 4) != 0)
    return std::string("is not an MS-CAB cabinet (it does not start with \"MSCF\"); ") + WholeCabinetHint;
  if (ReadU32(b, 8) != size)
    return "says it is " + WithThousands(ReadU32(b, 8)) + " bytes long but has " + WithThousands(size) +
           "; it is damaged or cut short";
  if (b[25] != 1 || b[24] != 3)
    return "is of cabinet format " + std::to_string(b[25]) + "." + std::to_string(b[24]) +
           ", and the installer reads 1.3; " + WholeCabinetHint;
  if (ReadU16(b, 30) & (PreviousCabinet | NextCabinet))
    return std::string("is one part of a set that continues from or into another cabinet; ") + WholeCabinetHint;
  if (ReadU16(b, 26) == 0 || ReadU16(b, 28) == 0) return "holds no file to install; put files in it";
  return "";
}

// `count` bytes of the cabinet from `offset` on, fewer where it ends; false with `error` set.
bool ReadPiece(const std::string& path, uint64_t offset, uint64_t count, std::vector<uint8_t>* piece, std::string* error) {
  InputFile file;
  if (!file.Open(path, error) || !file.Seek(offset)) return false;
  piece->resize(count);
  size_t done = 0;
  for (int64_t got = 1; done < count && got > 0; done += size_t(got)) {
    got = file.Read(piece->data() + done, count - done, error);
    if (got < 0) return false;
  }
  piece->resize(done);
  return true;
}

// The stored names of the file entries, read from the cabinet's head (`b`, the first bytes) and
// its file list, those outside ASCII without the UTF-8 mark apart (each Windows reads them in its
// own code page); false with `problem` set when the entries do not lie inside the cabinet or name
// a folder it does not have.
bool ReadStoredNames(const std::string& path, const std::vector<uint8_t>& b, uint64_t size,
                     std::vector<std::string>* names, std::vector<std::string>* unmarked, std::string* problem) {
  uint16_t flags = ReadU16(b, 30), folders = ReadU16(b, 26), files = ReadU16(b, 28);
  uint64_t folderBytes = FolderEntryBytes;
  uint64_t at = HeaderBytes;
  if (flags & ReservePresent) {
    if (at + HeaderReserveBytes > b.size()) return *problem = "is damaged: its header is cut short", false;
    folderBytes += b[at + 2];
    at += HeaderReserveBytes + ReadU16(b, at);
  }
  if (at + folders * folderBytes > size) return *problem = "is damaged: its folder list is cut short", false;
  // Each entry has its fields and a name of at most 256 bytes with its NUL.
  std::vector<uint8_t> list;
  uint64_t listStart = ReadU32(b, 16);
  std::string error;
  if (listStart >= size) return *problem = "is damaged: its file list is cut short", false;
  if (!ReadPiece(path, listStart, uint64_t(files) * (FileEntryBytes + 256), &list, &error))
    return *problem = "cannot be read: " + error, false;
  at = 0;
  for (uint16_t file = 0; file < files; ++file) {
    if (at + FileEntryBytes >= list.size()) return *problem = "is damaged: its file list is cut short", false;
    uint16_t folder = ReadU16(list, at + 8);
    if (folder >= FirstContinuedFolder)
      return *problem = std::string("holds a file that continues from or into another cabinet; ") + WholeCabinetHint, false;
    if (folder >= folders) return *problem = "is damaged: a file names a folder that it does not have", false;
    const uint8_t* name = list.data() + at + FileEntryBytes;
    const void* end = std::memchr(name, 0, list.size() - at - FileEntryBytes);
    if (!end) return *problem = "is damaged: a file name runs past its end", false;
    std::string read(reinterpret_cast<const char*>(name), static_cast<const uint8_t*>(end) - name);
    bool ascii = std::all_of(read.begin(), read.end(), [](char c) { return uint8_t(c) < 0x80; });
    bool marked = ReadU16(list, at + 14) & NameIsUtf8;  // the attributes end the fixed part
    at += FileEntryBytes + read.size() + 1;
    (ascii || marked ? names : unmarked)->push_back(read);
  }
  return true;
}

// Takes what the decompressor extracts and lets it go: only whether every file comes out whole
// counts.
class Discard : public CabinetSink {
 public:
  bool BeginFile(const std::string&, uint64_t) override { return true; }
  bool Write(const uint8_t*, size_t) override { return true; }
  bool EndFile() override { return true; }
};

// Compares what the decompressor extracts with the packed files, read again from their
// folder: the cabinet must give back every file, in order, byte for byte.
class SameAsPacked : public CabinetSink {
 public:
  SameAsPacked(const std::vector<PayloadFile>& files, ReadBackWatch watch)
      : files_(files), watch_(watch), buffer_(ComparedBytes) {}

  bool BeginFile(const std::string& name, uint64_t size) override {
    if (next_ >= files_.size()) return Fail("the cabinet holds '" + ShownName(name) + "', which was not packed");
    if (files_[next_].stored != name || files_[next_].size != size) return Changed();
    return source_.Open(files_[next_].path, &error_) || CannotRead();
  }
  bool Write(const uint8_t* bytes, size_t count) override {
    if (watch_.done) watch_.done(watch_.context, count, 0);
    while (count > 0) {
      int64_t got = source_.Read(buffer_.data(), std::min(count, buffer_.size()), &error_);
      if (got < 0) return CannotRead();
      if (got == 0 || std::memcmp(buffer_.data(), bytes, size_t(got)) != 0) return Changed();
      bytes += got;
      count -= size_t(got);
    }
    return true;
  }
  bool EndFile() override {
    if (source_.Read(buffer_.data(), 1, &error_) != 0) return Changed();
    source_.Close();
    ++next_;
    if (watch_.done) watch_.done(watch_.context, 0, 1);
    return true;
  }
  std::string Problem(const std::string& extraction) const {
    if (!problem_.empty()) return problem_;
    if (!extraction.empty()) return "the cabinet failed its read-back: " + extraction;
    if (next_ != files_.size()) return "the cabinet holds fewer files than were packed";
    return "";
  }

 private:
  bool Fail(const std::string& problem) {
    if (problem_.empty()) problem_ = problem;
    return false;
  }
  std::string Packed() const { return "'" + ShownName(files_[next_].stored) + "'"; }
  bool Changed() { return Fail(Packed() + " did not come back out of the cabinet as it was packed (did it change meanwhile?)"); }
  bool CannotRead() { return Fail(Packed() + " cannot be read again for the read-back: " + error_); }

  const std::vector<PayloadFile>& files_;
  ReadBackWatch watch_;
  std::vector<uint8_t> buffer_;
  size_t next_ = 0;
  InputFile source_;
  std::string error_, problem_;
};

}  // namespace

bool CheckCabinet(const Input& cabinet, size_t maxNameLength, CabinetPlace* place, Diagnostics* diagnostics) {
  PathStatus status = StatusOf(cabinet.value, true);
  std::vector<uint8_t> head;
  std::string error;
  if (status.kind != PathKind::File) {
    std::vector<uint8_t> unused;
    return ReadInputFile(cabinet, 0, &unused, diagnostics);  // says why it is no file
  }
  if (!ReadPiece(cabinet.value, 0, HeaderBytes + HeaderReserveBytes, &head, &error)) {
    diagnostics->Problem(cabinet, "cannot be read: " + error);
    return false;
  }
  std::string problem = HeaderProblem(head, status.size);
  std::vector<std::string> names, unmarked;
  if (problem.empty()) ReadStoredNames(cabinet.value, head, status.size, &names, &unmarked, &problem);
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
  *place = {cabinet.value, 0, status.size};
  Discard discard;
  problem = ExtractCabinet(*place, &discard);
  if (!problem.empty())
    diagnostics->Problem(cabinet, "cannot be extracted (" + problem + "); it is damaged or compressed in a way "
                                  "that is not supported; " + WholeCabinetHint);
  return problem.empty();
}

std::string ReadBackProblem(const CabinetPlace& cabinet, const std::vector<PayloadFile>& files, ReadBackWatch watch) {
  SameAsPacked comparison(files, watch);
  return comparison.Problem(ExtractCabinet(cabinet, &comparison));
}
