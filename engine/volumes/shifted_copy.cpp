// The archive copy of a self-extractor: every entry and the directory of the archive in a
// temporary file, with every stored offset moved up by the stub and settings block that will
// stand in front of it. Built on the archive writer's state, so it must not overlap another
// writer operation.
#include <windows.h>

#include <new>
#include <vector>

#include "base/progress_messages.h"
#include "core/zip_records.h"
#include "writing/archive_replace.h"
#include "files/file_ops.h"
#include "files/zfile.h"
#include "volumes/volume_progress.h"
#include "writing/czzip.h"
#include "writing/writer_paths.h"
#include "writing/zip_writer.h"

namespace {

// The writer's codes for the steps of the copy (the builder turns every failure into its 4).
constexpr int kShiftNoName = 5;
constexpr int kShiftNotArchive = 4;
constexpr int kShiftNoEntries = 6;
constexpr int kShiftFileError = 12;
constexpr int kShiftNoRoom = 16;

// Copies the bytes in front of the archive (a program), unchanged.
bool CopyBytesInFront(WriterState& writer) {
  std::vector<uint8_t> block(16384);
  DWORD left = writer.bytesInFront;
  if (!SeekFile(writer.archiveFile, 0)) return false;
  while (left != 0) {
    const DWORD wanted = left < block.size() ? left : static_cast<DWORD>(block.size());
    DWORD got = 0;
    if (!ReadHFile(writer.archiveFile, block.data(), wanted, &got) || got != wanted) return false;
    if (!WriteHFile(writer.outputFile, block.data(), got)) return false;
    left -= got;
  }
  writer.outputOffset = writer.bytesInFront;
  return true;
}

// An encrypted entry with a data descriptor checks its password against the time, not the CRC:
// a new local header without the descriptor would make every password fail. It is copied byte
// for byte instead.
bool MustCopyUnchanged(const ZipEntry& entry) {
  return (entry.flags & zip::kFlagEncrypted) != 0 &&
         ((entry.flags | entry.localFlags) & zip::kFlagDataDescriptor) != 0;
}

BOOL Fail(int code) {
  FailWriter(code);
  return FALSE;
}

}  // namespace

BOOL CZZip::CopyArchiveShifted(const char* archiveName, HWND notifyWindow, DWORD shift,
                               CZText& copyName) {
  copyName.Empty();
  WriterState& writer = WriteOperation();
  try {
    writer.notifyWindow = notifyWindow;
    writer.encryptionPass = false;
    writer.repair = false;
    writer.temporaryName.Empty();
    if (archiveName == nullptr || SetArchiveName(archiveName) == nullptr) {
      return Fail(kShiftNoName);
    }
    if (ReadArchiveDirectory() != kWriterDone) return Fail(kShiftNotArchive);
    if (writer.entries.empty()) return Fail(kShiftNoEntries);
    const DWORD total = static_cast<DWORD>(2 * writer.entries.size());

    {
      // The temporary folder becomes current while the name is made: the caller's stays.
      CurrentFolderKeeper keepFolder;
      if (!MakeTempArchiveName(writer)) return Fail(kShiftNoName);
    }
    copyName = writer.temporaryName;
    // The name was reserved by an empty file; it is opened anew for writing.
    FsDeleteFile(writer.temporaryName);
    writer.outputFile = OpenWriterFile(writer.temporaryName, true);
    if (writer.outputFile == HFILE_ERROR) return Fail(kShiftFileError);
    writer.archiveFile = OpenWriterFile(writer.archiveName, false);
    if (writer.archiveFile == HFILE_ERROR) return Fail(kShiftFileError);
    writer.outputOffset = 0;
    if (!CopyBytesInFront(writer)) return Fail(kShiftFileError);

    DWORD count = 0;
    for (ZipEntry& entry : writer.entries) {
      ++count;
      const int copied = MustCopyUnchanged(entry)
                             ? CopyEntry(writer.archiveFile, writer.outputFile, entry)
                             : RelocateEntry(writer.archiveFile, writer.outputFile, entry);
      if (copied != kWriterDone) return Fail(kShiftFileError);
      volumes::Notify(notifyWindow, progress::kMakeExeStep2, count * 100 / total, 0);
    }
    CloseFileHandles(&writer.archiveFile, nullptr, nullptr);

    const uint64_t start = writer.outputOffset;
    uint64_t size = 0;
    for (const ZipEntry& entry : writer.entries) {
      size += kCentralHeaderSize + entry.NameLength() + entry.CentralExtraLength() +
              entry.CommentLength();
    }
    if (writer.entries.size() > kMaxEntries ||
        start + size + kEndRecordSize + writer.archiveComment.size() + shift > kMaxArchiveSize) {
      return Fail(kShiftFileError);
    }
    if (!SeekFile(writer.outputFile, start)) return Fail(kShiftFileError);
    for (ZipEntry& entry : writer.entries) {
      ZipEntry moved = entry;
      moved.localHeaderOffset += shift;
      if (!WriteCentralHeader(writer.outputFile, moved)) return Fail(kShiftFileError);
    }
    if (!HasFreeSpace64(writer.temporaryName, writer.archiveComment.size() + 30)) {
      return Fail(kShiftNoRoom);
    }
    if (!WriteEndRecord(writer.outputFile, static_cast<DWORD>(writer.entries.size()),
                        static_cast<DWORD>(start + shift), static_cast<DWORD>(size),
                        writer.archiveComment.data(),
                        static_cast<DWORD>(writer.archiveComment.size()))) {
      return Fail(kShiftFileError);
    }
    const BOOL closed = CloseHandle(HandleFromHFile(writer.outputFile));
    writer.outputFile = HFILE_ERROR;
    if (!closed) return Fail(kShiftFileError);
    FinishWriter(kWriterDone);
    return TRUE;
  } catch (const std::bad_alloc&) {
    return Fail(kWriterNoMemory);
  }
}
