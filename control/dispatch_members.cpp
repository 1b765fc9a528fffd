#include "dispatch_members.h"

#include "process_state.h"
#include "zctrl.h"

namespace qx30w32 {
namespace {

using activex::ArgType;
using activex::DispatchCall;
using activex::DispatchMember;

constexpr ArgType T = ArgType::kText;
constexpr ArgType I2 = ArgType::kShort;
constexpr ArgType I4 = ArgType::kLong;
constexpr ArgType R8 = ArgType::kDouble;
constexpr ArgType B = ArgType::kBool;
constexpr ArgType V = ArgType::kVoid;

constexpr int N = CZCtrl::kNeedsNothing;
constexpr int R = CZCtrl::kNeedsReader;
constexpr int W = CZCtrl::kNeedsWriter;

CZCtrl& Control(activex::ActiveXControl& control) { return static_cast<CZCtrl&>(control); }

// Methods whose engine work is not part of the module yet give their failure value.
void Pending(activex::ActiveXControl&, DispatchCall& call) { call.ReturnFailure(); }

void ZipBufferSize(activex::ActiveXControl&, DispatchCall& call) {
  call.Return(CZCtrl::kZipBufferSize);
}

void UnzipBufferSize(activex::ActiveXControl&, DispatchCall& call) {
  call.Return(CZCtrl::kUnzipBufferSize);
}

void SetHelpFile(activex::ActiveXControl& control, DispatchCall& call) {
  Control(control).SetHelpFile(call.Text(0));
}

void SetIniFile(activex::ActiveXControl&, DispatchCall& call) {
  Process().iniName = call.Text(0);  // taken as given: no folder search
}

void SetPasswordMode(activex::ActiveXControl&, DispatchCall& call) {
  Process().showPasswords = call.Bool(0);
  Process().savePasswords = call.Bool(1);
}

void GetNewZipName(activex::ActiveXControl& control, DispatchCall& call) {
  call.ReturnText(Control(control).TakeNewZipName().c_str());
}

void AboutBox(activex::ActiveXControl& control, DispatchCall&) { Control(control).AboutBox(); }

void GetWindowHandle(activex::ActiveXControl& control, DispatchCall& call) {
  // Window handles travel as 32-bit integers (their significant bits fit on 64-bit Windows too).
  call.Return(static_cast<LONG>(reinterpret_cast<LONG_PTR>(control.window())));
}

// The item accessors' three parameters.
#define ITEM_PARAMS {I4, "hListZIPITEM"}, {I2, "iIndex"}, {B, "bListCtrlMode"}

const DispatchMember kMembers[] = {
    {1, "IsFileNameInFilter", B, {{T, "szName"}, {T, "szPattern"}}, Pending, 0, R},
    {2, "GetZipBufferSize", I2, {}, ZipBufferSize, 0, N},
    {3, "GetUnzipBufferSize", I2, {}, UnzipBufferSize, 0, N},
    {4, "ZipCancel", V, {{B, "bCancel"}}, Pending, 0, W},
    {5, "ZipGetReplaceFlag", I2, {}, Pending, 0, W},
    {6, "Split", I2,
     {{T, "szZipName"}, {T, "szDestDir"}, {I4, "lFirstBlockSizeInBytes"},
      {I4, "lNextBlockSizeInBytes"}, {B, "bBackGroundProcessing"}, {T, "szTitle"}, {T, "szMsg"}},
     Pending, 2, W},
    {7, "SetGlobalComment", I2,
     {{T, "szZipName"}, {T, "szComment"}, {B, "bBackGroundProcessing"}}, Pending, 5, W},
    {8, "SetLocalComment", I2,
     {{T, "szZipName"}, {T, "szMask"}, {T, "szComment"}, {B, "bBackGroundProcessing"}}, Pending, 5,
     W},
    {9, "Repare", I2, {{T, "szZipName"}, {B, "bBackGroundProcessing"}}, Pending, 5, W},
    {10, "MakeEXEFile", I2,
     {{T, "szZipName"}, {T, "szEXEName"}, {T, "szProgramToLaunch"}, {T, "szEXETitle"},
      {T, "szELFFile"}, {I2, "iOverwriteMode"}, {B, "bAskDirectory"}, {B, "bWin32Target"},
      {B, "bBackGroundProcessing"}},
     Pending, 4, W},
    {11, "DeleteWithMask", I2, {{T, "szZipName"}, {T, "szMask"}, {B, "bBackGroundProcessing"}},
     Pending, 5, W},
    {12, "CreateBlankZIPFile", B, {{T, "szZipName"}, {B, "bOpenDialog"}}, Pending, 0, W},
    {13, "GetZIPITEMIsDir", B, {ITEM_PARAMS}, Pending, 0, R},
    {14, "GetZIPITEMIsEncrypted", B, {ITEM_PARAMS}, Pending, 0, R},
    {15, "GetZIPITEMIsArchive", B, {ITEM_PARAMS}, Pending, 0, R},
    {16, "GetZIPITEMIsHidden", B, {ITEM_PARAMS}, Pending, 0, R},
    {17, "GetZIPITEMIsSystem", B, {ITEM_PARAMS}, Pending, 0, R},
    {18, "GetZIPITEMIsReadOnly", B, {ITEM_PARAMS}, Pending, 0, R},
    {19, "GetZIPITEMIsAnnotated", B, {ITEM_PARAMS}, Pending, 0, R},
    {20, "GetZIPITEMMethod", I2, {ITEM_PARAMS}, Pending, 0, R},
    {21, "GetZIPITEMDay", I2, {ITEM_PARAMS}, Pending, 0, R},
    {22, "GetZIPITEMMonth", I2, {ITEM_PARAMS}, Pending, 0, R},
    {23, "GetZIPITEMYear", I2, {ITEM_PARAMS}, Pending, 0, R},
    {24, "GetZIPITEMHour", I2, {ITEM_PARAMS}, Pending, 0, R},
    {25, "GetZIPITEMMin", I2, {ITEM_PARAMS}, Pending, 0, R},
    {26, "GetZIPITEMRate", I2, {ITEM_PARAMS}, Pending, 0, R},
    {27, "GetZIPITEMIconIndex", I2, {ITEM_PARAMS}, Pending, 0, R},
    {28, "GetZIPITEMOriginalSize", I4, {ITEM_PARAMS}, Pending, 0, R},
    {29, "GetZIPITEMCrc", R8, {ITEM_PARAMS}, Pending, 0, R},
    {30, "UnzipGetReplaceFlag", I2, {}, Pending, 2, R},
    {31, "BuildZIPITEMImageList", B, {}, Pending, 0, R},
    {32, "DestroyZIPITEMImageList", B, {}, Pending, 0, R},
    {33, "DestroyZIPITEMLParam", V, {{I4, "hListZIPITEM"}}, Pending, 0, R},
    {34, "GetZIPINFOMadeUnder", I2, {{T, "szZipName"}, {B, "bBackGroundProcessing"}}, Pending, 9,
     R},
    {35, "GetZIPINFOVersionMinor", I2, {{T, "szZipName"}, {B, "bBackGroundProcessing"}}, Pending,
     0, R},
    {36, "GetGlobalComment", T,
     {{T, "szZipName"}, {I2, "iMaxLength"}, {B, "bBackGroundProcessing"}}, Pending, 0, R},
    {37, "GetGlobalCommentSize", I2, {{T, "szZipName"}, {B, "bBackGroundProcessing"}}, Pending, 0,
     R},
    {38, "GetLocalComment", T,
     {{T, "szZipName"}, {T, "szMask"}, {I2, "iMaxLength"}, {B, "bBackGroundProcessing"}}, Pending,
     0, R},
    {39, "GetCount", I2, {{T, "szZipName"}, {B, "bBackGroundProcessing"}}, Pending, -1, R},
    {40, "GetTotalSize", R8,
     {{T, "szZipName"}, {B, "bOriginalSize"}, {B, "bBackGroundProcessing"}}, Pending, 0, R},
    {41, "IsFileInTheZIPFile", B, {{T, "szZipName"}, {T, "szMask"}, {B, "bBackGroundProcessing"}},
     Pending, 0, R},
    {42, "SortZIPITEMList", B,
     {{I4, "hListZIPITEM"}, {I2, "iSortMode"}, {B, "bBackGroundProcessing"}}, Pending, 0, R},
    {43, "Join", I2,
     {{T, "szPartFileName"}, {T, "szDestDirectory"}, {T, "szTitle"}, {T, "szMsg"},
      {B, "bBackGroundProcessing"}},
     Pending, 2, R},
    {44, "Restore", I2,
     {{T, "szSourceDirectory"}, {T, "szDestinationDirectory"}, {I2, "iOverwriteMode"},
      {B, "bDisplayDialog"}, {B, "bEraseReadOnlyFiles"}, {T, "szTitle"}, {T, "szMsg"},
      {B, "bBackGroundProcessing"}},
     Pending, 12, R},
    {45, "UnzipCancel", V, {{B, "bCancel"}}, Pending, 0, R},
    {46, "UnzipToFile", I2,
     {{T, "szZipName"}, {T, "szMask"}, {T, "szDestFile"}, {B, "bEraseReadOnlyFiles"},
      {T, "szPassword"}, {B, "bAskPassword"}, {B, "bAckGroundProcessing"}},
     Pending, 6, R},
    {47, "IsZIPFileQuick", I2, {{T, "szZipName"}, {B, "bBackGroundProcessing"}}, Pending, 6, R},
    {48, "IsZIPFileSlow", I2,
     {{T, "szZipName"}, {T, "szPassword"}, {B, "bAskPassword"}, {B, "bBackGroundProcessing"}},
     Pending, 6, R},
    {49, "Backup", I2,
     {{T, "szMask"}, {T, "szDestDrive"}, {B, "bRecurse"}, {B, "bUseArchiveFlag"},
      {B, "bRemoveArchiveFlag"}, {B, "bForceSingleBackup"}, {T, "szTitle"}, {T, "szMsg"},
      {I2, "iCompressionMode"}, {B, "bBackGroundProcessing"}},
     Pending, 15, W},
    {50, "View", B,
     {{T, "szZipName"}, {T, "szMask"}, {B, "bUseTextEditor"}, {B, "bRunEXE"},
      {T, "szPrivateTempDir"}, {T, "szPassword"}, {B, "bAskPassword"},
      {B, "bBackGroundProcessing"}},
     Pending, 0, R},
    {51, "SetStringResource", V, {{I2, "iStringID"}, {T, "szValue"}}, Pending, 0, N},
    {52, "IsDisketteReady", B, {{T, "szDiskette"}}, Pending, 0, N},
    {53, "IsDriveWriteable", B, {{T, "szDrive"}}, Pending, 0, N},
    {54, "IsWriteable", B, {{T, "szDestFile"}, {I4, "lSizeInBytes"}}, Pending, 0, N},
    {55, "SetHelpFile", V, {{T, "szHelpFile"}}, SetHelpFile, 0, N},
    {56, "SetIniFile", V, {{T, "szFile"}}, SetIniFile, 0, N},
    {57, "SetPasswordMode", V, {{B, "bShow"}, {B, "bSave"}}, SetPasswordMode, 0, N},
    {58, "DeletePasswords", V, {}, Pending, 0, N},
    {59, "GetZIPINFOVersionMajor", I2, {{T, "szZipName"}, {B, "bBackGroundProcessing"}}, Pending,
     0, R},
    {60, "GetZIPINFODiskID", I2, {{T, "szZipName"}, {B, "bBackGroundProcessing"}}, Pending, 0, R},
    {61, "GetLocalCommentSize", I2,
     {{T, "szZipName"}, {T, "szMask"}, {B, "bBackGroundProcessing"}}, Pending, 0, R},
    {62, "GetNewZIPName", T, {}, GetNewZipName, 0, N},
    {63, "UnzipFiles", I2,
     {{T, "szZipName"}, {T, "szMask"}, {T, "szDestDirectory"}, {B, "bRebuildDir"},
      {B, "bEraseReadOnlyFiles"}, {I2, "iOverwriteMode"}, {T, "szPassword"}, {B, "bAskPassword"},
      {B, "bBackGroundProcessing"}},
     Pending, 6, R},
    {64, "ZipFiles", I2,
     {{T, "szZipName"}, {T, "szMask"}, {B, "bRecurseSubDirs"}, {I2, "iStorePathMethod"},
      {I2, "iOverwriteMode"}, {I2, "iCompressionMode"}, {B, "bUseArchiveFlag"},
      {B, "bRemoveArchiveFlag"}, {T, "szPassword"}, {B, "bBackGroundProcessing"}},
     Pending, 5, W},
    {65, "BuildZIPITEMList", I2,
     {{T, "szZipName"}, {I4, "hListZIPITEM"}, {B, "bListCtrlMode"}, {T, "szPrivateTempDirectory"},
      {B, "bWindowsIcons"}, {I2, "iSortMode"}, {B, "bBackGroundProcessing"}},
     Pending, -1, R},
    {66, "DeleteWithSelection", I2,
     {{T, "szZipName"}, {I4, "hListZIPITEM"}, {I4, "hListSelected"}, {B, "bListIsListCtrl"},
      {B, "bBackGroundProcessing"}},
     Pending, 5, W},
    {67, "GetZIPITEMName", T, {ITEM_PARAMS}, Pending, 0, R},
    {68, "GetZIPITEMDir", T, {ITEM_PARAMS}, Pending, 0, R},
    {69, "GetZIPITEMHImageList", I4, {{B, "bBigIcons"}}, Pending, 0, R},
    {70, "DeleteTempDirectories", B, {}, Pending, 0, R},
    {71, "SetListViewImageList", B, {{I4, "hListView"}}, Pending, 0, R},
    {-552, "AboutBox", V, {}, AboutBox, 0, N},
    {-515, "hWnd", I4, {}, GetWindowHandle, 0, N, activex::MemberKind::kReadOnlyProperty},
};

#undef ITEM_PARAMS

}  // namespace

std::span<const activex::DispatchMember> DispatchMembers() { return kMembers; }

}  // namespace qx30w32
