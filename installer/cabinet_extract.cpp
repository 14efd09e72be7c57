// The decompressor's callbacks: memory and the memory file on one side, the output files on
// the other. The decompressor hands both kinds of handle to the same close callback.
#include "installer/cabinet_extract.h"

#include <windows.h>
#include <fdi.h>

#include "common/system_libraries.h"
#include "common/wide_text.h"
#include "installer/install_paths.h"
#include "installer/install_progress.h"
#include "installer/memory_file.h"

ERF CabError;           // filled by the decompressor on failure; the outcome alone is reported
DWORD BytesWritten;     // what the last write of an output file reported

namespace {

// A cabinet stores a name in at most 255 bytes; in UTF-16 and then in UTF-8 it takes at most
// 255 units and 3 bytes a unit.
constexpr int StoredNameBytes = 256;
char16_t AnsiNameWide[StoredNameBytes];
char AnsiNameUtf8[3 * StoredNameBytes];

// Where a file that replaces an existing one is written until it is whole: TargetPath and this.
const char16_t PartSuffix[] = u".zav-partial";
char16_t PartPath[PathBufferSize];

// The output file between its copy-file and close-file notifications, so that a failed
// extraction never leaves it open (and locked, since it is opened without sharing), the name it
// was created under, and the bytes it should get and has got: the decompressor may hand a file
// back as closed after its data ran out. Null while no output file is open.
HANDLE OpenTarget;
const char16_t* OpenTargetName;
uint32_t TargetSize;
uint32_t TargetWritten;
// Set when a file could not be written whole (a full disk, say). The platform's decompressor
// does not always stop at a short write: it may close the file as if it were complete and go on
// to report success, so the outcome is decided here as well.
bool TargetLost;
bool (*BetweenBlocks)(uint32_t percent);
uint64_t CabinetBytes;    // what the whole cabinet extracts to
uint64_t ExtractedBytes;  // what has been written of it

void CloseTarget() {
  if (!OpenTarget) return;
  CloseHandle(OpenTarget);
  OpenTarget = nullptr;
}

// A file that the decompressor gave up on is removed: cut short, it would pass for an installed
// one. Only the file this install created goes: a file it was to replace was not touched yet.
void AbandonTarget() {
  if (!OpenTarget) return;
  CloseTarget();
  DeleteFileW(Wide(OpenTargetName));
  TargetLost = true;
}

FNALLOC(CabAlloc) { return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, cb); }

FNFREE(CabFree) { GlobalFree(pv); }

// The cabinet's name and path mean nothing here: every open reads the attached image.
FNOPEN(CabOpen) {
  (void)pszFile, (void)oflag, (void)pmode;
  return MemoryFileOpen();
}

FNREAD(CabRead) { return MemoryFileRead(hf, pv, cb); }

FNWRITE(CabWrite) {
  if (BetweenBlocks && !BetweenBlocks(ProgressPercent(ExtractedBytes, CabinetBytes))) return 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(hf), pv, cb, &BytesWritten, nullptr)) return 0;
  if (reinterpret_cast<HANDLE>(hf) == OpenTarget) {
    TargetWritten += BytesWritten;
    ExtractedBytes += BytesWritten;
  }
  return BytesWritten;
}

FNCLOSE(CabClose) {
  // The decompressor closes an output file itself only when it gives up in the middle of it.
  if (!MemoryFileClose(hf) && reinterpret_cast<HANDLE>(hf) == OpenTarget) AbandonTarget();
  return 1;
}

FNSEEK(CabSeek) { return MemoryFileSeek(hf, dist, seektype); }

// --- output files ------------------------------------------------------------------------

// The stored name in UTF-8: as it stands when the cabinet marks it so, else read in the ANSI
// code page, as the platform's own extractors read it. Null when it cannot be converted.
const char* StoredName(const FDINOTIFICATION* note) {
  if (!note->psz1 || (note->attribs & _A_NAME_IS_UTF)) return note->psz1;
  if (!MultiByteToWideChar(CP_ACP, 0, note->psz1, -1, Wide(AnsiNameWide), StoredNameBytes) ||
      !WideCharToMultiByte(CP_UTF8, 0, Wide(AnsiNameWide), -1, AnsiNameUtf8, sizeof AnsiNameUtf8,
                           nullptr, nullptr))
    return nullptr;
  return AnsiNameUtf8;
}

