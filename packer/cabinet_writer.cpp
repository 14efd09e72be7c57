// zav-pack's own cabinet writer, for LZX and stored folders. The payload is cut into folders of
// about 32 MB (Compression), each an independent stream, so that two threads can compress two folders at once.
// The folders' data blocks still go to the output in the folders' order, whatever the threads'
// timing: a folder's blocks are written as soon as every folder before it is written, and held
// in memory until then. Folders compress at different speeds, so a thread that finishes early
// goes on with the next folder rather than wait for the slower one before it; it takes a folder
// beyond the next one to write only while what is held in all stays under a limit, and a thread
// whose folder's held blocks pass another waits for its turn, so what is held stays bounded.
#include "packer/cabinet_writer.h"

#include <algorithm>

#include "packer/cabinet_format.h"
#include "packer/lzx/lzx_encoder.h"
#include "packer/worker.h"

namespace {

const size_t HeldBytesLimit = 48 << 20;
const size_t HeldAheadLimit = 32 << 20;
const size_t PieceBytes = 1 << 20;
const int Threads = 2;

struct FolderState {
  std::vector<std::vector<uint8_t>> held;  // data blocks waiting for the folders before
  size_t heldBytes = 0;
  bool compressed = false;
  FolderPlace place;
};

// Everything the threads share; the fields below `lock` are touched only inside it.
struct Packing {
  const std::vector<PayloadFile>* files;
  Compression compression;
  OutputFile* output;
  uint64_t offset;
  Progress* progress;
  std::vector<FolderPlan> plans;
  Lock* lock;
  std::vector<FolderState> folders;
  size_t nextFolder = 0;
  size_t written = 0;   // folders whose blocks are all in the output
  size_t heldBytes = 0;  // in all folders' held blocks
  uint64_t dataEnd = 0;  // the cabinet's length so far
  bool failed = false;
  std::string error;
};

// Records the first failure, which stops both threads; false, for the caller to return.
bool Fail(Packing* packing, const std::string& error) {
  EnterLock(packing->lock);
  if (!packing->failed) packing->error = error;
  packing->failed = true;
  LeaveLock(packing->lock);
  return false;
}

// Inside the lock: writes the blocks of the folders whose turn has come.
void WriteReady(Packing* packing) {
  while (!packing->failed && packing->written < packing->folders.size()) {
    FolderState& folder = packing->folders[packing->written];
    for (const std::vector<uint8_t>& block : folder.held) {
      if (folder.place.blocks == 0xFFFF) {
        packing->error = "a folder holds more than 65,535 data blocks";
        packing->failed = true;
        return;
      }
      if (!packing->output->WriteAt(packing->offset + packing->dataEnd, block.data(), block.size(), &packing->error)) {
        packing->failed = true;
        return;
      }
      packing->dataEnd += block.size();
      ++folder.place.blocks;
    }
    packing->heldBytes -= folder.heldBytes;
    folder.held.clear();
    folder.heldBytes = 0;
    if (!folder.compressed) return;
    if (++packing->written < packing->folders.size()) packing->folders[packing->written].place.dataOffset = uint32_t(packing->dataEnd);
  }
}

// Hands over a folder's next blocks; false when the packing failed meanwhile.
bool Deliver(Packing* packing, size_t index, const std::vector<lzx::CompressedFrame>& frames, bool last) {
  EnterLock(packing->lock);
  FolderState& folder = packing->folders[index];
  for (const lzx::CompressedFrame& frame : frames) {
    folder.held.push_back(CabinetDataBlock(frame.bytes, frame.uncompressedBytes));
    folder.heldBytes += folder.held.back().size();
    packing->heldBytes += folder.held.back().size();
  }
  folder.compressed = last;
  WriteReady(packing);
  // Too much held ahead: wait until this folder's turn.
  while (!packing->failed && folder.heldBytes > HeldBytesLimit && packing->written != index) {
    LeaveLock(packing->lock);
    PauseBriefly();
    EnterLock(packing->lock);
    WriteReady(packing);
  }
  bool going = !packing->failed;
  LeaveLock(packing->lock);
  return going;
}

// A stored folder: its bytes cut into frames as they are.
struct StoredFolder {
  std::vector<uint8_t> frame;
  std::vector<lzx::CompressedFrame> frames;
  void Write(const uint8_t* bytes, size_t count) {
    while (count > 0) {
      size_t take = std::min(count, lzx::FrameBytes - frame.size());
      frame.insert(frame.end(), bytes, bytes + take);
      bytes += take, count -= take;
      if (frame.size() == lzx::FrameBytes) Flush();
    }
  }
  void Flush() {
    if (frame.empty()) return;
    frames.push_back({frame, uint32_t(frame.size())});
    frame.clear();
  }
};

bool CompressFolder(Packing* packing, size_t index) {
  const FolderPlan& plan = packing->plans[index];
  bool lzx = packing->compression.method == CompressionMethod::Lzx;
  lzx::Encoder encoder(lzx ? packing->compression.windowBits : lzx::MinWindowBits, lzx ? plan.bytes : 0);
  StoredFolder stored;
  std::vector<uint8_t> piece(PieceBytes);
  for (size_t i = plan.firstFile; i < plan.firstFile + plan.fileCount; ++i) {
    const PayloadFile& file = (*packing->files)[i];
    InputFile input;
    std::string error;
    if (!input.Open(file.path, &error)) return Fail(packing, "'" + file.path + "' cannot be read: " + error);
    uint64_t done = 0;
    for (int64_t got; (got = input.Read(piece.data(), piece.size(), &error)) != 0; done += uint64_t(got)) {
      if (got < 0) return Fail(packing, "'" + file.path + "' cannot be read: " + error);
      if (done + uint64_t(got) > file.size) break;
      if (lzx) encoder.Write(piece.data(), size_t(got));
      else stored.Write(piece.data(), size_t(got));
      std::vector<lzx::CompressedFrame> frames = lzx ? encoder.TakeFrames() : std::move(stored.frames);
      stored.frames.clear();
      if (!Deliver(packing, index, frames, false)) return false;
      AddProgress(packing->progress, uint64_t(got), 0);
    }
    if (done != file.size) return Fail(packing, "'" + file.path + "' changed while it was packed");
    AddProgress(packing->progress, 0, 1);
  }
  if (lzx) encoder.Finish();
  stored.Flush();
  return Deliver(packing, index, lzx ? encoder.TakeFrames() : stored.frames, true);
}

// What each thread does: the next folder, while there is one and it is not too far ahead.
void CompressFolders(void* context) {
  Packing* packing = static_cast<Packing*>(context);
  for (;;) {
    EnterLock(packing->lock);
    bool done = packing->failed || packing->nextFolder == packing->plans.size();
    bool ahead = !done && packing->nextFolder > packing->written + 1 && packing->heldBytes >= HeldAheadLimit;
    size_t index = packing->nextFolder;
    if (!done && !ahead) ++packing->nextFolder;
    LeaveLock(packing->lock);
    if (done) return;
    if (ahead) {
      PauseBriefly();
      continue;
    }
    if (!CompressFolder(packing, index)) return;
  }
}

}  // namespace

