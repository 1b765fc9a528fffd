// The folder helpers the split and backup operations use: counting the items a mask names in a
// folder tree, and finding the part file of a split set that exists under a name differing in
// its last character.
#include <windows.h>

#include <string>

#include "writing/czzip.h"
#include "files/file_ops.h"
#include "files/filefind.h"

namespace {

bool IsDotName(const std::string& name) { return name == "." || name == ".."; }

std::string WithBackslash(const char* folder) {
  std::string text = folder;
  if (!text.empty() && text.back() != '\\' && text.back() != '/') text += '\\';
  return text;
}

}  // namespace

long CZZip::CountFiles(const char* folder, const char* mask, BOOL recurse, BOOL countAll) {
  if (folder == nullptr || mask == nullptr) return 0;
  const DWORD attributes = FsGetAttributes(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  const std::string base = WithBackslash(folder);
  long count = 0;
  if (recurse) {
    CZFileFind subfolders((base + "*.*").c_str());
    while (subfolders.FindFirstOrNext()) {
      const std::string name = subfolders.GetFileName().str();
      const DWORD found = subfolders.GetAttributes();
      if (!(found & FILE_ATTRIBUTE_DIRECTORY) || name.empty() || name[0] == '.') continue;
      if (found & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // a link may lead back up the tree
      count += CountFiles((base + name).c_str(), mask, recurse, countAll);
      if (countAll) ++count;
    }
  }
  std::string lowerMask = mask;
  for (char& c : lowerMask) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  CZFileFind items((base + lowerMask).c_str());
  while (items.FindFirstOrNext()) {
    const std::string name = items.GetFileName().str();
    if (name.empty() || IsDotName(name)) continue;
    const bool isFolder = (items.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (countAll) {
      // With recursion the subfolders have counted themselves above.
      if (!(isFolder && recurse)) ++count;
    } else if (!isFolder && name[0] != '.') {
      ++count;
    }
  }
  return count;
}

BOOL CZZip::ResolvePartFile(const char* name, CZText& path) {
  path.Empty();
  if (name == nullptr || *name == '\0') return FALSE;
  const DWORD attributes = FsGetAttributes(name);
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    path = name;
    return TRUE;
  }
  std::string pattern = name;
  pattern.back() = '?';
  CZFileFind find(pattern.c_str());
  while (find.FindFirstOrNext()) {
    if (find.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) continue;
    const CZText candidate = find.GetFilePath();
    const DWORD found = FsGetAttributes(candidate);
    if (candidate.IsEmpty() || found == INVALID_FILE_ATTRIBUTES) continue;
    path = candidate;
    return TRUE;
  }
  return FALSE;
}
