#include "files/zfile.h"

#include "files/file_fault.h"
#include "files/file_ops.h"

CZFile::~CZFile() { Close(); }

BOOL CZFile::OpenWith(const char* oemPath, DWORD access, DWORD share, DWORD disposition) {
  Close();
  const FileStep step = disposition == CREATE_ALWAYS ? FileStep::kCreate : FileStep::kOpen;
  if (oemPath == nullptr || *oemPath == '\0') return FALSE;
  if (FileStepFails(step)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::string ansi = AnsiFromOem(oemPath);
  handle_ = CreateFileA(ansi.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
  return IsOpen();
}

BOOL CZFile::OpenForRead(const char* oemPath) {
  return OpenWith(oemPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

BOOL CZFile::OpenForReadWrite(const char* oemPath) {
  return OpenWith(oemPath, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
}

BOOL CZFile::Create(const char* oemPath) {
  return OpenWith(oemPath, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
}

BOOL CZFile::Read(void* buffer, DWORD size, DWORD* got) {
  return ReadHFile(AsHFile(), buffer, size, got);
}

BOOL CZFile::Write(const void* buffer, DWORD size) { return WriteHFile(AsHFile(), buffer, size); }

BOOL CZFile::Close() {
  if (!IsOpen()) return TRUE;
  HANDLE handle = handle_;
  handle_ = INVALID_HANDLE_VALUE;
  // The handle is released even when the seam reports a failure: a failed close must not leak.
  const bool injected = FileStepFails(FileStep::kClose);
  const BOOL closed = CloseHandle(handle);
  return closed && !injected;
}

BOOL CZFile::GetSize(ULONGLONG* size) const {
  LARGE_INTEGER value;
  if (!IsOpen() || !GetFileSizeEx(handle_, &value)) return FALSE;
  *size = static_cast<ULONGLONG>(value.QuadPart);
  return TRUE;
}

HFILE CZFile::AsHFile() const { return IsOpen() ? HFileFromHandle(handle_) : HFILE_ERROR; }

HANDLE HandleFromHFile(HFILE file) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file)); }

HFILE HFileFromHandle(HANDLE handle) {
  return static_cast<HFILE>(reinterpret_cast<INT_PTR>(handle));
}

BOOL ReadHFile(HFILE file, void* buffer, DWORD size, DWORD* got) {
  *got = 0;
  if (file == HFILE_ERROR) return FALSE;
  if (FileStepFails(FileStep::kRead)) {
    SetLastError(ERROR_READ_FAULT);
    return FALSE;
  }
  return ReadFile(HandleFromHFile(file), buffer, size, got, nullptr);
}

BOOL WriteHFile(HFILE file, const void* buffer, DWORD size) {
  if (file == HFILE_ERROR) return FALSE;
  if (FileStepFails(FileStep::kWrite)) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  DWORD written = 0;
  return WriteFile(HandleFromHFile(file), buffer, size, &written, nullptr) && written == size;
}

BOOL GetHFileRemaining(HFILE file, ULONGLONG* bytesLeft) {
  *bytesLeft = 0;
  if (file == HFILE_ERROR) return FALSE;
  HANDLE handle = HandleFromHFile(file);
  LARGE_INTEGER size;
  LARGE_INTEGER position;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  if (!GetFileSizeEx(handle, &size) || !SetFilePointerEx(handle, zero, &position, FILE_CURRENT)) {
    return FALSE;
  }
  *bytesLeft = size.QuadPart > position.QuadPart
                   ? static_cast<ULONGLONG>(size.QuadPart - position.QuadPart)
                   : 0;
  return TRUE;
}