HANDLE CreateFileFor(const char16_t* path, DWORD disposition) {
  return CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Makes every missing folder of TargetPath, from the top down to its last "\". Those that exist
// (the drive, the share, the chosen folder) fail harmlessly.
void CreateFolders() {
  for (char16_t* c = TargetPath + 4; *c; ++c) {  // past "\\?\"
    if (*c != u'\\') continue;
    *c = 0;
    CreateDirectoryW(Wide(TargetPath), nullptr);
    *c = u'\\';
  }
}

// TargetPath followed by PartSuffix; false when that does not fit.
bool FormPartPath() {
  const char16_t* end = PartPath + PathBufferSize;
  char16_t* out = AppendPath(PartPath, end, TargetPath);
  return out && AppendPath(out, end, PartSuffix);
}

// A new file at TargetPath, its folders made on first need. A file that is there already is not
// opened: its successor goes to the part file beside it, and takes its place once whole, so that
// a failure leaves it as it was.
HANDLE OpenOutputFile() {
  OpenTargetName = TargetPath;
  HANDLE file = CreateFileFor(TargetPath, CREATE_NEW);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
    CreateFolders();
    file = CreateFileFor(TargetPath, CREATE_NEW);
  }
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS && FormPartPath()) {
    OpenTargetName = PartPath;
    file = CreateFileFor(PartPath, CREATE_ALWAYS);
  }
  return file;
}

// --- notifications -----------------------------------------------------------------------

using NotifyAction = INT_PTR (*)(FDINOTIFICATION* note);

INT_PTR Ignore(FDINOTIFICATION*) { return 0; }

// A handle for the file's bytes, or -1 (INVALID_HANDLE_VALUE), which stops the extraction;
// so does a file lost before this one.
INT_PTR CreateOutputFile(FDINOTIFICATION* note) {
  const char* name = StoredName(note);
  if (TargetLost || !name || !FormTargetPath(TargetPath, InstallRoot, name)) return -1;
  HANDLE file = OpenOutputFile();
  if (file == INVALID_HANDLE_VALUE) return -1;
  OpenTarget = file;
  TargetSize = static_cast<uint32_t>(note->cb);
  TargetWritten = 0;
  return reinterpret_cast<INT_PTR>(file);
}

// The stored time and attributes are not applied: every file is as new as its extraction.
// A file short of its size is removed, and the extraction stops; so it does when a whole file
// cannot take the place of the one it replaces.
INT_PTR CloseOutputFile(FDINOTIFICATION* note) {
  if (reinterpret_cast<HANDLE>(note->hf) != OpenTarget) return TRUE;
  if (TargetWritten != TargetSize) {
    AbandonTarget();
    return FALSE;
  }
  CloseTarget();
  if (OpenTargetName == PartPath && !MoveFileExW(Wide(PartPath), Wide(TargetPath), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(Wide(PartPath));
    TargetLost = true;
    return FALSE;
  }
  return TRUE;
}

// The image must be one whole cabinet. A file begun in a previous cabinet or going on in a
// next one cannot be installed whole, so the install fails rather than report success with
// files missing; and any next cabinet's name given back would only open this image again,
// for ever.
INT_PTR StopAtCabinetSet(FDINOTIFICATION*) { return -1; }

const NotifyAction NotifyActions[] = {
    Ignore,             // fdintCABINET_INFO
    StopAtCabinetSet,   // fdintPARTIAL_FILE
    CreateOutputFile,   // fdintCOPY_FILE
    CloseOutputFile,    // fdintCLOSE_FILE_INFO
    StopAtCabinetSet,   // fdintNEXT_CABINET
    Ignore,             // fdintENUMERATE
};

FNFDINOTIFY(CabNotify) {
  unsigned type = static_cast<unsigned>(fdint);
  return type < sizeof NotifyActions / sizeof NotifyActions[0] ? NotifyActions[type](pfdin) : 0;
}

}  // namespace

bool ExtractCabinet(const uint8_t* image, uint32_t size, bool (*betweenBlocks)(uint32_t percent)) {
  if (!LoadCabinetLibrary()) return false;
  MemoryFileAttach(image, size);
  TargetLost = false;
  BetweenBlocks = betweenBlocks;
  CabinetBytes = CabinetFileBytes(image, size);
  ExtractedBytes = 0;
  HFDI context = FDICreate(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek,
                           cpu80386, &CabError);
  if (!context) return false;
  // The decompressor takes the cabinet's name and path as writable texts but only reads them.
  BOOL copied = FDICopy(context, const_cast<char*>("x.cab"), const_cast<char*>(""), 0, CabNotify,
                        nullptr, nullptr);
  FDIDestroy(context);
  AbandonTarget();
  return copied != FALSE && !TargetLost;
}
