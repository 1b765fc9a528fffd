#include "qxctrl.h"

#include "qx30w32_guids.h"
#include "qxctrl_records.h"

namespace {

using Arg = olehost::TInvokeArg;

// A window handle as the control's I4 (handles are 32-bit values on 64 bits too).
int32_t WindowToI4(HWND window) { return static_cast<int32_t>(reinterpret_cast<LONG_PTR>(window)); }

}  // namespace

TQXCtrl::TQXCtrl() : TQXCtrl(qx30w32::kControlClassId) {}

TQXCtrl::TQXCtrl(const CLSID& controlClass)
    : data_{controlClass,
            qx30w32::kEventsId,
            qxctrl::kEventCount,
            qxctrl::kEventDispIDs,
            qxctrl::kEventBindings,
            0,
            nullptr} {}

const olehost::TControlData& TQXCtrl::InitControlData() { return data_; }

olehost::TInvokeResult TQXCtrl::Call(const olehost::TInvokeStub& stub,
                                     std::initializer_list<olehost::TInvokeArg> args) {
  CallScope scope(*this);
  return InvokeMethod(stub, args);
}

void TQXCtrl::InvokeEvent(int index, DISPID, olehost::TEventArgs& args) {
  switch (index) {
    case 0:
      if (OnZNOpenFile) OnZNOpenFile(*this, args.Text(0));
      break;
    case 1:
      if (OnZNExpanding) OnZNExpanding(*this, args.Text(0), args.Short(1));
      break;
    case 2:
      if (OnZNCloseFile) OnZNCloseFile(*this, args.Text(0), args.Bool(1));
      break;
    case 3:
      if (OnZNTest) OnZNTest(*this, args.Text(0), args.Bool(1));
      break;
    case 4:
      if (OnZNJoining) OnZNJoining(*this, args.Short(0), args.Text(1));
      break;
    case 5:
      if (OnZNJoined) OnZNJoined(*this, args.Short(0), args.Long(1));
      break;
    case 6:
      if (OnZNJoinDoneSize) OnZNJoinDoneSize(*this, args.Long(0));
      break;
    case 7:
      if (OnZNJoinDoneName) OnZNJoinDoneName(*this, args.Text(0));
      break;
    case 8:
      if (OnZNRestoreBuildZip) OnZNRestoreBuildZip(*this, args.Text(0));
      break;
    case 9:
      if (OnZNRestoreZipDone) OnZNRestoreZipDone(*this, args.Long(0));
      break;
    case 10:
      if (OnZNBackupBuildZip) OnZNBackupBuildZip(*this, args.Text(0));
      break;
    case 11:
      if (OnZNBackupZipDone) OnZNBackupZipDone(*this, args.Long(0));
      break;
    case 12:
      if (OnZNMakeEXEStep1) OnZNMakeEXEStep1(*this);
      break;
    case 13:
      if (OnZNMakeEXEStep2) OnZNMakeEXEStep2(*this, args.Short(0));
      break;
    case 14:
      if (OnZNZipping) OnZNZipping(*this, args.Text(0), args.Short(1));
      break;
    case 15:
      if (OnZNZipping2) OnZNZipping2(*this, args.Text(0), args.Short(1));
      break;
    case 16:
      if (OnZNFileZipped) OnZNFileZipped(*this, args.Text(0), args.Short(1));
      break;
    case 17:
      if (OnZNWriting) OnZNWriting(*this, args.Text(0));
      break;
    case 18:
      if (OnZNReparing) OnZNReparing(*this, args.Text(0), args.Short(1));
      break;
    case 19:
      if (OnZNCompute) OnZNCompute(*this, args.Short(0));
      break;
    case 20:
      if (OnZNEncrypt) OnZNEncrypt(*this, args.Text(0), args.Short(1));
      break;
    case 21:
      if (OnZNSplitting) OnZNSplitting(*this, args.Short(0), args.Text(1));
      break;
    case 22:
      if (OnZNSplitted) OnZNSplitted(*this, args.Short(0), args.Long(1));
      break;
    case 23:
      if (OnZNDeleting) OnZNDeleting(*this, args.Text(0));
      break;
    default:
      break;
  }
}

void TQXCtrl::ZipCancel(bool bCancel) { Call(qxctrl::kZipCancel, {Arg::Bool(bCancel)}); }

