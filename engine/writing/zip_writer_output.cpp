// The temporary archive: made in the archive's own folder (so that the replacement is a rename on
// one drive, and without changing the current folder, which relative source names depend on),
// filled, completed, and put in the archive's place.
#include <windows.h>

#include <vector>

#include "base/engine_utils.h"
#include "files/file_fault.h"
#include "writing/archive_replace.h"
#include "files/file_ops.h"
#include "files/zfile.h"
#include "writing/zip_writer.h"
#include "base/progress_messages.h"

namespace {}  // namespace

HFILE OpenWriterFile(const char* oemPath, bool create) {
  if (FileStepFails(create ? FileStep::kCreate : FileStep::kOpen)) return HFILE_ERROR;
  const HANDLE handle = CreateFileA(
      AnsiFromOem(oemPath).c_str(), create ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
      create ? 0 : FILE_SHARE_READ, nullptr, create ? CREATE_NEW : OPEN_EXISTING,
      FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? HFILE_ERROR : HFileFromHandle(handle);
}

namespace {

// A free name "~ZIPnnn.TMP" beside the archive, created at once (CREATE_NEW, so that a name
// taken meanwhile by someone else is never overwritten).
bool MakeTemporaryArchive(WriterState& writer, bool* noName) {
  writer.temporaryName.Empty();
  *noName = false;
  const std::string& archive = writer.archiveName.str();
  const size_t slash = archive.rfind('\\');
  if (slash == std::string::npos) return false;
  const std::string folder = archive.substr(0, slash + 1);
  for (int attempt = 0; attempt < 3; ++attempt) {
    CZText name;
    name.MakeUniqueName((folder + "NEW.TMP").c_str(), TRUE, "~ZIP");
    if (name.IsEmpty()) {
      *noName = true;
      return false;
    }
    writer.outputFile = OpenWriterFile(name, true);
    if (writer.outputFile != HFILE_ERROR) {
      writer.temporaryName = name;
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

bool CloseChecked(HFILE* file) {
  if (*file == HFILE_ERROR) return true;
  const bool injected = FileStepFails(FileStep::kClose);
  const BOOL closed = CloseHandle(HandleFromHFile(*file));
  *file = HFILE_ERROR;
  return closed && !injected;
}

// The bytes in front of the first record (a self-extractor program), copied unchanged.
int CopyFront(WriterState& writer) {
  std::vector<uint8_t> block(65536);
  uint64_t left = writer.bytesInFront;
  while (left != 0) {
    const DWORD wanted = static_cast<DWORD>(left < block.size() ? left : block.size());
    DWORD got = 0;
    if (!ReadHFile(writer.archiveFile, block.data(), wanted, &got) || got != wanted) {
      return kWriterNotArchive;
    }
    if (!WriteHFile(writer.outputFile, block.data(), got)) {
      writer.outputFailed = true;
      return kWriterFileError;
    }
    left -= got;
  }
  return kWriterDone;
}

void NotifyWriting(WriterState& writer) {
  if (writer.notifyWindow == nullptr || !IsWindow(writer.notifyWindow)) return;
  SendMessageA(writer.notifyWindow, progress::kWriting, 0,
               reinterpret_cast<LPARAM>(writer.archiveTitle.c_str()));
  PumpMessages(nullptr);
}

}  // namespace

int BeginOutput() {
  WriterState& writer = WriteOperation();
  writer.outputFailed = false;
  writer.outputOffset = 0;
  if (!writer.entries.empty() || writer.bytesInFront != 0) {
    writer.archiveFile = OpenWriterFile(writer.archiveName, false);
    if (writer.archiveFile == HFILE_ERROR) return kWriterNothingToDo;
  }
  bool noName = false;
  if (!MakeTemporaryArchive(writer, &noName)) return noName ? kWriterNoMemory : kWriterFileError;
  if (writer.bytesInFront != 0) {
    if (!SeekFile(writer.archiveFile, 0)) return kWriterFileError;
    const int copied = CopyFront(writer);
    if (copied != kWriterDone) return copied;
  }
  writer.outputOffset = writer.bytesInFront;
  return kWriterDone;
}

int CompleteArchive() {
  WriterState& writer = WriteOperation();
  if (writer.outputFailed) return kWriterFileError;
  const int directory = WriteCentralDirectory(writer.outputFile);
  if (directory != kWriterDone) return directory;
  if (!CloseChecked(&writer.outputFile)) return kWriterFileError;
  CloseFileHandles(&writer.archiveFile, &writer.inputFile, nullptr);
  NotifyWriting(writer);

  // The archive keeps its attributes (read-only, hidden, ...) across the rewrite.
  const DWORD attributes = FsGetAttributes(writer.archiveName);
  const int replaced = ReplaceArchiveFile(writer);
  if (replaced != kReplaceDone) return replaced;
  writer.temporaryName.Empty();
  if (attributes != INVALID_FILE_ATTRIBUTES && attributes != FILE_ATTRIBUTE_NORMAL &&
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    FsSetAttributes(writer.archiveName, attributes);
  }
  return kWriterDone;
}
