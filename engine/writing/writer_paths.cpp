#include "writing/writer_paths.h"

#include "files/current_folder.h"
#include "files/file_ops.h"

CurrentFolderKeeper::CurrentFolderKeeper() : saved_(CurrentFolderAnsi()) {}

CurrentFolderKeeper::~CurrentFolderKeeper() {
  if (!saved_.empty()) SetCurrentDirectoryA(saved_.c_str());
}

std::string FullEnginePath(const char* oemPath) {
  std::string ansi = AnsiFromOem(oemPath);
  for (char& c : ansi) {
    if (c == '/') c = '\\';
  }
  char buffer[MAX_PATH * 4] = {};
  const DWORD length = GetFullPathNameA(ansi.c_str(), sizeof buffer, buffer, nullptr);
  if (length == 0 || length >= sizeof buffer) return std::string();
  return OemFromAnsi(buffer).str();
}

bool ArchiveIsWritable(const CZText& archive) {
  const HANDLE handle = CreateFileA(AnsiFromOem(archive.c_str()).c_str(),
                                    GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}
