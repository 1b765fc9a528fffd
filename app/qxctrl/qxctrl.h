// TQXCtrl, the host's binding to the compression control QX30W32: tells the container which
// control to create and which events to expect (InitControlData), offers the control's events as
// event properties and turns each method Pelloro and Vantrel use into an automation call by
// DISPID from its stub record (qxctrl_records.h).
//
// Strings are ANSI (the system code page) on the host side. Window handles go as I4. A failed
// call throws the OLE layer's exception; CallsInProgress counts the calls that have not returned
// yet (a call pumps messages while the control works in the background, so a handler can run
// inside one).
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>

#include "olehost/ole_control.h"

class TQXCtrl;

using TQXCtrlZNOpenFile = std::function<void(TQXCtrl& Sender, const std::string& szName)>;
using TQXCtrlZNExpanding =
    std::function<void(TQXCtrl& Sender, const std::string& szName, short iRateDone)>;
using TQXCtrlZNCloseFile =
    std::function<void(TQXCtrl& Sender, const std::string& szName, bool bNoError)>;
using TQXCtrlZNTest =
    std::function<void(TQXCtrl& Sender, const std::string& szName, bool bNoError)>;
using TQXCtrlZNJoining =
    std::function<void(TQXCtrl& Sender, short iSizeInKBytes, const std::string& szPartFileName)>;
using TQXCtrlZNJoined =
    std::function<void(TQXCtrl& Sender, short iPartFileNumber, int32_t lTotalSize)>;
using TQXCtrlZNJoinDoneSize = std::function<void(TQXCtrl& Sender, int32_t lTotalSize)>;
using TQXCtrlZNJoinDoneName = std::function<void(TQXCtrl& Sender, const std::string& szZipName)>;
using TQXCtrlZNRestoreBuildZip = std::function<void(TQXCtrl& Sender, const std::string& szZipName)>;
using TQXCtrlZNRestoreZipDone = std::function<void(TQXCtrl& Sender, int32_t lTempZipSize)>;
using TQXCtrlZNBackupBuildZip = std::function<void(TQXCtrl& Sender, const std::string& szZipName)>;
using TQXCtrlZNBackupZipDone = std::function<void(TQXCtrl& Sender, int32_t lTempZipSize)>;
using TNotifyEvent = std::function<void(TQXCtrl& Sender)>;
using TQXCtrlZNMakeEXEStep2 = std::function<void(TQXCtrl& Sender, short iRateDone)>;
using TQXCtrlZNZipping =
    std::function<void(TQXCtrl& Sender, const std::string& szCurrentFile, short iProcessedKBytes)>;
using TQXCtrlZNZipping2 =
    std::function<void(TQXCtrl& Sender, const std::string& szCurrentFile, short iRateDone)>;
using TQXCtrlZNFileZipped =
    std::function<void(TQXCtrl& Sender, const std::string& szFileName, short iCompressionRate)>;
using TQXCtrlZNWriting = std::function<void(TQXCtrl& Sender, const std::string& szZipName)>;
using TQXCtrlZNReparing =
    std::function<void(TQXCtrl& Sender, const std::string& szName, short iRepareStep)>;
using TQXCtrlZNCompute = std::function<void(TQXCtrl& Sender, short iFilesInZip)>;
using TQXCtrlZNEncrypt =
    std::function<void(TQXCtrl& Sender, const std::string& szFileName, short iRateDone)>;
using TQXCtrlZNSplitting =
    std::function<void(TQXCtrl& Sender, short iSizeInKBytes, const std::string& szPartFileName)>;
using TQXCtrlZNSplitted =
    std::function<void(TQXCtrl& Sender, short iPartNumber, int32_t lSizeInBytes)>;
using TQXCtrlZNDeleting = std::function<void(TQXCtrl& Sender, const std::string& szCurrentFile)>;

class TQXCtrl : public olehost::TOleControl {
 public:
  // The registered QX30W32 control.
  TQXCtrl();
  // Another control with the same interfaces (tests).
  explicit TQXCtrl(const CLSID& controlClass);

  // The calls into the control that have not returned yet.
  int CallsInProgress() const { return callsInProgress_; }
  // Counts a stretch of work as one call in progress for its whole length (its pumping too).
  class CallScope {
   public:
    explicit CallScope(TQXCtrl& control) : control_(control) { ++control_.callsInProgress_; }
    ~CallScope() { --control_.callsInProgress_; }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

   private:
    TQXCtrl& control_;
  };

