#include "file_copy.h"

#include <windows.h>
#include <lzexpand.h>

#include "environment.h"

namespace setup {

namespace {

// A handle of CreateFileA as the LZ calls take it (an HFILE holds a Win32 file handle).
HFILE AsHfile(HANDLE file) { return static_cast<HFILE>(reinterpret_cast<INT_PTR>(file)); }

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  HANDLE release() {
    HANDLE h = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE handle_;
};

}  // namespace

CopyResult CopyExpanding(const std::string& source, const std::string& destination) {
  if (!FileExists(source)) return CopyResult::SourceMissing;
  // Opened by handle rather than LZOpenFileA: OpenFile's record holds names of fewer than 128
  // characters only.
  FileHandle input(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!input.valid()) {
    return GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES ? CopyResult::SourceMissing
                                                                         : CopyResult::Failed;
  }
  FileHandle output(CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output.valid()) return CopyResult::Failed;
  // LZInit takes the input handle over (LZClose closes it) when it succeeds.
  const INT lzInput = LZInit(AsHfile(input.get()));
  if (lzInput < 0) return CopyResult::Failed;
  input.release();
  const LONG copied = LZCopy(lzInput, AsHfile(output.get()));
  LZClose(lzInput);
  if (copied < 0) return CopyResult::Failed;
  return CopyResult::Copied;
}

}  // namespace setup
