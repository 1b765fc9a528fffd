#include "volume_methods.h"

#include <windows.h>

#include "call_steps.h"
#include "base/cztext.h"
#include "files/drive_checks.h"
#include "reading/czunzip.h"
#include "volumes/volume_operations.h"
#include "writing/czzip.h"

namespace qx30w32::volume_methods {
namespace {

using activex::ActiveXControl;
using activex::DispatchCall;

// The engine objects; the table's requirement bit guarantees they exist before a handler runs.
CZZip& Writer(ActiveXControl& control) { return *Control(control).writer(); }
CZUnzip& Reader(ActiveXControl& control) { return *Control(control).reader(); }

// Z: the writer's cancel flag cleared.
CZZip& ClearedWriter(ActiveXControl& control) {
  CZZip& writer = Writer(control);
  writer.SetCancel(FALSE);
  return writer;
}

// F U W on the reader.
CZUnzip& PrepareReader(ActiveXControl& control, bool background) {
  CZUnzip& reader = Reader(control);
  StepForeground(background);
  reader.SetCancel(FALSE);
  reader.SetNotifyWindow(NotifyWindowFor(control, background));
  return reader;
}

BOOL AsBool(bool value) { return value ? TRUE : FALSE; }

}  // namespace

// Split(szZipName, szDestDir, lFirstBlockSizeInBytes, lNextBlockSizeInBytes,
//       bBackGroundProcessing, szTitle, szMsg): F Z.
void Split(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(4);
  StepForeground(background);
  CZZip& writer = ClearedWriter(control);
  call.Return(volumes::SplitArchive(writer, NotifyWindowFor(control, background), call.Text(0),
                                    call.Text(1), call.Long(2), call.Long(3), call.Text(5),
                                    call.Text(6)));
}

// MakeEXEFile(szZipName, szEXEName, szProgramToLaunch, szEXETitle, szELFFile, iOverwriteMode,
//             bAskDirectory, bWin32Target, bBackGroundProcessing): no pattern steps.
void MakeExeFile(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(8);
  call.Return(Writer(control).BuildSelfExtractor(
      NotifyWindowFor(control, background), call.Text(0), call.Text(1), call.Text(2), call.Text(3),
      call.Text(4), call.Short(5), AsBool(call.Bool(6)), AsBool(call.Bool(7))));
}

// Join(szPartFileName, szDestDirectory, szTitle, szMsg, bBackGroundProcessing): F U W; the
// background flag also decides the join's own progress messages; no unique name.
void Join(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(4);
  PrepareReader(control, background);
  call.Return(volumes::JoinVolumes(NotifyWindowFor(control, background), call.Text(0), call.Text(1),
                                   AsBool(background), call.Text(2), call.Text(3), FALSE, nullptr));
}

// Restore(szSourceDirectory, szDestinationDirectory, iOverwriteMode, bDisplayDialog,
//         bEraseReadOnlyFiles, szTitle, szMsg, bBackGroundProcessing): F E U W P0 M.
void Restore(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(7);
  CZUnzip& reader = Reader(control);
  StepForeground(background);
  reader.SetEraseReadOnly(AsBool(call.Bool(4)));
  reader.SetCancel(FALSE);
  reader.SetNotifyWindow(NotifyWindowFor(control, background));
  reader.SetAskPassword(FALSE);
  StepCurrentControl(control);
  call.Return(volumes::RestoreBackupSet(reader, NotifyWindowFor(control, background), call.Text(0),
                                        call.Text(1), call.Short(2), AsBool(call.Bool(3)),
                                        call.Text(5), call.Text(6)));
}

// Backup(szMask, szDestDrive, bRecurse, bUseArchiveFlag, bRemoveArchiveFlag, bForceSingleBackup,
//        szTitle, szMsg, iCompressionMode, bBackGroundProcessing): Z, the options, M.
void Backup(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(9);
  CZZip& writer = ClearedWriter(control);
  writer.SetArchiveFlagOptions(AsBool(call.Bool(3)), AsBool(call.Bool(4)));
  writer.SetCompressionMode(call.Short(8));  // an unknown mode compresses normally
  StepCurrentControl(control);
  call.Return(volumes::BackupToDiskettes(writer, call.Text(0), call.Text(1), AsBool(call.Bool(2)),
                                         NotifyWindowFor(control, background), call.Text(6),
                                         call.Text(7), AsBool(call.Bool(5))));
}

// IsDisketteReady(szDiskette): the drive is ready and has some free space.
void IsDisketteReady(ActiveXControl&, DispatchCall& call) {
  call.Return(CZText(call.Text(0)).HasFreeSpace(0) ? 1 : 0);
}

// IsDriveWriteable(szDrive): not a CD-ROM drive, and not a write-protected diskette.
void IsDriveWriteable(ActiveXControl&, DispatchCall& call) {
  const char* drive = call.Text(0);
  call.Return(GetDriveKind(drive) != kDriveCdRom && !IsDisketteWriteProtected(drive) ? 1 : 0);
}

// IsWriteable(szDestFile, lSizeInBytes): the file's drive has room for that many bytes.
void IsWriteable(ActiveXControl&, DispatchCall& call) {
  call.Return(CZText(call.Text(0)).HasFreeSpace(call.Long(1)) ? 1 : 0);
}

}  // namespace qx30w32::volume_methods
