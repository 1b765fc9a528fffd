// The program a test self-extractor runs after extracting: writes its current folder and the names
// in it to RAVELIN_MARKER.TXT in the temporary folder. Named EXIT259.EXE it ends with exit code 259
// (the value that also means "still running").
#include <windows.h>

#include <string>

int main() {
  char folder[MAX_PATH] = {}, temp[MAX_PATH] = {}, self[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  GetTempPathA(sizeof temp, temp);
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string report = std::string(folder) + "\n";
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("*", &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (found.cFileName[0] != '.') report += std::string(found.cFileName) + "\n";
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  const std::string path = std::string(temp) + "RAVELIN_MARKER.TXT";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != report.size()) return 1;
  return std::string(self).find("EXIT259") != std::string::npos ? 259 : 0;
}
