// The program's load-configuration record. Windows 10 (1607) and later read its dependent-load
// flags when they resolve the program's own imports, so even kernel32 and msvcrt are looked for
// in the system folder only, before the first line of the program runs. The linker does not
// point the image's directory at it; a step after the link does (tools/pe/set_load_config.py).
// Every other field keeps the platform's defaults.
#include <windows.h>

#include <cstddef>

namespace {

// The first x64 layout of the record, which every Windows version that reads the flags accepts.
struct LoadConfiguration {
  DWORD size;
  DWORD timeDateStamp;
  WORD majorVersion;
  WORD minorVersion;
  DWORD globalFlagsClear;
  DWORD globalFlagsSet;
  DWORD criticalSectionDefaultTimeout;
  ULONGLONG deCommitFreeBlockThreshold;
  ULONGLONG deCommitTotalFreeThreshold;
  ULONGLONG lockPrefixTable;
  ULONGLONG maximumAllocationSize;
  ULONGLONG virtualMemoryThreshold;
  ULONGLONG processAffinityMask;
  DWORD processHeapFlags;
  WORD csdVersion;
  WORD dependentLoadFlags;
  ULONGLONG editList;
  ULONGLONG securityCookie;
  ULONGLONG seHandlerTable;
  ULONGLONG seHandlerCount;
};
static_assert(offsetof(LoadConfiguration, dependentLoadFlags) == 0x4E, "layout of the record");
static_assert(sizeof(LoadConfiguration) == 0x70, "layout of the record");

}  // namespace

extern "C" const LoadConfiguration _load_config_used = {
    sizeof(LoadConfiguration), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    LOAD_LIBRARY_SEARCH_SYSTEM32, 0, 0, 0, 0};
