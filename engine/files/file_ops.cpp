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

constexpr DWORD kWholeFile = 0xFFFFFFFF;
constexpr DWORD kCopyBlockSize = 24576;
constexpr DWORD kFallbackBlockSize = 1024;
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

// Percentage of done in total, exact for every 32-bit count (total 0 counts as 1).
WPARAM Percentage(ULONGLONG done, ULONGLONG total) {
  if (total == 0) total = 1;
  return static_cast<WPARAM>(std::min<ULONGLONG>(done * 100 / total, 100));
}

ReplaceStageHook g_replaceStageHook = nullptr;

void AtStage(ReplaceStage stage) {
  if (g_replaceStageHook != nullptr) g_replaceStageHook(stage);
}

// One rename that puts the new archive in the place of the old one: until it the archive's name
// holds the complete old archive, after it the complete new one, never neither and never part of
// either. No copy is allowed: a copy to another drive would not be one step. The system refuses
// the rename where it cannot make it (the files on different drives, a read-only archive, an
// archive another program holds open), and the caller then takes the careful path.
bool RenameOverArchive(const CZText& temporary, const CZText& archive) {
  AtStage(ReplaceStage::kBeforeRename);
  if (FileStepFails(FileStep::kMove)) return false;
  if (!MoveFileExA(AnsiFromOem(temporary).c_str(), AnsiFromOem(archive).c_str(),
                   MOVEFILE_REPLACE_EXISTING)) {
    return false;
  }
  AtStage(ReplaceStage::kAfterRename);
  return true;
}

// The drive part of a full path: "C:" or "\\SERVER\SHARE"; empty for any other path.
std::string DrivePart(const CZText& path) {
  const std::string& text = path.str();
  if (text.size() >= 2 && text[1] == ':') return text.substr(0, 2);
  if (text.rfind("\\\\", 0) != 0) return std::string();
  const size_t share = text.find('\\', 2);
  if (share == std::string::npos) return std::string();
  return text.substr(0, text.find('\\', share + 1));
}

bool OnSameDrive(const CZText& a, const CZText& b) {
  const std::string driveA = DrivePart(a);
  return !driveA.empty() && lstrcmpiA(driveA.c_str(), DrivePart(b).c_str()) == 0;
}

// Moves or, failing that, copies the temporary file to the (free) archive name.
int PutNewArchiveInPlace(WriterState& writer, const CZText& temporary, const CZText& archive) {
  if (FsMoveFile(temporary, archive)) return kReplaceDone;
  CZFile source;
  if (!source.OpenForRead(temporary)) return kReplaceFileError;
  CZFile target;
  if (!target.Create(archive)) return kReplaceFileError;  // created or truncated to 0 bytes
  const int copied = CopyFileData(writer, source.AsHFile(), target.AsHFile(), kWholeFile, &archive);
  source.Close();  // the read side's close cannot lose data
  const BOOL closed = target.Close();
  if (copied != kReplaceDone) return copied;
  if (!closed) return kReplaceFileError;
  CZText(temporary).DeleteFile(TRUE);  // the copy is complete; a leftover is only clutter
  return kReplaceDone;
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

BOOL MakeTempArchiveName(WriterState& writer) {
  writer.temporaryName.Empty();
  CZText folder;
  folder.GetTempDir();
  if (folder.IsEmpty()) return FALSE;
  char name[MAX_PATH + 1] = {};
  if (GetTempFileNameA(AnsiFromOem(folder).c_str(), "ZIP", 0, name) == 0) return FALSE;
  writer.temporaryName = OemFromAnsi(name);
  writer.temporaryName.MakeUpper();
  if (!writer.temporaryName.CreateEmptyFile()) return FALSE;
  return writer.temporaryName.FileExists();
}

int ReplaceArchiveFile(WriterState& writer) {
  writer.keepTemporary = false;
  writer.displacedArchiveName.Empty();
  const CZText archive = writer.archiveName;
  const CZText temporary = writer.temporaryName;
  if (archive.IsEmpty() || temporary.IsEmpty()) return kReplaceFileError;

  if (IsDisketteWriteProtected(archive)) return kReplaceWriteProtected;
  const bool archiveExists = archive.FileExists() != FALSE;
  ULONGLONG newSize = 0;
  if (!GetFileSize64(temporary, &newSize)) return kReplaceFileError;
  // Beside the archive the new one is already on its drive and the move needs no room: a real
  // lack of space was found while the temporary file was written.
  if (archiveExists && !OnSameDrive(temporary, archive) && !HasFreeSpace64(archive, newSize)) {
    return kReplaceNoSpace;
  }

  if (archiveExists && RenameOverArchive(temporary, archive)) return kReplaceDone;

  // The careful path, where the one-step rename is refused. The old archive is renamed, never
  // rewritten, until the new one is complete in its place; between the two moves no file has the
  // archive's name (the old one lies at the aside name).
  CZText aside;
  if (archiveExists) {
    aside.MakeUniqueName(archive, TRUE, "~ZIP");
    if (aside.IsEmpty() || !FsMoveFile(archive, aside)) return kReplaceFileError;
  }

  const int result = PutNewArchiveInPlace(writer, temporary, archive);
  if (result == kReplaceDone) {
    if (archiveExists) aside.DeleteFile(TRUE);
    return kReplaceDone;
  }

  if (archiveExists) {
    // Putting the old archive back also replaces whatever part of the new one was written.
    if (!FsReplaceFile(aside, archive)) {
      writer.keepTemporary = true;
      writer.displacedArchiveName = aside;
    }
  } else if (archive.FileExists()) {
    FsDeleteFile(archive);  // an incomplete copy must not pass for an archive
  }
  return result;
}

void SetReplaceStageHook(ReplaceStageHook hook) { g_replaceStageHook = hook; }

int CopyFileData(WriterState& writer, HFILE source, HFILE target, DWORD length,
                 const CZText* targetName) {
  CZMemBlock block;
  block.Alloc(kCopyBlockSize, kZeroFilledMovable);
  if (!block.IsUsable()) {
    block.Free();
    block.Alloc(kFallbackBlockSize, kZeroFilledMovable);
    if (!block.IsUsable()) return kReplaceNoBuffer;
  }
  const DWORD blockSize = block.Requested();

  ULONGLONG total = length;
  if (length == kWholeFile && !GetHFileRemaining(source, &total)) return kReplaceFileError;
  const char* name = targetName != nullptr ? targetName->c_str() : "";
  if (targetName != nullptr && !HasFreeSpace64(name, total)) return kReplaceNoSpace;

  ULONGLONG done = 0;
  for (;;) {
    DWORD wanted = blockSize;
    if (length != kWholeFile)
      wanted = static_cast<DWORD>(std::min<ULONGLONG>(blockSize, total - done));
    if (wanted == 0) return kReplaceDone;
    DWORD got = 0;
    if (!ReadHFile(source, block.Data(), wanted, &got)) return kReplaceFileError;
    if (got == 0) return kReplaceDone;
    if (targetName != nullptr && !HasFreeSpace64(name, got)) return kReplaceNoSpace;
    if (!WriteHFile(target, block.Data(), got)) return kReplaceFileError;
    done += got;

    if (writer.encryptionPass) {
      if (writer.notifyWindow != nullptr) PumpMessages(nullptr);
      if (writer.notifyWindow != nullptr && IsWindow(writer.notifyWindow)) {
        SendMessageA(writer.notifyWindow, progress::kEncrypting, Percentage(done, total),
                     reinterpret_cast<LPARAM>(name));
        PumpMessages(nullptr);
      }
    }
    if (length != kWholeFile && done >= total) return kReplaceDone;
  }
}
