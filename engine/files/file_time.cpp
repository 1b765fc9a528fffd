#include "files/file_time.h"

#include <cstring>
#include <string>

#include "base/engine_utils.h"
#include "files/file_fault.h"
#include "files/file_ops.h"

namespace {

// The file-mode bits of the C run-time's status query.
constexpr DWORD kModeFolder = 0x4000;
constexpr DWORD kModeRegular = 0x8000;
constexpr DWORD kModeReadAll = 0x0124;  // owner, group, others
constexpr DWORD kModeWriteAll = 0x0092;
constexpr DWORD kModeExecAll = 0x0049;
constexpr DWORD kZipAttributeBits = 0x37;

bool HasProgramExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || name.find_first_of("\\/", dot) != std::string::npos) return false;
  std::string extension = name.substr(dot);
  for (char& c : extension) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return extension == ".EXE" || extension == ".COM" || extension == ".BAT" || extension == ".CMD";
}

DWORD FileMode(const std::string& name, DWORD attributes) {
  DWORD mode = kModeReadAll;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    mode |= kModeFolder | kModeExecAll;
  } else {
    mode |= kModeRegular;
    if (HasProgramExtension(name)) mode |= kModeExecAll;
  }
  if (!(attributes & FILE_ATTRIBUTE_READONLY)) mode |= kModeWriteAll;
  return mode;
}

}  // namespace

BOOL GetFileModTime(FILETIME& out, const char* oemName) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (oemName == nullptr || *oemName == '\0') return FALSE;
  if (!GetFileAttributesExA(AnsiFromOem(oemName).c_str(), GetFileExInfoStandard, &data)) {
    return FALSE;
  }
  out = data.ftLastWriteTime;
  return TRUE;
}

BOOL SetFileModTime(const FILETIME& time, const char* oemName) {
  if (oemName == nullptr || *oemName == '\0') return FALSE;
  const DWORD attributes = FsGetAttributes(oemName);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    FsSetAttributes(oemName, folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
  }
  if (FileStepFails(FileStep::kSetTime)) return FALSE;
  HANDLE handle = CreateFileA(AnsiFromOem(oemName).c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  const BOOL set = SetFileTime(handle, nullptr, nullptr, &time);
  const BOOL closed = CloseHandle(handle);
  return set && closed;
}

BOOL SetOpenFileModTime(const FILETIME& time, HANDLE file) {
  if (file == INVALID_HANDLE_VALUE || file == nullptr) return FALSE;
  if (FileStepFails(FileStep::kSetTime)) return FALSE;
  return SetFileTime(file, nullptr, nullptr, &time);
}

BOOL SetOpenFileAttributes(HANDLE file, DWORD attributes) {
  // The basic information of a file: times (0: unchanged) and attributes.
  struct BasicInformation {
    LARGE_INTEGER creationTime;
    LARGE_INTEGER lastAccessTime;
    LARGE_INTEGER lastWriteTime;
    LARGE_INTEGER changeTime;
    DWORD fileAttributes;
  };
  using SetInformation = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
  constexpr int kFileBasicInfo = 0;
  static const auto setInformation = reinterpret_cast<SetInformation>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
  if (setInformation == nullptr || file == INVALID_HANDLE_VALUE || file == nullptr ||
      attributes == 0) {
    return FALSE;
  }
  BasicInformation information = {};
  information.fileAttributes = attributes;
  return setInformation(file, kFileBasicInfo, &information, sizeof information);
}

BOOL CopyFileTime(const char* oemSource, const char* oemTarget) {
  FILETIME time;
  return GetFileModTime(time, oemSource) && SetFileModTime(time, oemTarget);
}

DWORD GetFileDosTime(const char* oemName, long* sizeOut, DWORD* attributesOut) {
  if (oemName == nullptr || *oemName == '\0') return 0;
  std::string name = AnsiFromOem(oemName);
  if (name.size() > 1 && name.back() == '/') name.pop_back();
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) return 0;

  const DWORD mode = FileMode(name, data.dwFileAttributes);
  if (attributesOut != nullptr) {
    *attributesOut = (mode << 16) | (data.dwFileAttributes & kZipAttributeBits);
  }
  if (sizeOut != nullptr) {
    if (mode & kModeRegular) {
      const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      const DWORD recorded = size >= 0xFFFFFFFFull ? 0xFFFFFFFE : static_cast<DWORD>(size);
      *sizeOut = static_cast<long>(recorded);
    } else {
      *sizeOut = -1;
    }
  }
  return DosDateTimeFromFileTime(data.ftLastWriteTime);
}
