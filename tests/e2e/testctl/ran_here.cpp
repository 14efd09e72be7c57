// A program for an installer to start once its files are in place: it notes the folder it was
// started in (UTF-16) in ran.txt there, and ends. A window program, so that no console opens.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t folder[MAX_PATH];
  DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
  HANDLE file = CreateFileW(L"ran.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, folder, length * sizeof *folder, &written, nullptr);
  CloseHandle(file);
  return 0;
}
