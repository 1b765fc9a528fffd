// The compressing pass of ZipFiles: reads the existing archive, scans the mask, decides for every
// existing entry the scan named whether it is recompressed (overwrite mode, replace prompt), and
// builds the new archive: unchanged entries copied, marked ones recompressed, new files appended.
//
// A file that cannot be read is a failure of that file alone: its old entry is kept (or the new
// one left out) and the call ends with the per-file code once the archive is complete. Anything
// that would leave the new archive incomplete ends the pass through FailWriter, and the archive
// stays as it was.
#include <windows.h>

#include <memory>
#include <new>
#include <vector>
#include <string>

#include "writing/czzip.h"
#include "writing/deflate_ahead.h"
#include "base/engine_utils.h"
#include "files/file_ops.h"
#include "files/file_time.h"
#include "base/prompts.h"
#include "writing/writer_paths.h"
#include "writing/zip_writer.h"

namespace {

bool IsWindowSet(HWND window) { return window != nullptr && IsWindow(window); }

void Pump(HWND window) {
  if (IsWindowSet(window)) PumpMessages(nullptr);
}

// The file an entry is compressed from, as the writer opens it.
std::string SourcePath(const std::string& externalName) {
  const WriterState& writer = WriteOperation();
  if (writer.storePathMethod == 1 && !writer.baseFolder.IsEmpty()) {
    return writer.baseFolder.str() + externalName;
  }
  return externalName;
}

DWORD SourceTime(const std::string& externalName) {
  long size = 0;
  DWORD attributes = 0;
  return GetFileDosTime(SourcePath(externalName).c_str(), &size, &attributes);
}

bool IsFolderName(const std::string& name) { return name.size() > 1 && name.back() == '/'; }

bool IsAbsolute(const std::string& path) {
  return (path.size() > 1 && path[1] == ':') ||
         (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// The files the passes below will deflate, in their order, for the workers to compress ahead.
std::unique_ptr<DeflateAhead> StartDeflateAhead() {
  const WriterState& writer = WriteOperation();
  if (writer.compressionMode < 0 || writer.compressionMode > 2) return nullptr;
  std::vector<std::string> paths;
  const auto add = [&paths](const std::string& externalName) {
    if (IsFolderName(externalName)) return;
    std::string path = SourcePath(externalName);
    if (!IsZipName(path.c_str())) paths.push_back(std::move(path));
  };
  for (const ZipEntry& entry : writer.entries) {
    if (entry.mark != 0) add(entry.externalName);
  }
  for (const FoundName& found : writer.found) add(found.externalName);
  return DeflateAhead::Start(writer.compressionMode, paths);
}

// Lends the pass's workers to the writer for the scope of the pass.
class AheadInWriter {
 public:
  explicit AheadInWriter(DeflateAhead* ahead) { WriteOperation().ahead = ahead; }
  ~AheadInWriter() { WriteOperation().ahead = nullptr; }
  AheadInWriter(const AheadInWriter&) = delete;
  AheadInWriter& operator=(const AheadInWriter&) = delete;
};

}  // namespace

bool CZZip::AskToReplace(const std::string& sourceName) {
  EnginePrompts* prompts = GetEnginePrompts();
  // Without anyone to ask, the entry stays as it is.
  if (prompts == nullptr) return false;
  CZText name = sourceName.c_str();
  const ReplaceAnswer answer =
      prompts->AskReplace(name, fileIsNewer_ != FALSE, false, IsAbsolute(sourceName));
  switch (answer) {
    case kReplaceNo:
      return false;
    case kReplaceNever:
      overwriteMode_ = kZipKeep;
      return false;
    case kReplaceAlways:
      overwriteMode_ = kZipReplace;
      return true;
    default:
      return true;
  }
}

int CZZip::CompressFiles(const std::string& archive, const std::string& mask) {
  WriterState& writer = WriteOperation();
  const bool update = overwriteMode_ == kZipUpdate;
  const bool freshen = overwriteMode_ == kZipFreshen;
  try {
    writer.compressionMode = compressionMode_;
    writer.password.clear();  // entries are written plain; encryption is a later pass
    if (SetArchiveName(archive.c_str()) == nullptr) return FailWriter(kWriterNoMemory);
    const CZText archiveCopy = writer.archiveName;
    int result = ReadArchiveDirectory();
    if (result != kWriterDone) return FailWriter(result);

    zipadd::ScanSettings settings;
    settings.recurse = recurse_;
    settings.storePaths = storePathMethod_ != 0;
    settings.useArchiveFlag = useArchiveFlag_;
    result = zipadd::ScanMask(mask, settings);
    // 6 (nothing found) is decided below, where update modes make it a success.
    if (result != kWriterDone && result != kWriterNothingToDo) return FailWriter(result);
    if (!writer.found.empty() && recurse_ && storePathMethod_ == 0 &&
        !zipadd::RemoveDuplicateNames()) {
      return FailWriter(kWriterNoMemory);
    }
    ReleaseEntryIndex();

    // Existing entries the scan named: recompress them or keep them as they are.
    for (ZipEntry& entry : writer.entries) {
      if (entry.mark == 0) continue;
      if (writer.cancel || IsArchiveItself(archiveCopy, SourcePath(entry.externalName).c_str())) {
        entry.mark = 0;
        continue;
      }
      const DWORD fileTime = SourceTime(entry.externalName);
      bool replace = true;
      switch (overwriteMode_) {
        case kZipKeep:
          replace = false;
          break;
        case kZipAsk:
          if (IsFolderName(entry.externalName)) break;
          fileIsNewer_ = entry.dosDateTime < fileTime;
          replace = AskToReplace(SourcePath(entry.externalName));
          break;
        case kZipUpdate:
        case kZipFreshen:
          replace = fileTime != 0 && fileTime > entry.dosDateTime;
          break;
        default:  // replace: a file that cannot be read keeps its old entry in the writer
          break;
      }
      if (!replace) entry.mark = 0;
    }

    for (auto found = writer.found.begin(); found != writer.found.end();) {
      Pump(hNotifyWnd_);
      if (freshen || writer.cancel || SourceTime(found->externalName) == 0 ||
          IsArchiveItself(archiveCopy, SourcePath(found->externalName).c_str())) {
        found = RemoveFoundName(found);
      } else {
        ++found;
      }
    }

    bool anyMarked = false;
    for (const ZipEntry& entry : writer.entries) anyMarked = anyMarked || entry.mark != 0;
    if (!anyMarked && writer.found.empty()) {
      if (update || freshen) return FinishWriter(kWriterDone);
      return FailWriter(kWriterNothingToDo);
    }

    if ((!writer.entries.empty() || writer.bytesInFront != 0) && !ArchiveIsWritable(archiveCopy)) {
      return FailWriter(kWriterFileError);
    }
    result = BeginOutput();
    if (result != kWriterDone) return FailWriter(result);
    const std::unique_ptr<DeflateAhead> ahead = StartDeflateAhead();
    const AheadInWriter aheadInWriter(ahead.get());

    int perFile = kWriterDone;
    std::vector<std::string> written;
    for (ZipEntry& entry : writer.entries) {
      if (hNotifyWnd_ != nullptr) Pump(hNotifyWnd_);
      if (writer.cancel) entry.mark = 0;
      if (entry.mark != 0) {
        result = AddEntryData(writer.outputFile, entry);
        if (result == kWriterDone) {
          if (!entry.IsFolder()) written.push_back(SourcePath(entry.externalName));
          continue;
        }
        if (!IsPerFileFailure(result)) return FailWriter(result);
        perFile = result;
      }
      result = CopyEntry(writer.archiveFile, writer.outputFile, entry);
      if (result != kWriterDone) return FailWriter(result);
    }

    while (!writer.found.empty()) {
      auto found = writer.found.begin();
      Pump(hNotifyWnd_);
      if (!writer.cancel) {
        ZipEntry entry;
        entry.externalName = found->externalName;
        entry.storedName = found->storedName;
        result = AddEntryData(writer.outputFile, entry);
        if (result == kWriterDone) {
          if (!entry.IsFolder()) written.push_back(SourcePath(entry.externalName));
          writer.entries.push_back(std::move(entry));
        } else if (IsPerFileFailure(result)) {
          perFile = result;
        } else {
          return FailWriter(result);
        }
      }
      RemoveFoundName(found);
    }

    result = CompleteArchive();
    if (result != kWriterDone) return FailWriter(result);
    archiveWritten_ = true;
    written_ = std::move(written);
    return FinishWriter(writer.cancel ? static_cast<int>(kZipUserAbort) : perFile);
  } catch (const std::bad_alloc&) {
    return FailWriter(kWriterNoMemory);
  }
}