short TQXCtrl::SetGlobalComment(const std::string& szZipName, const std::string& szComment,
                                bool bBackGroundProcessing) {
  return Call(qxctrl::kSetGlobalComment,
              {Arg::Text(szZipName), Arg::Text(szComment), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

short TQXCtrl::Repare(const std::string& szZipName, bool bBackGroundProcessing) {
  return Call(qxctrl::kRepare, {Arg::Text(szZipName), Arg::Bool(bBackGroundProcessing)}).AsShort();
}

short TQXCtrl::MakeEXEFile(const std::string& szZipName, const std::string& szEXEName,
                           const std::string& szProgramToLaunch, const std::string& szEXETitle,
                           const std::string& szELFFile, short iOverwriteMode, bool bAskDirectory,
                           bool bWin32Target, bool bBackGroundProcessing) {
  return Call(qxctrl::kMakeEXEFile,
              {Arg::Text(szZipName), Arg::Text(szEXEName), Arg::Text(szProgramToLaunch),
               Arg::Text(szEXETitle), Arg::Text(szELFFile), Arg::Short(iOverwriteMode),
               Arg::Bool(bAskDirectory), Arg::Bool(bWin32Target), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

short TQXCtrl::DeleteWithMask(const std::string& szZipName, const std::string& szMask,
                              bool bBackGroundProcessing) {
  return Call(qxctrl::kDeleteWithMask,
              {Arg::Text(szZipName), Arg::Text(szMask), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

bool TQXCtrl::CreateBlankZIPFile(const std::string& szZipName, bool bOpenDialog) {
  return Call(qxctrl::kCreateBlankZIPFile, {Arg::Text(szZipName), Arg::Bool(bOpenDialog)}).AsBool();
}

bool TQXCtrl::BuildZIPITEMImageList() { return Call(qxctrl::kBuildZIPITEMImageList, {}).AsBool(); }

bool TQXCtrl::DestroyZIPITEMImageList() {
  return Call(qxctrl::kDestroyZIPITEMImageList, {}).AsBool();
}

short TQXCtrl::GetZIPINFOMadeUnder(const std::string& szZipName, bool bBackGroundProcessing) {
  return Call(qxctrl::kGetZIPINFOMadeUnder,
              {Arg::Text(szZipName), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

short TQXCtrl::GetZIPINFOVersionMinor(const std::string& szZipName, bool bBackGroundProcessing) {
  return Call(qxctrl::kGetZIPINFOVersionMinor,
              {Arg::Text(szZipName), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

std::string TQXCtrl::GetGlobalComment(const std::string& szZipName, short iMaxLength,
                                      bool bBackGroundProcessing) {
  return Call(qxctrl::kGetGlobalComment,
              {Arg::Text(szZipName), Arg::Short(iMaxLength), Arg::Bool(bBackGroundProcessing)})
      .AsText();
}

unsigned TQXCtrl::GetGlobalCommentSize(const std::string& szZipName, bool bBackGroundProcessing) {
  return static_cast<unsigned short>(
      Call(qxctrl::kGetGlobalCommentSize, {Arg::Text(szZipName), Arg::Bool(bBackGroundProcessing)})
          .AsShort());
}

short TQXCtrl::GetCount(const std::string& szZipName, bool bBackGroundProcessing) {
  return Call(qxctrl::kGetCount, {Arg::Text(szZipName), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

bool TQXCtrl::IsFileInTheZIPFile(const std::string& szZipName, const std::string& szMask,
                                 bool bBackGroundProcessing) {
  return Call(qxctrl::kIsFileInTheZIPFile,
              {Arg::Text(szZipName), Arg::Text(szMask), Arg::Bool(bBackGroundProcessing)})
      .AsBool();
}

short TQXCtrl::Join(const std::string& szPartFileName, const std::string& szDestDirectory,
                    const std::string& szTitle, const std::string& szMsg,
                    bool bBackGroundProcessing) {
  return Call(qxctrl::kJoin,
              {Arg::Text(szPartFileName), Arg::Text(szDestDirectory), Arg::Text(szTitle),
               Arg::Text(szMsg), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

short TQXCtrl::Restore(const std::string& szSourceDirectory,
                       const std::string& szDestinationDirectory, short iOverwriteMode,
                       bool bDisplayDialog, bool bEraseReadOnlyFiles, const std::string& szTitle,
                       const std::string& szMsg, bool bBackGroundProcessing) {
  return Call(qxctrl::kRestore, {Arg::Text(szSourceDirectory), Arg::Text(szDestinationDirectory),
                                 Arg::Short(iOverwriteMode), Arg::Bool(bDisplayDialog),
                                 Arg::Bool(bEraseReadOnlyFiles), Arg::Text(szTitle),
                                 Arg::Text(szMsg), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

void TQXCtrl::UnzipCancel(bool bCancel) { Call(qxctrl::kUnzipCancel, {Arg::Bool(bCancel)}); }

short TQXCtrl::Backup(const std::string& szMask, const std::string& szDestDrive, bool bRecurse,
                      bool bUseArchiveFlag, bool bRemoveArchiveFlag, bool bForceSingleBackup,
                      const std::string& szTitle, const std::string& szMsg, short iCompressionMode,
                      bool bBackGroundProcessing) {
  return Call(qxctrl::kBackup, {Arg::Text(szMask), Arg::Text(szDestDrive), Arg::Bool(bRecurse),
                                Arg::Bool(bUseArchiveFlag), Arg::Bool(bRemoveArchiveFlag),
                                Arg::Bool(bForceSingleBackup), Arg::Text(szTitle), Arg::Text(szMsg),
                                Arg::Short(iCompressionMode), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

short TQXCtrl::GetZIPINFOVersionMajor(const std::string& szZipName, bool bBackGroundProcessing) {
  return Call(qxctrl::kGetZIPINFOVersionMajor,
              {Arg::Text(szZipName), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

std::string TQXCtrl::GetNewZIPName() { return Call(qxctrl::kGetNewZIPName, {}).AsText(); }

short TQXCtrl::UnzipFiles(const std::string& szZipName, const std::string& szMask,
                          const std::string& szDestDirectory, bool bRebuildDir,
                          bool bEraseReadOnlyFiles, short iOverwriteMode,
                          const std::string& szPassword, bool bAskPassword,
                          bool bBackGroundProcessing) {
  return Call(qxctrl::kUnzipFiles,
              {Arg::Text(szZipName), Arg::Text(szMask), Arg::Text(szDestDirectory),
               Arg::Bool(bRebuildDir), Arg::Bool(bEraseReadOnlyFiles), Arg::Short(iOverwriteMode),
               Arg::Text(szPassword), Arg::Bool(bAskPassword), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

short TQXCtrl::ZipFiles(const std::string& szZipName, const std::string& szMask,
                        bool bRecurseSubDirs, short iStorePathMethod, short iOverwriteMode,
                        short iCompressionMode, bool bUseArchiveFlag, bool bRemoveArchiveFlag,
                        const std::string& szPassword, bool bBackGroundProcessing) {
  return Call(qxctrl::kZipFiles, {Arg::Text(szZipName), Arg::Text(szMask),
                                  Arg::Bool(bRecurseSubDirs), Arg::Short(iStorePathMethod),
                                  Arg::Short(iOverwriteMode), Arg::Short(iCompressionMode),
                                  Arg::Bool(bUseArchiveFlag), Arg::Bool(bRemoveArchiveFlag),
                                  Arg::Text(szPassword), Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

short TQXCtrl::BuildZIPITEMList(const std::string& szZipName, HWND hListZIPITEM, bool bListCtrlMode,
                                const std::string& szPrivateTempDirectory, bool bWindowsIcons,
                                short iSortMode, bool bBackGroundProcessing) {
  return Call(qxctrl::kBuildZIPITEMList,
              {Arg::Text(szZipName), Arg::Long(WindowToI4(hListZIPITEM)), Arg::Bool(bListCtrlMode),
               Arg::Text(szPrivateTempDirectory), Arg::Bool(bWindowsIcons), Arg::Short(iSortMode),
               Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

short TQXCtrl::DeleteWithSelection(const std::string& szZipName, HWND hListZIPITEM,
                                   HWND hListSelected, bool bListIsListCtrl,
                                   bool bBackGroundProcessing) {
  return Call(qxctrl::kDeleteWithSelection,
              {Arg::Text(szZipName), Arg::Long(WindowToI4(hListZIPITEM)),
               Arg::Long(WindowToI4(hListSelected)), Arg::Bool(bListIsListCtrl),
               Arg::Bool(bBackGroundProcessing)})
      .AsShort();
}

std::string TQXCtrl::GetZIPITEMName(HWND hListZIPITEM, short iIndex, bool bListCtrlMode) {
  return Call(qxctrl::kGetZIPITEMName,
              {Arg::Long(WindowToI4(hListZIPITEM)), Arg::Short(iIndex), Arg::Bool(bListCtrlMode)})
      .AsText();
}

std::string TQXCtrl::GetZIPITEMDir(HWND hListZIPITEM, short iIndex, bool bListCtrlMode) {
  return Call(qxctrl::kGetZIPITEMDir,
              {Arg::Long(WindowToI4(hListZIPITEM)), Arg::Short(iIndex), Arg::Bool(bListCtrlMode)})
      .AsText();
}

HIMAGELIST TQXCtrl::GetZIPITEMHImageList(bool bBigIcons) {
  return reinterpret_cast<HIMAGELIST>(
      static_cast<LONG_PTR>(Call(qxctrl::kGetZIPITEMHImageList, {Arg::Bool(bBigIcons)}).AsLong()));
}

bool TQXCtrl::DeleteTempDirectories() { return Call(qxctrl::kDeleteTempDirectories, {}).AsBool(); }
