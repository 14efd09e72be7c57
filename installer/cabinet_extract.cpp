// The decompressor's callbacks: memory and the memory file on one side, the output files on
// the other. The decompressor hands both kinds of handle to the same close callback.
#include "installer/cabinet_extract.h"

#include <windows.h>
#include <fdi.h>
#include <imagehlp.h>

#include "common/system_libraries.h"
#include "installer/install_paths.h"
#include "installer/memory_file.h"

ERF CabError;           // filled by the decompressor on failure; the outcome alone is reported
DWORD BytesWritten;     // what the last write of an output file reported

namespace {

// The output file between its copy-file and close-file notifications, so that a failed
// extraction never leaves it open (and locked, since it is opened without sharing), and the
// bytes it should get and has got: the decompressor may hand a file back as closed after
// its data ran out.
HANDLE OpenTarget = INVALID_HANDLE_VALUE;
uint32_t TargetSize;
uint32_t TargetWritten;
// Set when a file could not be written whole (a full disk, say). The platform's decompressor
// does not always stop at a short write: it may close the file as if it were complete and go on
// to report success, so the outcome is decided here as well.
bool TargetLost;
bool (*BetweenBlocks)();

void CloseTarget() {
  if (OpenTarget == INVALID_HANDLE_VALUE) return;
  CloseHandle(OpenTarget);
  OpenTarget = INVALID_HANDLE_VALUE;
}

// A file that the decompressor gave up on is removed: cut short, it would pass for an
// installed one. TargetPath still names it.
void AbandonTarget() {
  if (OpenTarget == INVALID_HANDLE_VALUE) return;
  CloseTarget();
  DeleteFileA(TargetPath);
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
  if (BetweenBlocks && !BetweenBlocks()) return 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(hf), pv, cb, &BytesWritten, nullptr)) return 0;
  if (reinterpret_cast<HANDLE>(hf) == OpenTarget) TargetWritten += BytesWritten;
  return BytesWritten;
}

FNCLOSE(CabClose) {
  // The decompressor closes an output file itself only when it gives up in the middle of it.
  if (!MemoryFileClose(hf) && reinterpret_cast<HANDLE>(hf) == OpenTarget) AbandonTarget();
  return 1;
}

FNSEEK(CabSeek) { return MemoryFileSeek(hf, dist, seektype); }

// --- notifications -----------------------------------------------------------------------

using NotifyAction = INT_PTR (*)(FDINOTIFICATION* note);

INT_PTR Ignore(FDINOTIFICATION*) { return 0; }

// A handle for the file's bytes, or -1 (INVALID_HANDLE_VALUE), which stops the extraction;
// so does a file lost before this one.
INT_PTR CreateOutputFile(FDINOTIFICATION* note) {
  if (TargetLost || !note->psz1 || !FormTargetPath(TargetPath, InstallRoot, note->psz1)) return -1;
  MakeSureDirectoryPathExists(TargetPath);
  OpenTarget = CreateFileA(TargetPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  TargetSize = static_cast<uint32_t>(note->cb);
  TargetWritten = 0;
  return reinterpret_cast<INT_PTR>(OpenTarget);
}

// The stored time and attributes are not applied: every file is as new as its extraction.
// A file short of its size is removed, and the extraction stops.
INT_PTR CloseOutputFile(FDINOTIFICATION* note) {
  if (reinterpret_cast<HANDLE>(note->hf) != OpenTarget) return TRUE;
  if (TargetWritten != TargetSize) {
    AbandonTarget();
    return FALSE;
  }
  CloseTarget();
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

char CabinetName[] = "x.cab";
char CabinetPath[] = "";

}  // namespace

bool ExtractCabinet(bool (*betweenBlocks)()) {
  if (!LoadCabinetLibrary()) return false;
  TargetLost = false;
  BetweenBlocks = betweenBlocks;
  HFDI context = FDICreate(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek,
                           cpu80386, &CabError);
  if (!context) return false;
  BOOL copied = FDICopy(context, CabinetName, CabinetPath, 0, CabNotify, nullptr, nullptr);
  FDIDestroy(context);
  AbandonTarget();
  return copied != FALSE && !TargetLost;
}