  void ZipCancel(bool bCancel);
  short SetGlobalComment(const std::string& szZipName, const std::string& szComment,
                         bool bBackGroundProcessing);
  short Repare(const std::string& szZipName, bool bBackGroundProcessing);
  short MakeEXEFile(const std::string& szZipName, const std::string& szEXEName,
                    const std::string& szProgramToLaunch, const std::string& szEXETitle,
                    const std::string& szELFFile, short iOverwriteMode, bool bAskDirectory,
                    bool bWin32Target, bool bBackGroundProcessing);
  short DeleteWithMask(const std::string& szZipName, const std::string& szMask,
                       bool bBackGroundProcessing);
  bool CreateBlankZIPFile(const std::string& szZipName, bool bOpenDialog);
  bool BuildZIPITEMImageList();
  bool DestroyZIPITEMImageList();
  short GetZIPINFOMadeUnder(const std::string& szZipName, bool bBackGroundProcessing);
  short GetZIPINFOVersionMinor(const std::string& szZipName, bool bBackGroundProcessing);
  std::string GetGlobalComment(const std::string& szZipName, short iMaxLength,
                               bool bBackGroundProcessing);
  // The comment's length in bytes (the control's I2 read as unsigned).
  unsigned GetGlobalCommentSize(const std::string& szZipName, bool bBackGroundProcessing);
  short GetCount(const std::string& szZipName, bool bBackGroundProcessing);
  bool IsFileInTheZIPFile(const std::string& szZipName, const std::string& szMask,
                          bool bBackGroundProcessing);
  short Join(const std::string& szPartFileName, const std::string& szDestDirectory,
             const std::string& szTitle, const std::string& szMsg, bool bBackGroundProcessing);
  short Restore(const std::string& szSourceDirectory, const std::string& szDestinationDirectory,
                short iOverwriteMode, bool bDisplayDialog, bool bEraseReadOnlyFiles,
                const std::string& szTitle, const std::string& szMsg, bool bBackGroundProcessing);
  void UnzipCancel(bool bCancel);
  short Backup(const std::string& szMask, const std::string& szDestDrive, bool bRecurse,
               bool bUseArchiveFlag, bool bRemoveArchiveFlag, bool bForceSingleBackup,
               const std::string& szTitle, const std::string& szMsg, short iCompressionMode,
               bool bBackGroundProcessing);
  short GetZIPINFOVersionMajor(const std::string& szZipName, bool bBackGroundProcessing);
  std::string GetNewZIPName();
  short UnzipFiles(const std::string& szZipName, const std::string& szMask,
                   const std::string& szDestDirectory, bool bRebuildDir, bool bEraseReadOnlyFiles,
                   short iOverwriteMode, const std::string& szPassword, bool bAskPassword,
                   bool bBackGroundProcessing);
  short ZipFiles(const std::string& szZipName, const std::string& szMask, bool bRecurseSubDirs,
                 short iStorePathMethod, short iOverwriteMode, short iCompressionMode,
                 bool bUseArchiveFlag, bool bRemoveArchiveFlag, const std::string& szPassword,
                 bool bBackGroundProcessing);
  short BuildZIPITEMList(const std::string& szZipName, HWND hListZIPITEM, bool bListCtrlMode,
                         const std::string& szPrivateTempDirectory, bool bWindowsIcons,
                         short iSortMode, bool bBackGroundProcessing);
  short DeleteWithSelection(const std::string& szZipName, HWND hListZIPITEM, HWND hListSelected,
                            bool bListIsListCtrl, bool bBackGroundProcessing);
  std::string GetZIPITEMName(HWND hListZIPITEM, short iIndex, bool bListCtrlMode);
  std::string GetZIPITEMDir(HWND hListZIPITEM, short iIndex, bool bListCtrlMode);
  HIMAGELIST GetZIPITEMHImageList(bool bBigIcons);
  bool DeleteTempDirectories();

  TQXCtrlZNOpenFile OnZNOpenFile;
  TQXCtrlZNExpanding OnZNExpanding;
  TQXCtrlZNCloseFile OnZNCloseFile;
  TQXCtrlZNTest OnZNTest;
  TQXCtrlZNJoining OnZNJoining;
  TQXCtrlZNJoined OnZNJoined;
  TQXCtrlZNJoinDoneSize OnZNJoinDoneSize;
  TQXCtrlZNJoinDoneName OnZNJoinDoneName;
  TQXCtrlZNRestoreBuildZip OnZNRestoreBuildZip;
  TQXCtrlZNRestoreZipDone OnZNRestoreZipDone;
  TQXCtrlZNBackupBuildZip OnZNBackupBuildZip;
  TQXCtrlZNBackupZipDone OnZNBackupZipDone;
  TNotifyEvent OnZNMakeEXEStep1;
  TQXCtrlZNMakeEXEStep2 OnZNMakeEXEStep2;
  TQXCtrlZNZipping OnZNZipping;
  TQXCtrlZNZipping2 OnZNZipping2;
  TQXCtrlZNFileZipped OnZNFileZipped;
  TQXCtrlZNWriting OnZNWriting;
  TQXCtrlZNReparing OnZNReparing;
  TQXCtrlZNCompute OnZNCompute;
  TQXCtrlZNEncrypt OnZNEncrypt;
  TQXCtrlZNSplitting OnZNSplitting;
  TQXCtrlZNSplitted OnZNSplitted;
  TQXCtrlZNDeleting OnZNDeleting;

 protected:
  const olehost::TControlData& InitControlData() override;
  void InvokeEvent(int index, DISPID id, olehost::TEventArgs& args) override;

 private:
  olehost::TInvokeResult Call(const olehost::TInvokeStub& stub,
                              std::initializer_list<olehost::TInvokeArg> args);

  olehost::TControlData data_;
  int callsInProgress_ = 0;
};
