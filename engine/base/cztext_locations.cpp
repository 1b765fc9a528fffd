// The places the control works with: its own folder, the folder of a file on the search path,
// the Windows and System folders, and the program WIN.INI associates with an extension. Every
// result is OEM, like every path inside the engine.
#include <windows.h>

#include <string>
#include <vector>

#include "base/cztext.h"
#include "base/module_state.h"

namespace {

constexpr DWORD kPathBufferSize = 1024;

// A folder name from the system (ANSI) with a trailing '\', in OEM.
std::string FolderWithBackslashOem(const char* ansi, DWORD length) {
  if (length == 0 || length >= kPathBufferSize) return std::string();
  CZText folder(std::string(ansi, length));
  if (folder.GetAt(folder.GetLength() - 1) != '\\') folder += '\\';
  folder.AnsiToOem();
  return folder.str();
}

}  // namespace

CZText CZText::LocateFile(const char* name) {
  // The name may be this string's own text: copy it before emptying.
  const std::string wanted = name != nullptr ? name : "";
  const bool byName = name != nullptr;
  Empty();
  std::vector<char> buffer(kPathBufferSize + 1, '\0');
  if (!byName) {
    const HINSTANCE module = ModuleInstance();
    if (module == nullptr) return SetTo(std::string());
    const DWORD length = GetModuleFileNameA(module, buffer.data(), kPathBufferSize);
    if (length == 0 || length >= kPathBufferSize) return SetTo(std::string());
    CZText path(std::string(buffer.data(), length));
    path.AnsiToOem();
    if (path.GetLength() > 3) {
      if (path.GetAt(path.GetLength() - 1) == '\\') path = path.Left(path.GetLength() - 1);
      path.GetDirPart();
    }
    return SetTo(path.str());
  }
  CZText search(wanted);
  search.MakeUpper();
  search.OemToAnsi();
  const DWORD length =
      SearchPathA(nullptr, search.c_str(), nullptr, kPathBufferSize, buffer.data(), nullptr);
  if (length == 0 || length >= kPathBufferSize) return SetTo(std::string());
  CZText found(std::string(buffer.data(), length));
  found.AnsiToOem();
  found.GetDirPart();
  found.MakeUpper();
  return SetTo(found.str());
}

CZText CZText::GetWindowsDir() {
  char buffer[kPathBufferSize + 1] = {};
  const UINT length = GetWindowsDirectoryA(buffer, kPathBufferSize);
  return SetTo(FolderWithBackslashOem(buffer, length));
}

CZText CZText::GetSystemDir() {
  char buffer[kPathBufferSize + 1] = {};
  const UINT length = GetSystemDirectoryA(buffer, kPathBufferSize);
  return SetTo(FolderWithBackslashOem(buffer, length));
}

CZText CZText::GetAssociatedProgram(const char* fileName) {
  CZText argument(fileName != nullptr ? fileName : "");
  if (argument.IsEmpty()) return SetTo(std::string());
  argument.RemoveBlanks();
  CZText extension = argument;
  const int dot = argument.ReverseFind('.');
  if (dot >= 0) extension = argument.Mid(dot + 1);
  if (extension.IsEmpty() || extension.GetLength() > 3) return SetTo(std::string());
  extension.MakeUpper();

  // WIN.INI's form is the program, a blank, '^' and the extension.
  std::vector<char> entry(2048, '\0');
  const DWORD length = GetProfileStringA("Extensions", extension.c_str(), "", entry.data(), 1283);
  CZText program(std::string(entry.data(), length < entry.size() ? length : 0));
  if (program.IsEmpty() || program.CountChar('^') != 1) return SetTo(std::string());
  program = program.Left(program.Find('^'));
  // Only the ends: a program under a folder with blanks in its name keeps its path.
  program.TrimLeft();
  program.TrimRight();
  program.AnsiToOem();
  program.MakeUpper();
  return SetTo(program.str());
}
