// The path and file methods of CZText. Paths are held in the OEM code page and converted to ANSI
// only for the moment of each file-system call; paths the system hands back are converted to OEM
// before they are stored. Several methods change the process's current drive and folder, as their
// declarations say: the engine runs one operation at a time.
#include <direct.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "base/cztext.h"
#include "base/engine_utils.h"
#include "base/entry_case.h"
#include "files/current_folder.h"
#include "files/file_fault.h"
#include "files/file_ops.h"
#include "files/file_time.h"
#include "files/filefind.h"
#include "base/memblock.h"
#include "files/zfile.h"

namespace {

constexpr int kMaxUniqueNumber = 999;

std::string UpperOem(std::string text) {
  UpperCaseOem(text);
  return text;
}

bool SamePath(const std::string& a, const std::string& b) { return UpperOem(a) == UpperOem(b); }

std::string WithBackslashes(std::string text) {
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

bool EndsWith(const std::string& text, char c) { return !text.empty() && text.back() == c; }

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    fields.push_back(
        text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return fields;
    start = end + 1;
  }
}

// The current folder in OEM, no trailing '\' except at a root.
std::string CurrentFolderOem() { return OemFromAnsi(CurrentFolderAnsi().c_str()).str(); }

std::string WindowsFolderOem() {
  char folder[MAX_PATH + 1] = {};
  const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
  if (length == 0 || length > MAX_PATH) return std::string();
  return OemFromAnsi(folder).str();
}

// Makes the drive of an "X:..." path current when it is not.
void SelectDrive(char letter) {
  const int drive = static_cast<unsigned char>(UpperOem(std::string(1, letter))[0]) - 64;
  if (drive >= 1 && drive <= 26 && _getdrive() != drive) _chdrive(drive);
}

// The canonical full form of path: drive, ':' and '\' first, every component cleaned.
std::string FullPathOf(std::string path, BOOL stripWildcardsInLast, BOOL trailingBackslash,
                       bool shortForm) {
  if (path.empty()) return std::string();
  path = WithBackslashes(path);
  const std::string current = CurrentFolderOem();
  std::string currentNoSlash = current;
  if (EndsWith(currentNoSlash, '\\')) currentNoSlash.pop_back();  // the root 'C:\' becomes 'C:'
  const std::string drive = current.size() >= 2 ? current.substr(0, 2) : std::string("C:");

  if (path.size() > 1) {
    if (path[0] == '\\') {
      path = drive + path;
    } else if (path.compare(0, 2, ".\\") == 0) {
      path = currentNoSlash + path.substr(1);
    } else if (path.size() >= 3 && path.compare(0, 3, "..\\") == 0) {
      const size_t last = currentNoSlash.rfind('\\');
      const std::string parent =
          (last == std::string::npos || last <= 2) ? drive : currentNoSlash.substr(0, last);
      path = parent + path.substr(2);
    }
  }
  if (path.size() <= 2) return std::string();
  if (path[1] != ':') {
    path = drive + "\\" + path;  // a relative name hangs from the current drive's root
  } else if (path[2] != '\\') {
    // 'C:NAME' likewise hangs from the root of its drive.
    path = path.substr(0, 2) + "\\" + path.substr(2);
  }

  const std::vector<std::string> fields = SplitAt(path, '\\');
  std::string result = UpperOem(fields[0]) + "\\";
  for (size_t i = 1; i < fields.size(); ++i) {
    if (fields[i].empty()) break;
    const bool last = i + 1 == fields.size();
    CZText component(fields[i]);
    const BOOL strip = last ? stripWildcardsInLast : TRUE;
    if (shortForm) {
      NormalizeShortName(component, strip);
    } else {
      NormalizeFileName(component, strip);
    }
    if (!component.IsEmpty()) result += component.str() + "\\";
  }
  if (result.size() < 2) return std::string();
  if (trailingBackslash) {
    if (!EndsWith(result, '\\')) result += '\\';
  } else if (EndsWith(result, '\\')) {
    result.pop_back();
  }
  return result;
}

std::string DirPartOf(const std::string& path) {
  const std::string full = FullPathOf(path, FALSE, FALSE, false);
  const size_t last = full.rfind('\\');
  if (last == std::string::npos || last + 1 == full.size()) return std::string();
  return full.substr(0, last + 1);
}

// The folder an operation works on: the full path with a trailing '\' or its folder part.
// A wildcard in a folder is refused here: the full form would drop it silently and name another
// folder ('C:\DATA*\' is not 'C:\DATA\'), which a tree removal must never reach.
std::string FolderArgument(const std::string& path, BOOL folderPartOnly) {
  const std::string raw = WithBackslashes(path);
  const size_t last = raw.rfind('\\');
  const size_t folderLength = last == std::string::npos ? 0 : last;
  const std::string folder = folderPartOnly ? raw.substr(0, folderLength) : raw;
  if (folder.find_first_of("*?") != std::string::npos) return std::string();
  return folderPartOnly ? DirPartOf(path) : FullPathOf(path, FALSE, TRUE, false);
}

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Under Wine, removing a link to a folder removes the folder it points to instead.
bool RunsOnWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

BOOL DeleteAnsi(const std::string& ansi) {
  if (FileStepFails(FileStep::kDelete)) return FALSE;
  return DeleteFileA(ansi.c_str());
}

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);

