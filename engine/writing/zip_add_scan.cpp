// The folder scan of the adding operation: splits the mask into folder and pattern, walks the
// folder (and with recursion every subfolder, depth first, each folder's own entry before its
// contents), and turns every file taken into a found name of the writer or a mark on the existing
// entry of the same stored name.
//
// Folder links (reparse points) are never descended into: a link back up the tree would make the
// scan endless, and a link elsewhere would add files from outside the folder the mask names.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/wildcard.h"
#include "writing/czzip.h"
#include "base/entry_case.h"
#include "files/file_ops.h"
#include "files/filefind.h"
#include "writing/zip_writer.h"

namespace zipadd {

namespace {

// AddPath's answer for a path that does not exist and names no entry: the scan goes on.
constexpr int kNoSuchPath = -1;

bool IsDotName(const std::string& name) { return name == "." || name == ".."; }

bool EndsWithSeparator(const std::string& folder) {
  return !folder.empty() && (folder.back() == '/' || folder.back() == ':');
}

bool IsFolderLink(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The scan's state for one ScanMask call.
struct Scan {
  const ScanSettings& settings;
  std::string pattern;  // the file pattern every file must match
};

int AddPath(Scan& scan, const std::string& path);

// One folder's items, in the order the system gives them, with OEM names.
struct FolderItem {
  std::string name;
  DWORD attributes = 0;
};

std::vector<FolderItem> ListFolder(const std::string& searchPattern) {
  std::vector<FolderItem> items;
  CZFileFind find(searchPattern.c_str());
  while (find.FindFirstOrNext()) {
    FolderItem item;
    item.name = find.GetFileName().str();
    item.attributes = find.GetAttributes();
    if (item.name.empty() || IsDotName(item.name)) continue;
    items.push_back(std::move(item));
  }
  return items;
}

// A file found for adding: stored as a found name, or marks the entry it updates.
int AddName(Scan& scan, const std::string& path) {
  const std::string stored = MakeStoredName(path, scan.settings.storePaths);
  if (stored.empty()) {
    // Without paths there is nothing to store for a folder. With paths, a folder whose name is
    // all drive and separators (the root the scan starts from) needs no entry of its own; a file
    // without a name cannot be stored at all.
    if (!scan.settings.storePaths || (!path.empty() && path.back() == '/')) return kWriterDone;
    return kWriterCompressError;
  }
  WriterState& writer = WriteOperation();
  if (ZipEntry* entry = FindEntry(stored.c_str())) {
    entry->mark = 1;
    entry->externalName = path;
    return kWriterDone;
  }
  writer.found.push_back(FoundName{path, stored});
  return kWriterDone;
}

// A path that does not exist is taken as an entry name: every entry it matches is marked.
int MarkMatchingEntries(const std::string& path) {
  const std::string stored = MakeStoredName(path, true);
  bool marked = false;
  for (ZipEntry& entry : WriteOperation().entries) {
    if (MatchFileName(entry.Name(), stored)) {
      entry.mark = 1;
      marked = true;
    }
  }
  return marked ? kWriterDone : kNoSuchPath;
}

int AddFolder(Scan& scan, const std::string& path) {
  const std::string folder = path.back() == '/' ? path : path + "/";
  if (scan.settings.storePaths) {
    const int added = AddName(scan, folder);
    if (added != kWriterDone) return added;
  }
  if (!scan.settings.recurse) return kWriterDone;
  for (const FolderItem& item : ListFolder(folder + "*.*")) {
    if (IsFolderLink(item.attributes)) continue;
    const bool isFolder = (item.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!isFolder) {
      if (!MatchFileName(item.name, scan.pattern)) continue;
      if (scan.settings.useArchiveFlag && !(item.attributes & FILE_ATTRIBUTE_ARCHIVE)) continue;
    }
    const int added = AddPath(scan, folder + item.name);
    if (added != kWriterDone && added != kNoSuchPath) return added;
  }
  return kWriterDone;
}

int AddPath(Scan& scan, const std::string& path) {
  if (path.empty()) return kNoSuchPath;
  std::string ansi = AnsiFromOem(path.c_str());
  if (ansi.size() > 1 && ansi.back() == '/') ansi.pop_back();
  const DWORD attributes = GetFileAttributesA(ansi.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return MarkMatchingEntries(path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return AddFolder(scan, path);
  return AddName(scan, path);
}

// Splits the mask ('/' separators) into the folder to scan and the pattern of its items.
void SplitMask(const std::string& mask, std::string* folder, std::string* pattern) {
  const size_t slash = mask.rfind('/');
  if (slash == std::string::npos || (slash > 0 && mask[slash - 1] == ':')) {
    const size_t colon = mask.rfind(':');
    if (colon == std::string::npos) {
      *folder = ".";
      *pattern = mask;
      return;
    }
    *folder = mask.substr(0, colon + 1);
    std::string rest = mask.substr(colon + 1);
    if (!rest.empty() && rest.front() == '/') {
      *folder += '/';
      rest.erase(0, 1);
    }
    *folder += '.';
    *pattern = rest;
    return;
  }
  *folder = slash == 0 ? "/." : mask.substr(0, slash);
  *pattern = mask.substr(slash + 1);
}

std::string ItemPath(const std::string& folder, const std::string& name) {
  if (folder == ".") return name;
  return EndsWithSeparator(folder) ? folder + name : folder + "/" + name;
}

}  // namespace

std::string MakeStoredName(const std::string& path, bool storePaths) {
  size_t start = 0;
  if (path.size() >= 2 && path[1] == ':') start = 2;
  while (start < path.size() && (path[start] == '/' || path[start] == '\\')) ++start;
  std::string name = path.substr(start);
  std::replace(name.begin(), name.end(), '\\', '/');
  name = CleanStoredName(name);
  if (!storePaths) {
    if (!name.empty() && name.back() == '/') return std::string();
    const size_t last = name.rfind('/');
    if (last != std::string::npos) name.erase(0, last + 1);
  }
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

bool MatchFileName(const std::string& name, const std::string& pattern) {
  if (pattern == "*.*") return true;
  auto lastComponent = [](const std::string& text) {
    std::string part = text;
    if (part.size() > 1 && part.back() == '/') part.pop_back();
    const size_t cut = part.find_last_of("/\\");
    return cut == std::string::npos ? part : part.substr(cut + 1);
  };
  std::string upperName = lastComponent(name);
  std::string upperPattern = lastComponent(pattern);
  UpperCaseOem(upperName);
  UpperCaseOem(upperPattern);
  return WildcardMatch(upperName, upperPattern);
}

int ScanMask(const std::string& mask, const ScanSettings& settings) {
  try {
    std::string text = mask;
    std::replace(text.begin(), text.end(), '\\', '/');
    std::string folder;
    std::string pattern;
    SplitMask(text, &folder, &pattern);
    Scan scan{settings, pattern};

    if (settings.recurse && IsDotName(pattern)) {
      // The folder itself, with everything in it.
      scan.pattern = "*.*";
      const int added = AddPath(scan, folder);
      if (added == kNoSuchPath) return kWriterNothingToDo;
      return added;
    }

    if (folder.size() >= 2 && folder.back() == '.' &&
        (folder[folder.size() - 2] == ':' || folder[folder.size() - 2] == '/')) {
      folder.pop_back();
    }
    const std::string search =
        (EndsWithSeparator(folder) ? folder : folder + "/") + (settings.recurse ? "*.*" : pattern);
    bool taken = false;
    for (const FolderItem& item : ListFolder(search)) {
      const bool isFolder = (item.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (settings.recurse && IsFolderLink(item.attributes)) continue;
      if ((!isFolder || !settings.recurse) && !MatchFileName(item.name, pattern)) continue;
      if (!isFolder && settings.useArchiveFlag && !(item.attributes & FILE_ATTRIBUTE_ARCHIVE)) {
        continue;
      }
      const int added = AddPath(scan, ItemPath(folder, item.name));
      if (added == kNoSuchPath) continue;
      if (added != kWriterDone) return added;
      taken = true;
    }
    return taken ? kWriterDone : kWriterNothingToDo;
  } catch (const std::bad_alloc&) {
    return kWriterNoMemory;
  }
}

bool RemoveDuplicateNames() {
  std::list<FoundName>& found = WriteOperation().found;
  try {
    std::vector<std::list<FoundName>::iterator> order;
    order.reserve(found.size());
    for (auto it = found.begin(); it != found.end(); ++it) order.push_back(it);
    // Stable: of several files of one name, the one found first stays.
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
      return std::strcmp(a->storedName.c_str(), b->storedName.c_str()) < 0;
    });
    for (size_t i = order.size(); i-- > 1;) {
      if (order[i]->storedName == order[i - 1]->storedName) RemoveFoundName(order[i]);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace zipadd
