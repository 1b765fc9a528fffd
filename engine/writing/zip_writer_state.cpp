// The writer's state, names and lookup, and the two ways of ending an operation.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "files/file_ops.h"
#include "writing/zip_writer.h"

WriterState& WriteOperation() {
  static WriterState state;
  return state;
}

namespace {

std::string FullAnsiPath(const std::string& ansi) {
  if (ansi.empty()) return std::string();
  char buffer[MAX_PATH * 4] = {};
  const DWORD length = GetFullPathNameA(ansi.c_str(), sizeof buffer, buffer, nullptr);
  if (length == 0 || length >= sizeof buffer) return std::string();
  std::string full(buffer, length);
  // Two spellings of one file (8.3 and long) must compare equal. A generated short name that
  // differs from its long name always holds a '~'; without one the path is already in its long
  // form (up to case, which the comparison ignores), and the lookup, one folder search per path
  // component, is not needed. It is made for every file added, so that matters.
  if (full.find('~') == std::string::npos) return full;
  char longForm[MAX_PATH * 4] = {};
  const DWORD longLength = GetLongPathNameA(full.c_str(), longForm, sizeof longForm);
  if (longLength != 0 && longLength < sizeof longForm) full.assign(longForm, longLength);
  return full;
}

std::string WithBackslashes(std::string text) {
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

void WipeText(std::string& text) {
  if (!text.empty()) SecureZeroMemory(text.data(), text.size());
  text.clear();
}

}  // namespace

const char* SetArchiveName(const char* name) {
  WriterState& writer = WriteOperation();
  writer.keepTemporary = false;
  writer.displacedArchiveName.Empty();
  writer.archiveName.Empty();
  writer.archiveTitle.Empty();
  if (name == nullptr || *name == '\0') return nullptr;
  try {
    const std::string full = FullAnsiPath(WithBackslashes(AnsiFromOem(name)));
    if (full.empty()) return nullptr;
    writer.archiveName = OemFromAnsi(full.c_str());
    const std::string& text = writer.archiveName.str();
    const size_t slash = text.rfind('\\');
    writer.archiveTitle = slash == std::string::npos ? text : text.substr(slash + 1);
    return writer.archiveTitle.c_str();
  } catch (const std::bad_alloc&) {
    writer.archiveName.Empty();
    return nullptr;
  }
}

BOOL SortEntryIndex() {
  WriterState& writer = WriteOperation();
  try {
    writer.sortedIndex.clear();
    writer.sortedIndex.reserve(writer.entries.size());
    for (ZipEntry& entry : writer.entries) writer.sortedIndex.push_back(&entry);
  } catch (const std::bad_alloc&) {
    writer.sortedIndex.clear();
    return FALSE;
  }
  std::stable_sort(writer.sortedIndex.begin(), writer.sortedIndex.end(),
                   [](const ZipEntry* a, const ZipEntry* b) {
                     return _stricmp(a->Name().c_str(), b->Name().c_str()) < 0;
                   });
  return TRUE;
}

void ReleaseEntryIndex() { std::vector<ZipEntry*>().swap(WriteOperation().sortedIndex); }

ZipEntry* FindEntry(const char* storedName) {
  if (storedName == nullptr) return nullptr;
  const std::vector<ZipEntry*>& index = WriteOperation().sortedIndex;
  const auto first = std::lower_bound(index.begin(), index.end(), storedName,
                                      [](const ZipEntry* entry, const char* name) {
                                        return _stricmp(entry->Name().c_str(), name) < 0;
                                      });
  if (first == index.end() || _stricmp((*first)->Name().c_str(), storedName) != 0) {
    return nullptr;
  }
  return *first;
}

BOOL IsZipName(const char* name) {
  if (name == nullptr) return FALSE;
  const size_t length = std::strlen(name);
  return length >= 5 && _stricmp(name + length - 4, ".ZIP") == 0;
}

BOOL IsArchiveItself(const char* archivePath, const char* candidate) {
  if (candidate == nullptr || *candidate == '\0') return FALSE;
  const std::string file = FullAnsiPath(WithBackslashes(AnsiFromOem(candidate)));
  if (file.empty()) return FALSE;
  WriterState& writer = WriteOperation();
  const char* own = writer.archiveName.c_str();
  if (own != nullptr && *own != '\0') {
    if (writer.archiveFullNameFrom != own) {
      writer.archiveFullName = FullAnsiPath(WithBackslashes(AnsiFromOem(own)));
      writer.archiveFullNameFrom = own;
    }
    if (!writer.archiveFullName.empty() &&
        lstrcmpiA(writer.archiveFullName.c_str(), file.c_str()) == 0) {
      return TRUE;
    }
  }
  if (archivePath == nullptr || *archivePath == '\0') return FALSE;
  if (own != nullptr && std::strcmp(archivePath, own) == 0) return FALSE;  // checked just above
  const std::string full = FullAnsiPath(WithBackslashes(AnsiFromOem(archivePath)));
  return !full.empty() && lstrcmpiA(full.c_str(), file.c_str()) == 0;
}

std::list<FoundName>::iterator RemoveFoundName(std::list<FoundName>::iterator found) {
  return WriteOperation().found.erase(found);
}

std::string CleanStoredName(const std::string& name) {
  std::string text = name;
  std::replace(text.begin(), text.end(), '\\', '/');
  const bool folder = !text.empty() && text.back() == '/';
  std::string result;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    const std::string component = text.substr(start, end - start);
    // "." and ".." would place the file outside the folder it is extracted to.
    if (!component.empty() && component != "." && component != "..") {
      if (!result.empty()) result += '/';
      result += component;
    }
    start = end + 1;
  }
  if (folder && !result.empty()) result += '/';
  return result;
}

namespace {

void CloseAll(WriterState& writer) {
  CloseFileHandles(&writer.archiveFile, &writer.outputFile, &writer.inputFile);
}

void ResetState(WriterState& writer) {
  WipeText(writer.password);
  // Kept: what the caller of a failed replacement needs to know about the files left behind.
  const bool keepTemporary = writer.keepTemporary;
  CZText displaced = writer.displacedArchiveName;
  writer = WriterState();
  writer.keepTemporary = keepTemporary;
  writer.displacedArchiveName = displaced;
}

}  // namespace

int FinishWriter(int code) {
  WriterState& writer = WriteOperation();
  CloseAll(writer);
  ResetState(writer);
  return code;
}

int FailWriter(int code) {
  WriterState& writer = WriteOperation();
  CloseAll(writer);
  if (!writer.temporaryName.IsEmpty() && !writer.keepTemporary) {
    FsDeleteFile(writer.temporaryName);
  }
  ResetState(writer);
  return code;
}
