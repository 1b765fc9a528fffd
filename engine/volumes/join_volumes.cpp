// Join: the volumes of a split set put back together into one archive, volume 0 first whichever
// volume is named; the disk prompt asks for every volume that is missing. A join that fails
// deletes the archive it created; a file that was at that name before is never touched.
// Restore: a backup set of a folder chosen, joined into a temporary archive, extracted whole, and
// the archive deleted.
#include <windows.h>

#include <cctype>
#include <new>
#include <vector>

#include "base/progress_messages.h"
#include "base/prompts.h"
#include "files/drive_checks.h"
#include "files/file_ops.h"
#include "files/file_time.h"
#include "files/zfile.h"
#include "reading/czunzip.h"
#include "volumes/volume_names.h"
#include "volumes/volume_operations.h"
#include "volumes/volume_progress.h"
#include "writing/writer_paths.h"

namespace {

constexpr DWORD kCopySize = 8192;

bool SameDrive(const char* a, const char* b) {
  return a[0] != '\0' && a[1] == ':' && b[0] != '\0' && b[1] == ':' &&
         std::toupper(static_cast<unsigned char>(a[0])) ==
             std::toupper(static_cast<unsigned char>(b[0]));
}

bool AllVolumesPresent(CZText volume, int last) {
  for (int index = 0; index <= last; ++index) {
    if (!volumes::SetVolumeDigit(volume, index) || !volume.FileExists()) return false;
  }
  return true;
}

LPARAM Text(const CZText& text) { return reinterpret_cast<LPARAM>(text.c_str()); }

// The joined archive this call created: closed and deleted on every path out unless the join
// completed, so that a failed join leaves no part of an archive under the archive's name.
class JoinedArchive {
 public:
  explicit JoinedArchive(const CZText& name) : name_(name) {}
  ~JoinedArchive() {
    if (completed_ || !created_) return;
    file.Close();
    FsDeleteFile(name_);
  }
  JoinedArchive(const JoinedArchive&) = delete;
  JoinedArchive& operator=(const JoinedArchive&) = delete;

  BOOL Create() {
    created_ = file.Create(name_) != FALSE;
    return created_;
  }
  void Completed() { completed_ = true; }

  CZFile file;

 private:
  CZText name_;
  bool created_ = false;
  bool completed_ = false;
};

}  // namespace