// The path the system resolves an ANSI path to (links followed), without the "\\?\" prefix;
// empty when it cannot be told (the call is missing before Windows Vista).
std::string ResolvedPath(const std::string& ansi) {
  static const FinalPathFunction finalPath =
      reinterpret_cast<FinalPathFunction>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
  if (finalPath == nullptr) return std::string();
  HANDLE handle = CreateFileA(ansi.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::string();
  std::string resolved(MAX_PATH * 4, '\0');
  const DWORD length = finalPath(handle, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
  CloseHandle(handle);
  if (length == 0 || length >= resolved.size()) return std::string();
  resolved.resize(length);
  if (resolved.compare(0, 4, "\\\\?\\") == 0) resolved.erase(0, 4);
  return resolved;
}

// An entry that resolves to somewhere other than its place in the folder is a link, also where
// the system does not flag it as one (Wine flags links to files as plain files).
bool LeadsOutOfFolder(const std::string& resolvedFolder, const WIN32_FIND_DATAA& entry,
                      const std::string& path) {
  if (IsLink(entry.dwFileAttributes)) return true;
  if (resolvedFolder.empty()) return false;
  const std::string resolved = ResolvedPath(path);
  if (resolved.empty()) return false;
  return lstrcmpiA(resolved.c_str(), (resolvedFolder + "\\" + entry.cFileName).c_str()) != 0;
}

// Removes the contents of an ANSI folder path, depth first. Names stay in ANSI here: a round trip
// through OEM could turn a name into another one. Links are never entered, and only removed where
// the system removes the link itself (Wine would remove what it points to instead), so nothing
// outside the tree is touched.
void RemoveContents(const std::string& folder, BOOL force) {
  std::vector<WIN32_FIND_DATAA> entries;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") entries.push_back(data);
  } while (FindNextFileA(search, &data));
  FindClose(search);

  const std::string resolvedFolder = ResolvedPath(folder);
  for (const WIN32_FIND_DATAA& entry : entries) {
    const std::string path = folder + "\\" + entry.cFileName;
    const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (LeadsOutOfFolder(resolvedFolder, entry, path)) {
      if (!RunsOnWine()) {
        if (isFolder) {
          RemoveDirectoryA(path.c_str());
        } else {
          DeleteAnsi(path);
        }
      }
      continue;
    }
    if (isFolder) {
      RemoveContents(path, force);
      if (force) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
      RemoveDirectoryA(path.c_str());
    } else {
      if (force) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
      DeleteAnsi(path);
    }
  }
}

}  // namespace

CZText CZText::GetCurrentDir() {
  std::string folder = CurrentFolderOem();
  if (!folder.empty() && !EndsWith(folder, '\\')) folder += '\\';
  return SetTo(UpperOem(folder));
}

CZText CZText::GetTempDir() {
  const std::string windows = WindowsFolderOem();
  // The system falls back to the current folder for its temporary path: make that Windows.
  if (!windows.empty()) CZText(windows).ChangeDirectory(FALSE, FALSE);
  std::string folder;
  char temp[1025] = {};
  const DWORD length = GetTempPathA(1024, temp);
  if (length > 0 && length <= 1024) folder = OemFromAnsi(temp).str();
  if (!folder.empty() && !EndsWith(folder, '\\')) folder += '\\';
  if (folder.empty() && !windows.empty()) {
    folder = windows + (EndsWith(windows, '\\') ? "" : "\\") + "TEMP\\";
    CZText(folder).CreateDirectoryTree(FALSE);
  }
  return SetTo(UpperOem(folder));
}

