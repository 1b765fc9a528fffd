#include "files/free_space_estimate.h"

#include "files/drive_checks.h"
#include "files/file_ops.h"

namespace {
constexpr DWORD kQueryAgeMs = 500;
constexpr ULONGLONG kLeastMarginKB = 64 * 1024;  // 64 MB
}  // namespace

BOOL FreeSpaceEstimate::HasRoomFor(const char* oemPath, ULONGLONG bytes) {
  if (oemPath == nullptr || oemPath[0] == '\0' || oemPath[1] == '\0' ||
      IsSimulatedFullDrive(oemPath)) {
    return HasFreeSpace64(oemPath, bytes);
  }
  const char letter = oemPath[0];
  const char drive =
      letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
  const DWORD now = GetTickCount();
  if (drive == drive_ && now - queriedAt_ < kQueryAgeMs) {
    // A sixteenth of what was free, at least 64 MB, stays as the margin.
    const ULONGLONG margin = freeKB_ / 16 > kLeastMarginKB ? freeKB_ / 16 : kLeastMarginKB;
    const ULONGLONG used = writtenSince_ / 1024 + 1;
    if (freeKB_ > used + margin && bytes / 1024 <= freeKB_ - used - margin) return TRUE;
  }
  drive_ = drive;
  freeKB_ = GetFreeSpaceKB64(oemPath);
  writtenSince_ = 0;
  queriedAt_ = now;
  if (bytes == 0) return freeKB_ > 0;
  return bytes / 1024 <= freeKB_;
}
