#include "packer/installer_writer.h"

#include <algorithm>
#include <cstring>

#include "packer/cabinet_writer.h"
#include "packer/checks/cabinet.h"
#include "packer/data_section.h"
#include "packer/embedded.h"
#include "packer/file_io.h"
#include "packer/pe/installer_image.h"
#include "packer/pe/pe_checksum.h"

namespace {

const size_t PieceBytes = 1 << 20;  // what is read or copied at a time

bool CopyCabinet(const CabinetPlace& cabinet, OutputFile* output, uint64_t offset, uint64_t* size, std::string* error) {
  InputFile source;
  if (!source.Open(cabinet.path, error)) return false;
  std::vector<uint8_t> piece(PieceBytes);
  uint64_t done = 0;
  for (int64_t got; (got = source.Read(piece.data(), piece.size(), error)) != 0; done += uint64_t(got)) {
    if (got < 0 || !output->WriteAt(offset + done, piece.data(), size_t(got), error)) return false;
  }
  if (done != cabinet.length) {
    *error = "the cabinet changed while it was copied";
    return false;
  }
  *size = done;
  return true;
}

void ReadBackDone(void* progress, uint64_t bytes, uint32_t files) {
  AddProgress(static_cast<Progress*>(progress), bytes, files);
}

bool PackCabinet(const InstallerContents& contents, OutputFile* output, uint64_t offset, uint64_t* size,
                 std::string* error) {
  if (contents.payload.empty()) return CopyCabinet(contents.cabinet, output, offset, size, error);
  uint64_t payloadBytes = 0;
  for (const PayloadFile& file : contents.payload) payloadBytes += file.size;
  uint32_t fileCount = uint32_t(contents.payload.size());
  BeginPhase(contents.progress, "compressing", payloadBytes, fileCount);
  if (!WriteCabinet(contents.payload, contents.compression, output, offset, size, contents.progress, error)) return false;
  BeginPhase(contents.progress, "reading back", payloadBytes, fileCount);
  *error = ReadBackProblem({output->TemporaryPath(), offset, *size}, contents.payload, {ReadBackDone, contents.progress});
  return error->empty();
}

// The PeWordSum of the section as written, read back in pieces.
bool SectionSum(OutputFile* output, uint64_t start, uint64_t end, uint32_t* sum, std::string* error) {
  std::vector<uint8_t> piece(PieceBytes);
  *sum = 0;
  for (uint64_t at = start; at < end; at += piece.size()) {
    size_t count = size_t(std::min<uint64_t>(piece.size(), end - at));
    if (!output->ReadAt(at, piece.data(), count, error)) return false;
    *sum = PeWordSum(*sum, piece.data(), count);
  }
  return true;
}

// The directory and every block but the cabinet, as the program will read them.
bool DirectoryHolds(const DataSectionLayout& layout, const InstallerContents& contents) {
  std::vector<uint8_t> front = DataDirectoryBytes(layout);
  front.resize(layout.offsets[CabinetEntry]);
  for (int entry = 0; entry < DataEntryCount; ++entry) {
    if (entry != CabinetEntry) std::copy(contents.blocks[entry].begin(), contents.blocks[entry].end(), front.begin() + long(layout.offsets[entry]));
  }
  DataBlock blocks[DataEntryCount];
  return layout.size <= UINT32_MAX && ReadDataDirectory(front.data(), uint32_t(layout.size), blocks);
}

bool WriteParts(const InstallerContents& contents, OutputFile* output, uint64_t* written, std::string* error) {
  std::vector<uint8_t> stub = EmbeddedBytes(StubProgram);
  if (stub.empty()) {
    *error = "this zav-pack was built without the installer program (build the Windows tree first)";
    return false;
  }
  // The head's length does not depend on the section's: it is known before the cabinet is.
  InstallerHead head;
  const std::vector<uint8_t>* version = contents.version.empty() ? nullptr : &contents.version;
  if (!BuildInstallerHead(stub, 1, contents.icon, &head, error, version)) return false;
  uint64_t start = head.bytes.size();
  uint64_t sizes[DataEntryCount];
  for (int entry = 0; entry < DataEntryCount; ++entry) sizes[entry] = contents.blocks[entry].size();
  DataSectionLayout layout = LayOutDataSection(sizes);
  for (int entry = 0; entry < DataEntryCount; ++entry) {
    const std::vector<uint8_t>& block = contents.blocks[entry];
    if (!output->WriteAt(start + layout.offsets[entry], block.data(), block.size(), error)) return false;
  }
  if (!PackCabinet(contents, output, start + layout.offsets[CabinetEntry], &sizes[CabinetEntry], error)) return false;
  layout = LayOutDataSection(sizes);
  if (!DirectoryHolds(layout, contents)) {
    *error = "the data section failed its own check (a fault in zav-pack)";
    return false;
  }
  std::vector<uint8_t> directory = DataDirectoryBytes(layout);
  if (!BuildInstallerHead(stub, layout.size, contents.icon, &head, error, version)) return false;
  std::vector<uint8_t> padding(head.fileSize - start - layout.size);
  uint32_t sum;
  if (!output->WriteAt(start, directory.data(), directory.size(), error) ||
      !output->WriteAt(start + layout.size, padding.data(), padding.size(), error) ||
      !SectionSum(output, start, head.fileSize, &sum, error))
    return false;
  SetInstallerCheckSum(&head, sum);
  *written = head.fileSize;
  return output->WriteAt(0, head.bytes.data(), head.bytes.size(), error);
}

}  // namespace

bool WriteInstaller(const std::string& path, const InstallerContents& contents, uint64_t* written, std::string* error) {
  OutputFile output;
  bool done = output.Create(path, error) && WriteParts(contents, &output, written, error) && output.Commit(error);
  EndProgress(contents.progress);
  return done;
}

bool IconFits(const std::vector<uint8_t>& ico, std::string* problem) { return CheckIconFile(ico, problem); }
