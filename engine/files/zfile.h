// CZFile: one open file, owned by the object and closed on every path out. Paths are engine
// paths (OEM code page); each is converted to ANSI for the moment of the system call. Failures
// are reported as FALSE results, never thrown, so the object is safe inside window procedures
// and message loops. Every step passes the failure seam (file_fault.h).
//
// The archive routines of the engine pass files around as HFILE values; the free functions at
// the end work on such a borrowed handle with the same checks.
#pragma once

#include <windows.h>

class CZFile {
 public:
  CZFile() = default;
  ~CZFile();
  CZFile(const CZFile&) = delete;
  CZFile& operator=(const CZFile&) = delete;

  // An existing file for reading; other readers are allowed.
  BOOL OpenForRead(const char* oemPath);
  // An existing file for reading and writing, not shared.
  BOOL OpenForReadWrite(const char* oemPath);
  // A new file, or an existing one truncated to 0 bytes, for reading and writing, not shared.
  BOOL Create(const char* oemPath);

  // Reads up to size bytes; *got receives the count, 0 at the end of the file. FALSE on an error.
  BOOL Read(void* buffer, DWORD size, DWORD* got);
  // FALSE unless all size bytes were written.
  BOOL Write(const void* buffer, DWORD size);
  // FALSE when the system reports a failure; the handle is released either way.
  BOOL Close();

  BOOL GetSize(ULONGLONG* size) const;
  BOOL IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return handle_; }
  // The handle as an HFILE for the routines that take one; the object keeps ownership.
  HFILE AsHFile() const;

 private:
  BOOL OpenWith(const char* oemPath, DWORD access, DWORD share, DWORD disposition);

  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Kernel handles fit in 32 bits on 32- and 64-bit Windows, which is what makes HFILE usable.
HANDLE HandleFromHFile(HFILE file);
HFILE HFileFromHandle(HANDLE handle);

// The same reads and writes on a borrowed HFILE (HFILE_ERROR fails at once).
BOOL ReadHFile(HFILE file, void* buffer, DWORD size, DWORD* got);
BOOL WriteHFile(HFILE file, const void* buffer, DWORD size);
BOOL GetHFileRemaining(HFILE file, ULONGLONG* bytesLeft);  // size less the current position
