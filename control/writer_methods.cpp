#include "writer_methods.h"

#include <windows.h>

#include "call_steps.h"
#include "writing/czzip.h"

namespace qx30w32::writing {
namespace {

using activex::ActiveXControl;
using activex::DispatchCall;

// The writer; the table's requirement bit guarantees it exists before a handler runs.
CZZip& Writer(ActiveXControl& control) { return *Control(control).writer(); }

// Z: the writer's cancel flag cleared, so that a cancel left from an earlier call does not stop
// this one.
CZZip& StepClearCancel(ActiveXControl& control) {
  CZZip& writer = Writer(control);
  writer.SetCancel(FALSE);
  return writer;
}

// F and Z of the rewriting methods (two independent flags: their order is not observable).
CZZip& PrepareRewrite(ActiveXControl& control, bool background) {
  StepForeground(background);
  return StepClearCancel(control);
}

}  // namespace

void ZipCancel(ActiveXControl& control, DispatchCall& call) {
  Writer(control).SetCancel(call.Bool(0) ? TRUE : FALSE);
}

void ZipGetReplaceFlag(ActiveXControl& control, DispatchCall& call) {
  call.Return(Writer(control).GetReplaceFlag());
}

// SetGlobalComment(szZipName, szComment, bBackGroundProcessing): F Z.
void SetGlobalComment(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(2);
  CZZip& writer = PrepareRewrite(control, background);
  call.Return(
      writer.SetGlobalComment(call.Text(0), call.Text(1), NotifyWindowFor(control, background)));
}

// SetLocalComment(szZipName, szMask, szComment, bBackGroundProcessing): F Z.
void SetLocalComment(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(3);
  CZZip& writer = PrepareRewrite(control, background);
  call.Return(writer.SetLocalComment(call.Text(0), call.Text(1), call.Text(2),
                                     NotifyWindowFor(control, background)));
}

// Repare(szZipName, bBackGroundProcessing): F Z.
void Repare(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(1);
  CZZip& writer = PrepareRewrite(control, background);
  call.Return(writer.Repare(call.Text(0), NotifyWindowFor(control, background)));
}

// DeleteWithMask(szZipName, szMask, bBackGroundProcessing): Z F; the mask decides, no list.
void DeleteWithMask(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(2);
  CZZip& writer = PrepareRewrite(control, background);
  call.Return(writer.DeleteEntries(call.Text(0), call.Text(1), NotifyWindowFor(control, background),
                                   nullptr, nullptr, FALSE));
}

// CreateBlankZIPFile(szZipName, bOpenDialog): the control keeps the name it made for
// GetNewZIPName.
void CreateBlankZipFile(ActiveXControl& control, DispatchCall& call) {
  call.Return(Control(control).CreateBlankZipFile(call.Text(0), call.Bool(1) ? TRUE : FALSE) ? 1
                                                                                             : 0);
}

// ZipFiles(szZipName, szMask, bRecurseSubDirs, iStorePathMethod, iOverwriteMode,
//          iCompressionMode, bUseArchiveFlag, bRemoveArchiveFlag, szPassword,
//          bBackGroundProcessing): Z, the options, M.
void ZipFiles(ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(9);
  CZZip& writer = StepClearCancel(control);
  writer.SetArchiveFlagOptions(call.Bool(6) ? TRUE : FALSE, call.Bool(7) ? TRUE : FALSE);
  writer.SetCompressionMode(call.Short(5));  // an unknown mode compresses normally
  StepCurrentControl(control);
  call.Return(writer.ZipFiles(call.Text(0), call.Text(1), call.Short(4), call.Short(3),
                              call.Bool(2) ? TRUE : FALSE, NotifyWindowFor(control, background),
                              call.Text(8)));
}

}  // namespace qx30w32::writing
