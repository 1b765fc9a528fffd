// A stand-in installation program for the install command's tests: writes its working folder
// into the file that PELLORO_INSTALL_MARKER names, then ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char marker[MAX_PATH] = {};
  if (GetEnvironmentVariableA("PELLORO_INSTALL_MARKER", marker, MAX_PATH) == 0) return 2;
  char folder[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
  HANDLE file =
      CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, folder, length, &written, nullptr) && written == length;
  return CloseHandle(file) && ok ? 0 : 4;
}