CZText CZText::MakeUniqueName(const char* name, BOOL prefixForm, const char* prefix) {
  // name and prefix may point into this string's own text: copy them before emptying it.
  const bool haveName = name != nullptr;
  const std::string given = haveName ? name : "";
  std::string stem = prefix != nullptr ? prefix : "";
  text_.clear();

  if (!haveName) {
    CZText folder;
    folder.GetTempDir();
    if (folder.IsEmpty() || !folder.ChangeDirectory(FALSE, FALSE)) return SetTo(std::string());
    char made[MAX_PATH + 1] = {};
    if (GetTempFileNameA(AnsiFromOem(folder).c_str(), AnsiFromOem(stem.c_str()).c_str(), 0, made) ==
        0) {
      return SetTo(std::string());
    }
    CZText result = OemFromAnsi(made);
    result.DeleteFile(TRUE);  // only the name is wanted
    return SetTo(UpperOem(result.str()));
  }

  const size_t firstSlash = given.find('\\');
  if (firstSlash == std::string::npos || firstSlash < 2) return SetTo(std::string());
  const size_t lastSlash = given.rfind('\\');
  const std::string folder = given.substr(0, lastSlash + 1);
  const std::string namePart = given.substr(lastSlash + 1);
  const size_t dot = namePart.rfind('.');

  if (prefixForm) {
    if (stem.size() > 5) stem.resize(5);
    if (stem.size() < 2) stem = "~T";
  }
  // Only the name's own extension goes: a '.' in a folder name must not shorten the path.
  const std::string base = dot == std::string::npos ? given : folder + namePart.substr(0, dot);
  const std::string extension = dot == std::string::npos ? "" : namePart.substr(dot);

  for (int n = 1; n <= kMaxUniqueNumber; ++n) {
    char number[8];
    std::snprintf(number, sizeof number, "%03i", n);
    const std::string candidate =
        prefixForm ? folder + stem + number + extension : base + "." + number;
    CZText path(candidate);
    if (!path.FileExists() && !path.DirectoryExists(FALSE)) return SetTo(UpperOem(candidate));
  }
  return SetTo(std::string());
}

CZText CZText::GetFullPath(BOOL stripWildcardsInLast, BOOL trailingBackslash) {
  return SetTo(FullPathOf(text_, stripWildcardsInLast, trailingBackslash, false));
}

CZText CZText::GetShortFullPath(BOOL stripWildcardsInLast, BOOL trailingBackslash) {
  return SetTo(FullPathOf(text_, stripWildcardsInLast, trailingBackslash, true));
}

CZText CZText::GetShortPath() {
  const bool folder = EndsWith(text_, '\\');
  const BOOL exists = folder ? DirectoryExists(FALSE) : FileExists();
  if (exists) {
    std::string searched = FullPathOf(text_, FALSE, FALSE, false);
    CZFileFind finder(searched.c_str());
    if (finder.FindFirstOrNext()) {
      // The short path names the same file: every component, the last one too, is taken from
      // the system (a long name without an 8.3 form stays whole).
      CZText path(searched);
      CZFileFind::GetShortPathAll(path, FALSE);
      std::string result = path.str();
      if (folder && !result.empty() && !EndsWith(result, '\\')) result += '\\';
      return SetTo(result);
    }
  }
  return SetTo(FullPathOf(text_, FALSE, folder, true));
}

BOOL CZText::IsValidPath() const {
  if (text_.empty()) return FALSE;
  const std::string path = WithBackslashes(text_);
  if (path.size() < 3 || path.find_first_of("*?") != std::string::npos) return FALSE;
  if (path[1] != ':' || path[2] != '\\' || !EndsWith(path, '\\')) return FALSE;
  if (path.size() == 3) return TRUE;  // a drive's root
  for (const std::string& field : SplitAt(path.substr(3, path.size() - 4), '\\')) {
    if (field.empty()) return FALSE;
    CZText cleaned(field);
    if (!NormalizeFileName(cleaned, TRUE) || cleaned.str() != UpperOem(field)) return FALSE;
  }
  return TRUE;
}

BOOL CZText::IsNormalizedPath(BOOL stripWildcardsInLast) const {
  if (text_.empty()) return FALSE;
  const std::string path = UpperOem(WithBackslashes(text_));
  return path == FullPathOf(path, stripWildcardsInLast, FALSE, false);
}

CZText CZText::GetDirPart() { return SetTo(DirPartOf(text_)); }

CZText CZText::GetNamePart(BOOL expand) {
  const std::string path = expand ? FullPathOf(text_, FALSE, FALSE, false) : WithBackslashes(text_);
  const size_t last = path.rfind('\\');
  if (last == std::string::npos) return SetTo(expand ? std::string() : path);
  return SetTo(path.substr(last + 1));
}

