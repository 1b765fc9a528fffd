// The self-extractor builder: stub program, settings block, shifted archive copy, in one file.
// Every failure deletes the output and the temporary copy; the archive is only read.
#include <windows.h>

#include <vector>

#include "base/module_state.h"
#include "base/progress_messages.h"
#include "files/drive_checks.h"
#include "files/file_ops.h"
#include "files/zfile.h"
#include "volumes/self_extractor_settings.h"
#include "volumes/volume_progress.h"
#include "writing/czzip.h"
#include "writing/writer_paths.h"
#include "writing/zip_writer.h"

namespace {

constexpr ULONGLONG kSpaceMargin = 50000;
constexpr DWORD kAppendChunk = 16384;

bool HasFolder(const char* name) { return CZText(name).Find('\\') >= 0 || CZText(name).Find('/') >= 0; }

// The output and the temporary copy, deleted on every path out unless the build completed.
class BuildFiles {
 public:
  ~BuildFiles() {
    output.Close();
    copy.Close();
    if (!copyName.IsEmpty()) FsDeleteFile(copyName);
    if (!completed && !outputName.IsEmpty()) FsDeleteFile(outputName);
  }

  CZText outputName;  // set once the output exists
  CZText copyName;
  CZFile output;
  CZFile copy;
  bool completed = false;
};

}  // namespace

int CZZip::BuildSelfExtractor(HWND notifyWindow, const char* archiveName, const char* exeName,
                              const char* programToLaunch, const char* exeTitle,
                              const char* languageFile, short overwriteMode, BOOL askDirectory,
                              BOOL win32Target) {
  hNotifyWnd_ = notifyWindow;
  CurrentFolderKeeper keepFolder;
  volumes::Notify(notifyWindow, progress::kMakeExeStep1, 0, 0);
  if (archiveName == nullptr || *archiveName == '\0') return kSfxBadArchive;

  // Every name is made absolute now: the temporary copy changes the current folder for a moment.
  const CZText archive(FullEnginePath(archiveName));
  ULONGLONG archiveSize = 0;
  if (archive.IsEmpty() || !archive.FileExists() || !GetFileSize64(archive, &archiveSize)) {
    return kSfxBadArchive;
  }
  const ULONGLONG spaceNeeded = archiveSize + kSpaceMargin;
  const CZText archiveFolder = CZText(archive).GetDirPart();

  CZText output;
  if (exeName == nullptr || *exeName == '\0') {
    output = CZText(archive).ChangeExtension("EXE", TRUE);
  } else if (!HasFolder(exeName)) {
    output = FullEnginePath((archiveFolder + exeName).c_str());
  } else {
    output = FullEnginePath(exeName);
  }
  // An archive DATA.EXE would otherwise get the stub copied over it before it is read.
  if (output.IsEmpty() || IsArchiveItself(archive, output)) return kSfxBadArchive;

  if (!HasFreeSpace64(output, 0)) return kSfxDriveFull;
  if (GetDriveKind(output) == kDriveCdRom || IsDisketteWriteProtected(output)) {
    return kSfxReadOnlyDrive;
  }
  if (!HasFreeSpace64(output, spaceNeeded)) return kSfxNoSpace;

  const CZText& controlFolder = ControlFolder();
  CZText language;
  if (languageFile == nullptr) {
    language = controlFolder + "ENGLISH.ELF";
  } else if (!HasFolder(languageFile)) {
    language = controlFolder + languageFile;
  } else {
    language = FullEnginePath(languageFile);
  }
  if (language.IsEmpty() || !language.FileExists()) return kSfxNoLanguageFile;

  const CZText stub = controlFolder + (win32Target ? "RAVELIN.32" : "RAVELIN.16");
  ULONGLONG stubSize = 0;
  if (!stub.FileExists() || !GetFileSize64(stub, &stubSize)) return kSfxNoStub;

  BuildFiles files;
  const int copied = stub.CopyTo(output, FALSE, TRUE, FALSE, FALSE, FALSE, 16384);
  if (output.FileExists()) files.outputName = output;
  if (copied != 0) return kSfxWriteFailed;
  files.outputName = output;
  if (!files.output.OpenForReadWrite(output)) return kSfxCannotOpen;
  ULONGLONG written = 0;
  if (!files.output.GetSize(&written) || written != stubSize) return kSfxWriteFailed;
  if (!SeekFile(files.output.AsHFile(), written)) return kSfxWriteFailed;

  SelfExtractorArguments arguments;
  arguments.overwriteMode = overwriteMode;
  arguments.askDirectory = askDirectory != FALSE;
  arguments.title = exeTitle;
  arguments.programToLaunch = programToLaunch;
  arguments.languageFile = AnsiFromOem(language);
  for (const std::string& field : BuildSelfExtractorFields(arguments)) {
    if (!files.output.Write(field.data(), static_cast<DWORD>(field.size()))) {
      return kSfxWriteFailed;
    }
  }

  const DWORD shift = static_cast<DWORD>(stubSize) + kSelfExtractorSettingsSize;
  if (stubSize > kMaxArchiveSize ||
      !CopyArchiveShifted(archive, notifyWindow, shift, files.copyName)) {
    return kSfxBadArchive;
  }
  if (!files.copy.OpenForRead(files.copyName)) return kSfxWriteFailed;

  std::vector<uint8_t> buffer;
  try {
    buffer.resize(kAppendChunk);
  } catch (const std::bad_alloc&) {
    return kSfxNoMemory;
  }
  ULONGLONG done = 0;
  for (;;) {
    DWORD got = 0;
    if (!files.copy.Read(buffer.data(), kAppendChunk, &got)) return kSfxWriteFailed;
    if (got == 0) break;
    done += got;
    if (!HasFreeSpace64(output, got)) return kSfxNoSpace;
    if (!files.output.Write(buffer.data(), got)) return kSfxWriteFailed;
    volumes::Notify(notifyWindow, progress::kMakeExeStep2,
                    static_cast<WPARAM>(50 + 100 * done / (2 * spaceNeeded)), 0);
  }
  volumes::Notify(notifyWindow, progress::kMakeExeStep2, 100, 0);
  if (!files.output.Close() || !files.copy.Close()) return kSfxWriteFailed;
  files.completed = true;
  return kSfxDone;
}