int volumes::JoinVolumes(HWND notifyWindow, const char* volumeName, const char* destination,
                         BOOL progress, const char* title, const char* text, BOOL uniqueName,
                         CZText* outputName) {
  CurrentFolderKeeper keepFolder;
  CZText volume(FullEnginePath(volumeName != nullptr ? volumeName : ""));
  const DWORD attributes = volume.IsEmpty() ? INVALID_FILE_ATTRIBUTES : FsGetAttributes(volume);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return kJoinNoVolume;
  }
  // The file name itself must be a volume name of at least 4 characters ("A_1" is none).
  const int length = volume.GetLength();
  const int nameLength = length - 1 - volume.ReverseFind('\\');
  if (nameLength < 4 || volume.GetAt(length - 2) != '_' ||
      !std::isalnum(static_cast<unsigned char>(volume.GetAt(length - 1)))) {
    return kJoinNotVolumeName;
  }
  const int last = volumes::DigitValue(volume.GetAt(length - 1));
  if (last < 0 || last > 35) return kJoinNotVolumeName;

  const std::string folder =
      FullEnginePath(destination != nullptr && *destination != '\0' ? destination : ".");
  CZText output;
  if (folder.empty() || !volumes::MakeJoinOutputName(volume, folder.c_str(), output)) {
    return kJoinBadName;
  }
  if (outputName != nullptr && uniqueName) {
    if (output.FileExists() || output.DirectoryExists(FALSE)) {
      CZText unique;
      unique.MakeUniqueName(output, FALSE, nullptr);
      if (unique.IsEmpty()) return kJoinBadName;
      output = unique;
    }
    *outputName = output;
    volumes::Notify(notifyWindow, progress::kRestoreBuildZip, 0, Text(output));
  }
  if (output.FileExists()) return kJoinOutputExists;
  // The output would be open on the disk that is to be taken out for the missing volumes.
  if (last > 0 && GetDriveKind(output) == kDriveRemovable && SameDrive(output, volume) &&
      !AllVolumesPresent(volume, last)) {
    return kJoinCannotCreate;
  }

  JoinedArchive joined(output);
  if (!joined.Create()) return kJoinCannotCreate;
  std::vector<uint8_t> buffer;
  try {
    buffer.resize(kCopySize);
  } catch (const std::bad_alloc&) {
    return kJoinNoMemory;
  }
  ULONGLONG total = 0;
  for (int index = 0; index <= last; ++index) {
    if (!volumes::SetVolumeDigit(volume, index)) return kJoinNotVolumeName;
    while (!volume.FileExists()) {
      if (!volumes::AskForDisk(notifyWindow, title, text, index + 1, last + 1)) {
        return kJoinDiskRefused;
      }
    }
    CZFile part;
    if (!part.OpenForRead(volume)) return kJoinReadWriteError;
    ULONGLONG partSize = 0;
    part.GetSize(&partSize);
    const ULONGLONG partKB = (partSize + 1023) / 1024;
    if (!HasFreeSpace64(output, partKB * 1024)) return kJoinNoRoom;
    for (;;) {
      DWORD got = 0;
      if (!part.Read(buffer.data(), kCopySize, &got)) return kJoinReadWriteError;
      if (got > 0) {
        if (!joined.file.Write(buffer.data(), got)) return kJoinReadWriteError;
        total += got;
        if (progress) {
          volumes::Notify(notifyWindow, progress::kJoining, static_cast<WPARAM>(total / 1024),
                          Text(volume));
        }
      }
      if (got < kCopySize) break;
    }
    part.Close();
    if (progress) {
      volumes::Notify(notifyWindow, progress::kVolumeJoined, index + 1,
                      static_cast<LPARAM>(partSize / 1024));
    }
  }
  if (!joined.file.Close()) return kJoinReadWriteError;
  joined.Completed();
  CopyFileTime(volume, output);
  if (progress) {
    volumes::Notify(notifyWindow, progress::kJoinDoneName, 0, Text(output));
    volumes::Notify(notifyWindow, progress::kJoinDoneSize, 0, static_cast<LPARAM>(total));
  }
  return kJoinDone;
}

int volumes::RestoreBackupSet(CZUnzip& reader, HWND notifyWindow, const char* sourceFolder,
                              const char* destination, short overwriteMode, BOOL displayDialog,
                              const char* title, const char* text) {
  std::string folder = sourceFolder != nullptr ? sourceFolder : "";
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  const std::string pattern = folder + "*.0_?";
  CZText first;
  {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(AnsiFromOem(pattern.c_str()).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return kRestoreNoBackupSet;
    first = CZText(folder) + OemFromAnsi(found.cFileName);
    FindClose(search);
  }
  if (displayDialog) {
    EnginePrompts* prompts = GetEnginePrompts();
    if (prompts == nullptr) return kRestoreNoChooser;
    CZText chosen(pattern);
    switch (prompts->ChooseBackupSet(chosen)) {
      case EnginePrompts::BackupSetChoice::kChosen:
        first = chosen;
        break;
      case EnginePrompts::BackupSetChoice::kCancelled:
        return kRestoreCancelled;
      case EnginePrompts::BackupSetChoice::kUnavailable:
        return kRestoreNoChooser;
    }
  }

  CZText joined;
  const int join = JoinVolumes(notifyWindow, first, destination, TRUE, title, text, TRUE, &joined);
  if (join != kJoinDone) {
    if (!joined.IsEmpty() && joined.FileExists()) joined.DeleteFile(TRUE);
    return kRestoreJoinFailed + join;
  }
  ULONGLONG size = 0;
  if (!joined.FileExists() || !GetFileSize64(joined, &size)) return kRestoreNoArchive;
  volumes::Notify(notifyWindow, progress::kRestoreZipDone, 0, static_cast<LPARAM>(size));
  const int extracted = reader.UnzipFiles(joined, "*.*", destination, overwriteMode, TRUE);
  joined.DeleteFile(TRUE);
  return extracted > 0 ? kRestoreExtractFailed + extracted : kRestoreDone;
}
