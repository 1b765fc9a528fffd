// Split: a file cut into volumes NAME.V_S of given sizes. On a removable destination (or one
// with no free space at all) the disk prompt asks for another disk whenever the one in the drive
// is write-protected or lacks room for the next volume; an old volume of the same set name that
// is at least as large is deleted instead of asking. The source is never changed.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <new>
#include <vector>

#include "base/progress_messages.h"
#include "files/drive_checks.h"
#include "files/file_ops.h"
#include "files/file_time.h"
#include "files/zfile.h"
#include "volumes/volume_names.h"
#include "volumes/volume_operations.h"
#include "volumes/volume_progress.h"
#include "writing/czzip.h"
#include "writing/writer_paths.h"

namespace {

constexpr DWORD kReadSize = 8192;

bool SameDrive(const char* a, const char* b) {
  return a[0] != '\0' && a[1] == ':' && b[0] != '\0' && b[1] == ':' &&
         std::toupper(static_cast<unsigned char>(a[0])) ==
             std::toupper(static_cast<unsigned char>(b[0]));
}

// Deletes a volume of this name with any set character (NAME.V_?) that is at least need bytes
// long: an old set's volume whose room the new one may take. TRUE when one was deleted.
bool DeleteOldVolume(const CZText& volume, ULONGLONG need) {
  std::string pattern = volume.str();
  pattern.back() = '?';
  const size_t slash = pattern.rfind('\\');
  const std::string folder =
      slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(AnsiFromOem(pattern.c_str()).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool deleted = false;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const ULONGLONG size = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    if (size < need) continue;
    const CZText name = CZText(folder) + OemFromAnsi(found.cFileName);
    if (FsDeleteFile(name)) deleted = true;
  } while (!deleted && FindNextFileA(search, &found));
  FindClose(search);
  return deleted;
}

class Splitter {
 public:
  Splitter(HWND window, const char* title, const char* text)
      : window_(window), title_(title), text_(text) {}

  // Steps (a) and (b) for the disk that is to take need bytes of volume `index`: 0, or 11 (No
  // while the disk is write-protected) or 6 (No while it lacks room).
  int PrepareDisk(const CZText& volume, ULONGLONG need, int index, int count) const {
    for (;;) {
      if (IsDisketteWriteProtected(volume)) {
        if (!volumes::AskForDisk(window_, title_, text_, index + 1, count)) {
          return kSplitProtectedRefused;
        }
        continue;
      }
      if (HasFreeSpace64(volume, need)) return kSplitDone;
      if (DeleteOldVolume(volume, need)) continue;
      if (!volumes::AskForDisk(window_, title_, text_, index + 1, count)) return kSplitDiskRefused;
    }
  }

 private:
  HWND window_;
  const char* title_;
  const char* text_;
};

}  // namespace

int volumes::SplitArchive(CZZip& writer, HWND notifyWindow, const char* sourceName,
                          const char* destination, long firstSize, long nextSize, const char* title,
                          const char* text) {
  writer.SetNotifyWindow(notifyWindow);
  CurrentFolderKeeper keepFolder;
  const CZText source(FullEnginePath(sourceName != nullptr ? sourceName : ""));
  const DWORD attributes = source.IsEmpty() ? INVALID_FILE_ATTRIBUTES : FsGetAttributes(source);
  ULONGLONG size = 0;
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !GetFileSize64(source, &size)) {
    return kSplitNoSource;
  }
  // Sizes that could never finish the copy are refused before anything is written: a negative
  // first size, or no room in later volumes while bytes lie beyond the first.
  if (firstSize < 0) return kSplitRefused;
  const ULONGLONG first = static_cast<ULONGLONG>(firstSize);
  int last = 0;
  if (size > first) {
    if (nextSize < 1) return kSplitRefused;
    const ULONGLONG next = static_cast<ULONGLONG>(nextSize);
    const ULONGLONG more = (size - first + next - 1) / next;
    if (more > volumes::kMaxVolumes - 1) return kSplitRefused;
    last = static_cast<int>(more);
  }
  const int count = last + 1;
  const ULONGLONG next = nextSize > 0 ? static_cast<ULONGLONG>(nextSize) : 0;
  auto roomOf = [&](int index) { return index == 0 ? first : next; };

  const std::string folder =
      FullEnginePath(destination != nullptr && *destination != '\0' ? destination : ".");
  if (folder.empty()) return kSplitCannotCreate;

  std::vector<uint8_t> buffer;
  try {
    buffer.resize(2 * kReadSize);
  } catch (const std::bad_alloc&) {
    return kSplitNoMemory;
  }
  CZFile input;
  if (!input.OpenForRead(source)) return kSplitReadError;

  CZText volume;
  CZZip::MakeVolumeName(source, volume, folder.c_str(), 0, last);
  const bool removable = GetDriveKind(volume) == kDriveRemovable;
  const bool swapping = removable || !HasFreeSpace64(volume, 0);
  // The disk holding the source would be taken out of the drive for the next volume.
  if (removable && last > 0 && SameDrive(source, volume)) return kSplitRefused;

  const Splitter splitter(notifyWindow, title, text);
  CZFile output;
  ULONGLONG total = 0;
  auto openVolume = [&](int index) -> int {
    CZZip::MakeVolumeName(source, volume, folder.c_str(), index, last);
    if (swapping) {
      const int prepared =
          splitter.PrepareDisk(volume, std::min(roomOf(index), size - total), index, count);
      if (prepared != kSplitDone) return prepared;
    }
    return output.Create(volume) ? kSplitDone : kSplitCannotCreate;
  };
  auto finishVolume = [&](int index, ULONGLONG written, bool notifyFirst) {
    if (notifyFirst) {
      volumes::Notify(notifyWindow, progress::kVolumeSplit, index + 1,
                      static_cast<LPARAM>(written));
    }
    const BOOL closed = output.Close();
    CopyFileTime(source, volume);
    return closed != FALSE;
  };

  int result = openVolume(0);
  if (result != kSplitDone) return result;
  int index = 0;
  ULONGLONG inVolume = 0;
  while (total < size) {
    if (inVolume >= roomOf(index)) {
      if (!finishVolume(index, inVolume, true)) return kSplitCannotCreate;
      ++index;
      inVolume = 0;
      result = openVolume(index);
      if (result != kSplitDone) return result;
      continue;
    }
    const DWORD wanted = static_cast<DWORD>(
        std::min<ULONGLONG>({roomOf(index) - inVolume, kReadSize, size - total}));
    DWORD got = 0;
    if (!input.Read(buffer.data(), wanted, &got) || got == 0) return kSplitReadError;
    if (!HasFreeSpace64(volume, got)) {
      if (!swapping) return kSplitDestinationFull;
      result = splitter.PrepareDisk(volume, got, index, count);
      if (result != kSplitDone) return result;
    }
    if (!output.Write(buffer.data(), got)) return kSplitDestinationFull;
    total += got;
    inVolume += got;
    volumes::Notify(notifyWindow, progress::kSplitting, static_cast<WPARAM>(total / 1024),
                    reinterpret_cast<LPARAM>(volume.c_str()));
  }
  if (!finishVolume(index, inVolume, false)) return kSplitCannotCreate;
  input.Close();
  volumes::Notify(notifyWindow, progress::kVolumeSplit, index + 1, static_cast<LPARAM>(inVolume));
  return kSplitDone;
}
