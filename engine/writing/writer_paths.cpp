#include "writing/writer_paths.h"

#include <vector>

#include "files/current_folder.h"
#include "files/file_ops.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The length of the mask's root: a drive ("C:") and the separators after it, or the leading
// separators, with a share's server and share name ("\\server\share\").
size_t RootLength(const std::string& path) {
  size_t length = 0;
  if (path.size() >= 2 && path[1] == ':') length = 2;
  const bool drive = length == 2;
  while (length < path.size() && IsSeparator(path[length])) ++length;
  if (!drive && length >= 2) {
    for (int part = 0; part < 2 && length < path.size(); ++part) {
      while (length < path.size() && !IsSeparator(path[length])) ++length;
      while (length < path.size() && IsSeparator(path[length])) ++length;
    }
  }
  return length;
}

}  // namespace

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

std::string ResolveMaskFolder(const std::string& mask) {
  size_t last = mask.size();
  while (last > 0 && !IsSeparator(mask[last - 1])) --last;
  const size_t root = RootLength(mask);
  if (last <= root) return mask;  // no folder part beyond the root

  std::vector<std::string> kept;
  bool changed = false;
  for (size_t start = root; start < last;) {
    size_t end = start;
    while (end < last && !IsSeparator(mask[end])) ++end;
    const std::string component = mask.substr(start, end - start);
    if (component == ".") {
      changed = true;
    } else if (component == ".." && !kept.empty() && kept.back() != "..") {
      kept.pop_back();
      changed = true;
    } else if (!component.empty()) {
      kept.push_back(component);
    }
    start = end + 1;
  }
  if (!changed) return mask;
  std::string resolved = mask.substr(0, root);
  for (const std::string& component : kept) resolved += component + "\\";
  return resolved + mask.substr(last);
}

bool ArchiveIsWritable(const CZText& archive) {
  const HANDLE handle =
      CreateFileA(AnsiFromOem(archive.c_str()).c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}
