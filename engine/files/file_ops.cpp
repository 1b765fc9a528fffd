#include "files/file_ops.h"

#include <algorithm>
#include <climits>

#include "files/drive_checks.h"
#include "base/engine_utils.h"
#include "files/file_fault.h"
#include "files/filefind.h"
#include "base/memblock.h"
#include "files/zfile.h"
#include "base/progress_messages.h"

namespace {

constexpr ULONGLONG kReservedBytes = 8192;  // kept free on every drive
constexpr size_t kLongNameLimit = 256;

bool IsAllDots(const std::string& text) {
  // Blanks count with the dots: the system drops trailing blanks and dots from a component, so
  // ". ." names the same folder as ".".
  bool sawDot = false;
  for (char c : text) {
    if (c == '.') {
      sawDot = true;
    } else if (c != ' ') {
      return false;
    }
  }
  return sawDot;
}

BOOL Normalize(CZText& name, BOOL stripWildcards, bool shortForm) {
  if (name.IsEmpty()) return FALSE;
  CZText upper(name);
  upper.MakeUpper();
  std::string text;
  for (char c : upper.str()) {
    if (stripWildcards && (c == '*' || c == '?')) continue;
    if (c == '"' || c == '|' || c == '\\' || c == '/' || c == '\t' || c == ':' || c == '>' ||
        c == '<' || c == '+') {
      continue;
    }
    text += c;
  }
  if (IsAllDots(text)) {
    name = "";
    return FALSE;
  }
  if (!text.empty() && text[0] == '.') text.erase(0, 1);
  text = text.substr(0, shortForm ? 12 : kLongNameLimit);

  const size_t dot = text.rfind('.');
  std::string result;
  if (dot == std::string::npos) {
    result = shortForm ? text.substr(0, 8) : text;
  } else {
    std::string base = text.substr(0, dot);
    std::string extension = text.substr(dot + 1);
    if (extension.empty()) {
      result = shortForm ? text.substr(0, 9) : text;
    } else if (base.empty()) {
      result.clear();
    } else if (shortForm) {
      base = base.substr(0, 8);
      std::replace(base.begin(), base.end(), '.', '_');
      result = base + "." + extension.substr(0, 3);
    } else {
      result = base.substr(0, kLongNameLimit) + "." + extension.substr(0, kLongNameLimit);
      result = result.substr(0, kLongNameLimit);
      if (!result.empty() && result[0] == '.') result.erase(0, 1);
    }
  }
  name = result.c_str();
  return TRUE;
}

}  // namespace

std::string AnsiFromOem(const char* oemText) {
  std::string ansi(oemText != nullptr ? oemText : "");
  if (!ansi.empty()) OemToCharBuffA(ansi.c_str(), ansi.data(), static_cast<DWORD>(ansi.size()));
  return ansi;
}

CZText OemFromAnsi(const char* ansiText) {
  std::string oem(ansiText != nullptr ? ansiText : "");
  if (!oem.empty()) CharToOemBuffA(oem.c_str(), oem.data(), static_cast<DWORD>(oem.size()));
  return CZText(oem);
}

BOOL FsMoveFile(const char* oemFrom, const char* oemTo) {
  if (FileStepFails(FileStep::kMove)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return MoveFileA(AnsiFromOem(oemFrom).c_str(), AnsiFromOem(oemTo).c_str());
}

BOOL FsReplaceFile(const char* oemFrom, const char* oemTo) {
  if (FileStepFails(FileStep::kMove)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return MoveFileExA(AnsiFromOem(oemFrom).c_str(), AnsiFromOem(oemTo).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
}

BOOL FsDeleteFile(const char* oemPath) {
  if (FileStepFails(FileStep::kDelete)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return DeleteFileA(AnsiFromOem(oemPath).c_str());
}

BOOL FsSetAttributes(const char* oemPath, DWORD attributes) {
  if (FileStepFails(FileStep::kSetAttributes)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return SetFileAttributesA(AnsiFromOem(oemPath).c_str(), attributes);
}

DWORD FsGetAttributes(const char* oemPath) {
  return GetFileAttributesA(AnsiFromOem(oemPath).c_str());
}

BOOL GetFileSize64(const char* oemPath, ULONGLONG* size) {
  *size = 0;
  if (oemPath == nullptr || *oemPath == '\0') return FALSE;
  CZFileFind finder(oemPath);
  if (!finder.FindFirstOrNext()) return FALSE;
  const WIN32_FIND_DATAA& data = finder.Data();
  *size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return TRUE;
}

ULONGLONG GetFreeSpaceKB64(const char* oemPath) {
  if (oemPath == nullptr || oemPath[0] == '\0' || oemPath[1] == '\0') return 0;
  if (!IsCharAlphaA(oemPath[0])) return 0;
  if (IsSimulatedFullDrive(oemPath)) return 0;
  char root[4] = {oemPath[0], ':', '\\', '\0'};
  CharUpperBuffA(root, 1);
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters)) {
    return 0;
  }
  // Today's disks hold far more than 4 GB: the product needs 64 bits.
  const ULONGLONG freeBytes = static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector *
                              static_cast<ULONGLONG>(freeClusters);
  if (freeBytes <= kReservedBytes) return 0;
  return (freeBytes - kReservedBytes) / 1024;
}

BOOL HasFreeSpace64(const char* oemPath, ULONGLONG bytes) {
  const ULONGLONG freeKB = GetFreeSpaceKB64(oemPath);
  if (bytes == 0) return freeKB > 0;
  return bytes / 1024 <= freeKB;
}

BOOL NormalizeFileName(CZText& name, BOOL stripWildcards) {
  return Normalize(name, stripWildcards, false);
}

BOOL NormalizeShortName(CZText& name, BOOL stripWildcards) {
  return Normalize(name, stripWildcards, true);
}

void CloseFileHandles(HFILE* a, HFILE* b, HFILE* c) {
  for (HFILE* file : {a, b, c}) {
    if (file == nullptr || *file == HFILE_ERROR) continue;
    FileStepFails(FileStep::kClose);  // counted; a close cannot be refused here
    CloseHandle(HandleFromHFile(*file));
    *file = HFILE_ERROR;
  }
}

BOOL CopyFileAttributes(const char* oemSource, const char* oemTarget) {
  const DWORD attributes = CZText(oemSource).GetAttributes();
  if (attributes == 0) return FALSE;  // unreadable: do not clear the target's attributes
  return CZText(oemTarget).SetAttributes(attributes);
}
