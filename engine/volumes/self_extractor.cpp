// The self-extractor builder: stub program, settings block, shifted archive copy, in one file.
// The file is built under a free temporary name beside the output and moved over the output name
// only once it is complete, so that a failed or interrupted build never touches a file that was
// at that name. Every failure deletes the temporary pieces; the archive is only read.
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

bool HasFolder(const char* name) {
  return CZText(name).Find('\\') >= 0 || CZText(name).Find('/') >= 0;
}

// The new file under its temporary name and the shifted copy, deleted on every path out unless
// the new file was moved over the output name.
class BuildFiles {
 public:
  ~BuildFiles() {
    building.Close();
    copy.Close();
    if (!copyName.IsEmpty()) FsDeleteFile(copyName);
    if (!buildingName.IsEmpty()) FsDeleteFile(buildingName);
  }

  CZText buildingName;  // set once the temporary file exists; emptied once it is the output
  CZText copyName;
  CZFile building;
  CZFile copy;
};

// Reserves a free name "~SFXnnn.TMP" in the output's folder by creating the file (CREATE_NEW: a
// name taken meanwhile by someone else is never opened); empty when none can be had.
CZText ReserveNameBeside(const CZText& output) {
  const CZText folder = CZText(output).GetDirPart();
  if (folder.IsEmpty()) return CZText();
  for (int attempt = 0; attempt < 3; ++attempt) {
    CZText name;
    name.MakeUniqueName((folder + "NEW.TMP").c_str(), TRUE, "~SFX");
    if (name.IsEmpty()) return name;
    SetLastError(ERROR_SUCCESS);
    HFILE file = OpenWriterFile(name, true);
    if (file != HFILE_ERROR) {
      CloseFileHandles(&file, nullptr, nullptr);
      return name;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return CZText();
}

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
  if (languageFile == nullptr || *languageFile == '\0') {
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

  // The new file stands beside an existing output until it is complete: the drive must hold
  // all of it, the stub and the block included.
  if (!HasFreeSpace64(output, stubSize + kSelfExtractorSettingsSize + spaceNeeded)) {
    return kSfxNoSpace;
  }

  BuildFiles files;
  const CZText building = ReserveNameBeside(output);
  if (building.IsEmpty()) return kSfxWriteFailed;
  files.buildingName = building;
  if (stub.CopyTo(building, FALSE, TRUE, FALSE, FALSE, FALSE, 16384) != 0) return kSfxWriteFailed;
  if (!files.building.OpenForReadWrite(building)) return kSfxCannotOpen;
  ULONGLONG written = 0;
  if (!files.building.GetSize(&written) || written != stubSize) return kSfxWriteFailed;
  if (!SeekFile(files.building.AsHFile(), written)) return kSfxWriteFailed;

  SelfExtractorArguments arguments;
  arguments.overwriteMode = overwriteMode;
  arguments.askDirectory = askDirectory != FALSE;
  // A blank title would leave the self-extractor's message boxes without a caption: an empty
  // title takes the default one, as a missing title does.
  arguments.title = exeTitle != nullptr && *exeTitle != '\0' ? exeTitle : nullptr;
  arguments.programToLaunch = programToLaunch;
  arguments.languageFile = AnsiFromOem(language);
  for (const std::string& field : BuildSelfExtractorFields(arguments)) {
    if (!files.building.Write(field.data(), static_cast<DWORD>(field.size()))) {
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
    if (!files.building.Write(buffer.data(), got)) return kSfxWriteFailed;
    volumes::Notify(notifyWindow, progress::kMakeExeStep2,
                    static_cast<WPARAM>(50 + 100 * done / (2 * spaceNeeded)), 0);
  }
  volumes::Notify(notifyWindow, progress::kMakeExeStep2, 100, 0);
  if (!files.building.Close() || !files.copy.Close()) return kSfxWriteFailed;
  // One rename in the output's folder: until it the output name holds what it held before, after
  // it the complete self-extractor.
  if (!FsReplaceFile(building, output)) return kSfxWriteFailed;
  files.buildingName.Empty();
  return kSfxDone;
}
