// The launch step of viewing and the program search (view_launch.h).
#include "reading/view_launch.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "base/cztext.h"

namespace viewlaunch {
namespace {

UINT SystemWinExec(const char* commandLine, UINT show) { return WinExec(commandLine, show); }
INT_PTR SystemFindExecutable(const char* file, const char* folder, char* result) {
  return reinterpret_cast<INT_PTR>(FindExecutableA(file, folder, result));
}
INT_PTR SystemShellExecute(const char* file, const char* folder) {
  return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, nullptr, file, nullptr, folder, SW_SHOW));
}

const LaunchCalls kSystemCalls = {SystemWinExec, SystemFindExecutable, SystemShellExecute};
const LaunchCalls* g_calls = &kSystemCalls;

constexpr INT_PTR kNoProgram = -1;

std::string Ansi(const CZText& oem) {
  CZText copy = oem;
  copy.OemToAnsi();
  return copy.str();
}

std::string WindowsFolder() {
  CZText folder;
  return Ansi(folder.GetWindowsDir());
}

bool Exists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The program WIN.INI associates with the extension (ANSI), "" when none.
std::string AssociatedProgram(const std::string& extension) {
  CZText program;
  return Ansi(program.GetAssociatedProgram(("X." + extension).c_str()));
}

// Upper-cased text after the last '.' of the file-name part; "" when none.
std::string ExtensionOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  CharUpperBuffA(extension.data(), static_cast<DWORD>(extension.size()));
  return extension;
}

// WinExec of "program" "file" through the program search: above 32 success, else the code.
INT_PTR RunWith(const std::string& extension, const std::string& file) {
  const std::string program = AssociatedProgram(extension);
  const std::string found = program.empty() ? std::string() : SearchProgram(program);
  if (found.empty()) return kNoProgram;
  return static_cast<INT_PTR>(
      g_calls->winExec((Quoted(found) + " " + Quoted(file)).c_str(), SW_SHOWNA));
}

// Opens the file; 33 for success, else the failing call's code (-1: no program).
INT_PTR OpenFile(const std::string& file, const std::string& extension, bool useTextEditor) {
  if (!useTextEditor) {
    const std::string windows = WindowsFolder();
    std::vector<char> program(1024 + 1, '\0');
    const INT_PTR found = g_calls->findExecutable(file.c_str(), windows.c_str(), program.data());
    const std::string name = program.data();
    if (found > 32 && (Exists(name) || !SearchProgram(name).empty())) {
      return g_calls->shellExecute(file.c_str(), windows.c_str());
    }
    if (!extension.empty()) {
      const INT_PTR run = RunWith(extension, file);
      if (run != kNoProgram) return run;
    }
  }
  return RunWith("TXT", file);
}

}  // namespace

const LaunchCalls& SystemLaunchCalls() { return kSystemCalls; }
void SetLaunchCalls(const LaunchCalls* calls) {
  g_calls = calls != nullptr ? calls : &kSystemCalls;
}

std::string SearchProgram(const std::string& name) {
  if (name.empty()) return "";
  if (Exists(name)) return name;
  std::vector<std::string> folders;
  char current[MAX_PATH + 1] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, current);
  if (length > 0 && length < MAX_PATH) {
    std::string folder = current;
    if (folder.back() != '\\') folder += '\\';
    folders.push_back(folder);
  }
  CZText windows;
  folders.push_back(Ansi(windows.GetWindowsDir()));
  CZText system;
  folders.push_back(Ansi(system.GetSystemDir()));
  // PATH from the environment block, compared without regard to case.
  char* block = GetEnvironmentStringsA();
  std::string path;
  if (block != nullptr) {
    for (const char* p = block; *p != '\0'; p += std::strlen(p) + 1) {
      const char* equals = std::strchr(p + 1, '=');  // a leading '=' belongs to the name
      if (equals != nullptr && equals - p == 4 &&
          CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, p, 4, "PATH", 4) == CSTR_EQUAL) {
        path = equals + 1;
        break;
      }
    }
    FreeEnvironmentStringsA(block);
  }
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(';', start);
    if (end == std::string::npos) end = path.size();
    std::string folder = path.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) continue;
    CharUpperBuffA(folder.data(), static_cast<DWORD>(folder.size()));
    char full[MAX_PATH + 1] = {};
    const DWORD got = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
    if (got == 0 || got >= MAX_PATH) continue;
    folder = full;
    if (folder.back() != '\\') folder += '\\';
    folders.push_back(folder);
  }
  for (const std::string& folder : folders) {
    if (Exists(folder + name)) return folder + name;
  }
  return "";
}

BOOL CodeIsNotAFailure(INT_PTR code, const std::string& extensionForLookup) {
  if (code > 32) return TRUE;
  switch (code) {
    case 2:
    case 3:
    case 5:
    case 16:
      return TRUE;
    case kNoProgram: {
      const std::string program = AssociatedProgram(extensionForLookup);
      return !program.empty() && !SearchProgram(program).empty() ? TRUE : FALSE;
    }
    default:  // 0, 8, 10 to 15, 19 to 21, and every code the table leaves open
      return FALSE;
  }
}

BOOL LaunchViewedFile(const char* oemPath, BOOL useTextEditor, BOOL runExecutables) {
  const std::string file = Ansi(CZText(oemPath != nullptr ? oemPath : ""));
  const std::string extension = ExtensionOf(file);
  if (runExecutables && (extension == "EXE" || extension == "COM")) {
    const UINT result = g_calls->winExec(Quoted(file).c_str(), SW_SHOWNA);
    return result == 0 || result == 8 ? FALSE : TRUE;
  }
  const INT_PTR code = OpenFile(file, extension, useTextEditor != FALSE);
  return CodeIsNotAFailure(code, useTextEditor ? std::string("TXT") : extension);
}

}  // namespace viewlaunch
