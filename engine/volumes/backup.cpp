// Backup: the files of a mask compressed into one backup archive in the mask's folder, which is
// then split onto the destination in volumes as large as its free space. The backup archive is
// deleted whatever the result.
#include <windows.h>

#include <algorithm>

#include "base/progress_messages.h"
#include "files/drive_checks.h"
#include "files/file_ops.h"
#include "volumes/volume_operations.h"
#include "volumes/volume_progress.h"
#include "writing/czzip.h"
#include "writing/writer_paths.h"
#include "writing/zip_writer.h"

namespace {

constexpr ULONGLONG kSmallestUsableArchive = 23;  // more than an empty archive's end record
constexpr LONGLONG kLargestVolume = 0x7FFFFFFF;

// DRIVE_x.ZIP for a mask at a drive's root, else the mask folder's name with ".ZIP"; in the
// mask's folder either way.
std::string BackupArchiveName(const std::string& mask) {
  const size_t slash = mask.rfind('\\');
  const std::string folder = slash == std::string::npos ? std::string() : mask.substr(0, slash + 1);
  if (std::count(mask.begin(), mask.end(), '\\') < 2) {
    return folder + "DRIVE_" + mask.substr(0, 1) + ".ZIP";
  }
  const std::string parent = folder.substr(0, folder.size() - 1);
  return folder + parent.substr(parent.rfind('\\') + 1) + ".ZIP";
}

// Deletes destination\NAME.?_? (the volumes of an older backup of the same name).
void DeleteOldVolumes(const std::string& destination, const CZText& archive) {
  std::string name = CZText(archive).GetNamePart(FALSE).str();
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  const std::string pattern = destination + name + ".?_?";
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(AnsiFromOem(pattern.c_str()).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    FsDeleteFile(CZText(destination) + OemFromAnsi(found.cFileName));
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

int volumes::BackupToDiskettes(CZZip& writer, const char* mask, const char* destination,
                               BOOL recurse, HWND notifyWindow, const char* title, const char* text,
                               BOOL forceSingleBackup) {
  CurrentFolderKeeper keepFolder;
  const std::string fullMask = FullEnginePath(mask != nullptr ? mask : "");
  if (fullMask.empty()) return kBackupNoName;
  CZText archive(BackupArchiveName(fullMask));
  archive.MakeUpper();
  if (archive.FileExists() || archive.DirectoryExists(FALSE)) {
    CZText unique;
    unique.MakeUniqueName(archive, FALSE, nullptr);
    if (unique.IsEmpty()) return kBackupNoName;
    archive = unique;
  }

  std::string folder = destination != nullptr ? destination : "";
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  folder = FullEnginePath(folder.empty() ? "." : folder.c_str());
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  if (forceSingleBackup && CZZip::CountFiles(folder.c_str(), "*.*", TRUE, FALSE) > 0) {
    return kBackupNotEmpty;
  }
  if (GetDriveKind(folder.c_str()) == kDriveCdRom || IsDisketteWriteProtected(folder.c_str())) {
    return kBackupReadOnlyDestination;
  }

  volumes::Notify(notifyWindow, progress::kBackupBuildZip, 0,
                  reinterpret_cast<LPARAM>(archive.c_str()));
  const int zipped = writer.ZipFiles(archive, mask, kZipReplace, 1, recurse, notifyWindow, nullptr);
  ULONGLONG archiveSize = 0;
  const bool usable = GetFileSize64(archive, &archiveSize) && archiveSize >= kSmallestUsableArchive;
  if (zipped == 1 || zipped == kWriterAccessDenied) {
    if (!usable) {
      archive.DeleteFile(TRUE);
      return zipped == 1 ? kBackupWarningNoArchive : kBackupDeniedNoArchive;
    }
  } else if (zipped != 0) {
    archive.DeleteFile(TRUE);
    return kBackupZipFailed + zipped;
  }
  volumes::Notify(notifyWindow, progress::kBackupZipDone, 0, static_cast<LPARAM>(archiveSize));

  DeleteOldVolumes(folder, archive);
  // In 64 bits: a large disk's free bytes do not fit 32. With 1 KB or less free the size is 0 or
  // below, which the split refuses.
  const LONGLONG volumeSize = std::min<LONGLONG>(
      (static_cast<LONGLONG>(GetFreeSpaceKB64(folder.c_str())) - 1) * 1024, kLargestVolume);
  const int split =
      SplitArchive(writer, notifyWindow, archive, folder.c_str(),
                   static_cast<long>(std::max<LONGLONG>(volumeSize, -1)),
                   static_cast<long>(std::max<LONGLONG>(volumeSize, -1)), title, text);
  archive.DeleteFile(TRUE);
  if (split != kSplitDone) return kBackupSplitFailed + split;
  return zipped == kWriterAccessDenied ? kBackupDoneWithDenied : kBackupDone;
}
