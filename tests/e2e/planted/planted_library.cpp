// A stand-in planted beside the installer under the name of a system library. It does nothing but
// leave a marker when a process loads it: a file in the folder that ZAV_PLANTED_MARKERS names,
// holding the library's path and the loading process's path, one a line.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE library, DWORD reason, LPVOID) {
  char folder[MAX_PATH], libraryPath[MAX_PATH], processPath[MAX_PATH], text[3 * MAX_PATH];
  if (reason != DLL_PROCESS_ATTACH || !GetEnvironmentVariableA("ZAV_PLANTED_MARKERS", folder, MAX_PATH))
    return TRUE;
  GetModuleFileNameA(library, libraryPath, MAX_PATH);
  GetModuleFileNameA(nullptr, processPath, MAX_PATH);
  wsprintfA(text, "%s\\%lu-%p.txt", folder, GetCurrentProcessId(), library);
  HANDLE marker = CreateFileA(text, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(marker, text, wsprintfA(text, "%s\r\n%s\r\n", libraryPath, processPath), &written, nullptr);
  CloseHandle(marker);
  return TRUE;
}
