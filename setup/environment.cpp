#include "environment.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "forms/application.h"

namespace setup {

Environment& Env() {
  static Environment environment;
  return environment;
}

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string WindowsFolder() {
  if (!Env().windowsFolder.empty()) return WithBackslash(Env().windowsFolder);
  char buffer[199] = {};
  const UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return "C:\\WINDOWS\\";
  return WithBackslash(buffer);
}

std::string SystemFolder(bool create) {
  // GetSystemDirectoryA names system32 on NT and Wine; the programs register from the folder the
  // shared files went to, which a fresh prefix lacks.
  const std::string folder = WindowsFolder() + "System\\";
  if (create && !FolderExists(folder)) CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string SpecialFolder(int csidl) {
  if (Env().specialFolder) return Env().specialFolder(csidl);
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path))) return "";
  return path;
}

long RunAndWait(const std::string& program, const std::string& parameters,
                const std::string& folder) {
  if (Env().runAndWait) return Env().runAndWait(program, parameters, folder);
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = SW_HIDE;
  if (!ShellExecuteExA(&info) || info.hProcess == nullptr) return -1;
  // The windows stay painted while the program runs.
  while (MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT) ==
         WAIT_OBJECT_0 + 1) {
    forms::App().ProcessMessages();
  }
  DWORD code = 0;
  const long result = GetExitCodeProcess(info.hProcess, &code) ? static_cast<long>(code) : -1;
  CloseHandle(info.hProcess);
  return result;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ShortPath(const std::string& path) {
  char buffer[255] = {};
  const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return path;
  return buffer;
}

}  // namespace setup