bool WriteCabinet(const std::vector<PayloadFile>& files, Compression compression, OutputFile* output,
                  uint64_t offset, uint64_t* size, Progress* progress, std::string* error) {
  if (compression.method == CompressionMethod::Mszip) return WriteMszipCabinet(files, output, offset, size, error);
  Packing packing;
  packing.files = &files;
  packing.compression = compression;
  packing.output = output;
  packing.offset = offset;
  packing.progress = progress;
  packing.plans = PlanFolders(files, compression.folderBytes);
  packing.folders.resize(packing.plans.size());
  packing.dataEnd = CabinetHeadBytes(files, packing.plans.size());
  if (!packing.folders.empty()) packing.folders[0].place.dataOffset = uint32_t(packing.dataEnd);
  packing.lock = CreateLock();
  Worker* worker = packing.plans.size() > 1 && UsefulThreads(Threads) > 1 ? StartWorker(CompressFolders, &packing) : nullptr;
  CompressFolders(&packing);
  if (worker) JoinWorker(worker);
  DestroyLock(packing.lock);
  if (packing.failed) {
    *error = packing.error;
    return false;
  }
  if (packing.dataEnd > UINT32_MAX) {
    *error = "the cabinet would be larger than 4 GB";
    return false;
  }
  std::vector<FolderPlace> places;
  for (const FolderState& folder : packing.folders) places.push_back(folder.place);
  uint16_t method = compression.method == CompressionMethod::Lzx ? CabinetLzx(compression.windowBits) : CabinetStored;
  std::vector<uint8_t> head = CabinetHead(files, packing.plans, places, method, uint32_t(packing.dataEnd));
  *size = packing.dataEnd;
  return output->WriteAt(offset, head.data(), head.size(), error);
}
