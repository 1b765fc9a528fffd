// CZZip's settings and ZipFiles: the call's frame around the compressing pass (zip_add.cpp). The
// archive name is made absolute first, then its folder becomes the current one for the call (a
// relative mask counts from there) and the caller's folder is put back on every path out.
#include "writing/czzip.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "base/entry_case.h"
#include "files/current_folder.h"
#include "files/file_ops.h"
#include "writing/writer_paths.h"
#include "writing/zip_writer.h"

namespace {

// The folder part of a path, ending in '\' ("" when there is none).
std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// For store-path method 1: a mask below the archive's folder loses that folder, which becomes
// the base folder the writer puts in front of the names it opens.
void MakeMaskRelative(std::string& mask, const std::string& archiveFolder, CZText& baseFolder) {
  baseFolder.Empty();
  if (archiveFolder.empty()) return;
  std::string spelled = mask;
  for (char& c : spelled) {
    if (c == '/') c = '\\';
  }
  const std::string maskFolder = FolderOf(spelled);
  if (maskFolder.size() < archiveFolder.size() ||
      _strnicmp(maskFolder.c_str(), archiveFolder.c_str(), archiveFolder.size()) != 0) {
    return;
  }
  mask = spelled.substr(archiveFolder.size());
  baseFolder = archiveFolder.c_str();
}

}  // namespace

void CZZip::SetCancel(BOOL cancel) { WriteOperation().cancel = cancel != FALSE; }

BOOL CZZip::SetCompressionMode(short mode) {
  if (mode < kZipDeflateNormal || mode > kZipStoreOnly) {
    compressionMode_ = kZipDeflateNormal;
    return FALSE;
  }
  compressionMode_ = mode;
  return TRUE;
}

void CZZip::SetArchiveFlagOptions(BOOL useArchiveFlag, BOOL removeArchiveFlag) {
  useArchiveFlag_ = useArchiveFlag != FALSE;
  removeArchiveFlag_ = removeArchiveFlag != FALSE;
}

int CZZip::ZipFiles(const char* archiveName, const char* mask, short overwriteMode,
                    short storePathMethod, BOOL recurse, HWND notifyWindow, const char* password) {
  if (archiveName == nullptr || *archiveName == '\0' || mask == nullptr || *mask == '\0') {
    return kWriterNothingToDo;
  }
  if (password != nullptr && std::strlen(password) > kZipMaxPassword) return kZipCannotEncrypt;
  archiveWritten_ = false;
  written_.clear();
  int result;
  {
    CurrentFolderKeeper keeper;
    // Absolute before the folder changes: a relative archive name means the caller's folder.
    std::string archive = FullEnginePath(archiveName);
    if (archive.empty()) return kWriterNothingToDo;
    // The folder as spelled, for comparing with the mask (only ASCII letters compare without
    // regard to case there).
    const std::string archiveFolder = FolderOf(archive);
    UpperCaseOem(archive);
    ChangeToFolder(archiveFolder, MissingFolder::kMakeLastLevel);

    // "." and ".." resolved first: the stored names are then the paths the files are read from.
    std::string scanMask = ResolveMaskFolder(mask);
    storePathMethod_ = storePathMethod;
    CZText baseFolder;
    if (storePathMethod_ == 1) MakeMaskRelative(scanMask, archiveFolder, baseFolder);
    replaceAnswer_ = overwriteMode;
    overwriteMode_ = overwriteMode;
    hNotifyWnd_ = notifyWindow;
    recurse_ = recurse != FALSE;

    WriterState& writer = WriteOperation();
    writer.notifyWindow = notifyWindow;
    writer.recurse = recurse_;
    writer.storePaths = storePathMethod_ != 0;
    writer.storePathMethod = storePathMethod_;
    writer.baseFolder = baseFolder;
    result = CompressFiles(archive, scanMask);

    // Only files now held by the archive in place lose the attribute that marks them for backup.
    if (removeArchiveFlag_ && archiveWritten_) {
      for (const std::string& file : written_) {
        const DWORD attributes = FsGetAttributes(file.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_ARCHIVE)) {
          FsSetAttributes(file.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
        }
      }
    }
    written_.clear();

    // With a password every entry ends up encrypted, also when single files failed or the call
    // was cancelled; the adding result stays the call's result.
    const bool completed =
        result == kWriterDone ||
        (archiveWritten_ &&
         (result == kWriterFileError || result == kWriterAccessDenied || result == kZipUserAbort));
    if (completed && password != nullptr && *password != '\0') {
      WriteOperation().password = password;
      if (!EncryptArchive(archive.c_str())) result = kZipCannotEncrypt;
      FinishWriter(0);  // the password goes from memory whatever the pass did
    }
    WriteOperation().baseFolder.Empty();
  }
  return result;
}
