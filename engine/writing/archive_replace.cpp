// The writer's archive replacement: the temporary archive beside the old one, put in its place
// in one step where the system allows, the data copy with the encryption pass's progress.
#include "writing/archive_replace.h"

#include <algorithm>
#include <string>

#include "base/engine_utils.h"
#include "base/memblock.h"
#include "base/progress_messages.h"
#include "files/drive_checks.h"
#include "files/file_fault.h"
#include "files/file_ops.h"
#include "files/zfile.h"

namespace {

constexpr DWORD kWholeFile = 0xFFFFFFFF;
constexpr DWORD kCopyBlockSize = 24576;
constexpr DWORD kFallbackBlockSize = 1024;

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