CZText CZText::ChangeExtension(const char* extension, BOOL replaceExisting) {
  const std::string wanted = extension != nullptr ? extension : "";
  std::string folder;
  std::string name;
  if (text_.find_first_of("\\/") != std::string::npos) {
    folder = DirPartOf(text_);
    name = CZText(*this).GetNamePart(TRUE).str();
    if (folder.empty() || name.empty()) return SetTo(std::string());
  } else {
    CZText cleaned(*this);
    NormalizeFileName(cleaned, FALSE);
    name = cleaned.str();
    if (name.empty()) return SetTo(std::string());
  }
  const size_t dot = name.rfind('.');
  const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string old = dot == std::string::npos ? "" : name.substr(dot + 1);
  const std::string used = (replaceExisting || old.empty()) ? wanted : old;
  return SetTo(folder + base + "." + used);
}

BOOL CZText::ChangeDirectory(BOOL folderPartOnly, BOOL create) const {
  const std::string path = FolderArgument(text_, folderPartOnly);
  if (path.empty() || !CZText(path).IsValidPath()) return FALSE;
  SelectDrive(path[0]);
  return ChangeToFolder(path, create ? MissingFolder::kMakeEveryLevel : MissingFolder::kFail);
}

BOOL CZText::CreateDirectoryTree(BOOL folderPartOnly) const {
  const std::string saved = CurrentFolderAnsi();
  const std::string path = FolderArgument(text_, folderPartOnly);
  BOOL made = FALSE;
  if (!path.empty() && CZText(path).IsValidPath() && CZText(path).HasFreeSpace(0)) {
    SelectDrive(path[0]);
    made = ChangeToFolder(path, MissingFolder::kMakeEveryLevel);
  }
  if (!saved.empty()) SetCurrentDirectoryA(saved.c_str());  // also selects the saved drive
  return made;
}

BOOL CZText::RemoveDirectoryTree(BOOL folderPartOnly, BOOL force) const {
  const std::string path = FolderArgument(text_, folderPartOnly);
  if (path.empty() || !CZText(path).IsValidPath()) return FALSE;
  if (path.size() <= 3) return FALSE;  // a drive's root is never removed
  const std::string saved = CurrentFolderAnsi();

  // The current folder (or one inside the tree) cannot be removed: step out to the root.
  std::string current = CurrentFolderOem();
  if (!EndsWith(current, '\\')) current += '\\';
  if (current.size() >= path.size() && SamePath(current.substr(0, path.size()), path)) {
    SetCurrentDirectoryA(AnsiFromOem(path.substr(0, 3).c_str()).c_str());
  }

  const std::string folder = AnsiFromOem(path.substr(0, path.size() - 1).c_str());
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !IsLink(attributes)) {
    RemoveContents(folder, force);
    if (force) SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryA(folder.c_str());
  }
  if (!saved.empty()) SetCurrentDirectoryA(saved.c_str());
  return !CZText(path).DirectoryExists(FALSE);
}

