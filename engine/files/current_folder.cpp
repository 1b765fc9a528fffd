#include "files/current_folder.h"

#include <vector>

#include "files/file_ops.h"

namespace {

// Creates every level of an "X:\A\B" path (OEM) from the first folder below the drive on.
void CreateLevels(const std::string& path) {
  std::string level;
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    const std::string field =
        path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (start == 0) {
      level = field;  // the drive
    } else {
      if (field.empty()) break;
      level += "\\" + field;
      CreateDirectoryA(AnsiFromOem(level.c_str()).c_str(), nullptr);
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

}  // namespace

std::string CurrentFolderAnsi() {
  DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return std::string();
  std::string folder(needed, '\0');
  const DWORD length = GetCurrentDirectoryA(needed, folder.data());
  if (length == 0 || length >= needed) return std::string();
  folder.resize(length);
  return folder;
}

BOOL ChangeToFolder(std::string oemPath, MissingFolder missing) {
  if (oemPath.size() > 3 && oemPath.back() == '\\') oemPath.pop_back();
  const std::string ansi = AnsiFromOem(oemPath.c_str());
  if (SetCurrentDirectoryA(ansi.c_str())) return TRUE;
  switch (missing) {
    case MissingFolder::kFail:
      return FALSE;
    case MissingFolder::kMakeLastLevel:
      CreateDirectoryA(ansi.c_str(), nullptr);
      break;
    case MissingFolder::kMakeEveryLevel:
      if (!CreateDirectoryA(ansi.c_str(), nullptr)) CreateLevels(oemPath);
      break;
  }
  return SetCurrentDirectoryA(ansi.c_str());
}
