#include "temp_folder.h"

#include <windows.h>

#include "forms/application.h"

namespace pelloro {

namespace {

std::string Lowered(std::string text) {
  if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// Clears the read-only (and system, hidden) attributes that would make the delete fail.
void MakeDeletable(const std::string& path, DWORD attributes) {
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN)) {
    SetFileAttributesA(path.c_str(), attributes & ~(FILE_ATTRIBUTE_READONLY |
                                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
  }
}

void CleanLevel(std::string path, int depth) {
  path = Lowered(path);
  if (path.empty() || path.back() != '\\') path += '\\';
  if (depth == 0) forms::App().ProcessMessages();
  WIN32_FIND_DATAA found;
  // Files first, then the subfolders (each removed at its own level).
  HANDLE search = FindFirstFileA((path + "*.*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const std::string file = path + found.cFileName;
      MakeDeletable(file, found.dwFileAttributes);
      DeleteFileA(file.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  search = FindFirstFileA((path + "*.*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      CleanLevel(path + name, depth + 1);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  const std::string folder = path.substr(0, path.size() - 1);
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) MakeDeletable(folder, attributes);
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

bool CleanTempFolder(const std::string& folder) {
  CleanLevel(folder, 0);
  std::string path = folder;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace pelloro