BOOL CZText::FileExists() const {
  if (text_.empty()) return FALSE;
  CZFileFind finder(text_.c_str());
  return finder.FindFirstOrNext() && !(finder.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL CZText::DirectoryExists(BOOL folderPartOnly) const {
  if (text_.empty()) return FALSE;
  const std::string path = folderPartOnly ? DirPartOf(text_) : text_;
  if (path.empty()) return FALSE;
  const DWORD attributes = FsGetAttributes(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD CZText::GetAttributes() const {
  std::string path = text_;
  if (path.size() > 1 && EndsWith(path, '\\')) path.pop_back();
  const DWORD attributes = FsGetAttributes(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes;
}

BOOL CZText::SetAttributes(DWORD attributes) const { return FsSetAttributes(c_str(), attributes); }

DWORD CZText::GetFileSize() const {
  ULONGLONG size = 0;
  if (!GetFileSize64(c_str(), &size)) return 0;
  return static_cast<DWORD>(std::min<ULONGLONG>(size, 0xFFFFFFFF));
}

DWORD CZText::GetFileSizeKB(DWORD* bytesOut) const {
  ULONGLONG size = 0;
  GetFileSize64(c_str(), &size);
  if (bytesOut != nullptr) *bytesOut = static_cast<DWORD>(std::min<ULONGLONG>(size, 0xFFFFFFFF));
  if (size == 0) return 0;
  const ULONGLONG kilobytes = std::max<ULONGLONG>((size + 512) / 1024, 1);  // halves upward
  return static_cast<DWORD>(std::min<ULONGLONG>(kilobytes, 0xFFFFFFFF));
}

long CZText::GetFreeSpaceKB() const {
  return static_cast<long>(std::min<ULONGLONG>(GetFreeSpaceKB64(c_str()), LONG_MAX));
}

BOOL CZText::HasFreeSpace(long bytes) const {
  // Callers hand in 32-bit file sizes: a size from 2 GiB on arrives negative.
  return HasFreeSpace64(c_str(), static_cast<DWORD>(bytes));
}

BOOL CZText::DeleteFile(BOOL force) const {
  if (!FileExists()) return TRUE;
  FsDeleteFile(c_str());
  if (FileExists() && force) {
    SetAttributes(FILE_ATTRIBUTE_ARCHIVE);
    FsDeleteFile(c_str());
  }
  return !FileExists();
}

BOOL CZText::MoveTo(const char* target) const {
  if (!FileExists()) return FALSE;
  const CZText destination(target != nullptr ? target : "");
  if (destination.IsEmpty()) return FALSE;
  if (destination.FileExists() && !destination.DeleteFile(TRUE)) return FALSE;
  return FsMoveFile(c_str(), destination);
}

BOOL CZText::CreateEmptyFile() const {
  if (!HasFreeSpace(0) || !ChangeDirectory(TRUE, TRUE)) return FALSE;
  CZFile file;
  if (!file.Create(c_str())) return FALSE;
  file.Close();
  return FileExists();
}

int CZText::CopyTo(const char* target, BOOL pump, BOOL overwrite, BOOL copyTime,
                   BOOL copyAttributes, BOOL deleteSource, long bufferSize) const {
  enum {
    kCopied = 0,
    kNoSource = 1,
    kNoNamePart = 2,
    kBadTarget = 3,
    kNoBuffer = 4,
    kCannotCreate = 5,
    kCannotOpenSource = 6,
    kOpenCloseError = 7,
    kSpaceOrReadWrite = 8,
    kTargetKept = 9,
    kAttributesFailed = 10,
    kTimeFailed = 11,
    kSourceKept = 12,
  };
  if (!FileExists()) return kNoSource;
  CZText destination(target != nullptr ? target : "");
  if (destination.GetLength() > 1 && EndsWith(destination.str(), '\\')) {
    const CZText name = CZText(*this).GetNamePart(TRUE);
    if (name.IsEmpty()) return kNoNamePart;
    destination += name;
  }
  // Compared in full form: another spelling of the same name must not delete the source.
  if (SamePath(FullPathOf(destination.str(), FALSE, FALSE, false),
               FullPathOf(text_, FALSE, FALSE, false))) {
    return kCopied;
  }
  if (!destination.IsNormalizedPath(FALSE)) return kBadTarget;
  if (destination.FileExists() && (!overwrite || !destination.DeleteFile(TRUE))) {
    return kTargetKept;
  }

  ULONGLONG size = 0;
  GetFileSize64(c_str(), &size);
  if (!HasFreeSpace64(destination, size)) {
    if (!deleteSource || !MoveTo(destination)) return kSpaceOrReadWrite;
    return FileExists() ? kSourceKept : kCopied;
  }

  CZFile source;
  if (!source.OpenForRead(c_str())) return kCannotOpenSource;
  if (!destination.CreateEmptyFile()) return kCannotCreate;
  CZFile output;
  if (!output.OpenForReadWrite(destination)) return kOpenCloseError;

  if (size != 0) {
    CZMemBlock block;
    if (bufferSize > 0) block.Alloc(static_cast<DWORD>(bufferSize), kZeroFilledMovable);
    if (bufferSize <= 0 || !block.IsUsable()) {
      source.Close();
      output.Close();
      destination.DeleteFile(TRUE);
      return kNoBuffer;
    }
    const DWORD blockSize = static_cast<DWORD>(bufferSize);
    for (;;) {
      DWORD got = 0;
      if (!source.Read(block.Data(), blockSize, &got)) return kSpaceOrReadWrite;
      if (got > 0 && !output.Write(block.Data(), got)) return kSpaceOrReadWrite;
      if (pump) PumpMessages(nullptr);
      if (got < blockSize) break;
    }
  }
  const BOOL sourceClosed = source.Close();
  const BOOL outputClosed = output.Close();
  if (!sourceClosed || !outputClosed) return kOpenCloseError;

  int result = kCopied;
  if (copyTime && !CopyFileTime(c_str(), destination)) result = kTimeFailed;
  if (copyAttributes && !CopyFileAttributes(c_str(), destination) && result == kCopied) {
    result = kAttributesFailed;
  }
  if (deleteSource && !DeleteFile(TRUE)) result = kSourceKept;
  return result;
}
