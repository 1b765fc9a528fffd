#include "dispatch_members.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "call_steps.h"
#include "reading/czunzip.h"
#include "dialog_prompts.h"
#include "item_list_methods.h"
#include "password_settings.h"
#include "process_state.h"
#include "writer_methods.h"
#include "volume_methods.h"
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
// The mark of a text parameter that names an archive, file, folder, drive, mask or entry: the
// caller's ANSI text reaches the handler in OEM, the engine's code page for names. Passwords,
// comments (the comment setters convert them themselves), captions and settings-file names
// stay unmarked.
constexpr activex::TextForm OEM = activex::TextForm::kOem;

constexpr int N = CZCtrl::kNeedsNothing;
constexpr int R = CZCtrl::kNeedsReader;
constexpr int W = CZCtrl::kNeedsWriter;

void ZipBufferSize(activex::ActiveXControl&, DispatchCall& call) {
  call.Return(CZCtrl::kZipBufferSize);
}

void UnzipBufferSize(activex::ActiveXControl&, DispatchCall& call) {
  call.Return(CZCtrl::kUnzipBufferSize);
}

void SetHelpFile(activex::ActiveXControl& control, DispatchCall& call) {
  Control(control).SetHelpFile(call.Text(0));
}

void SetIniFileMember(activex::ActiveXControl&, DispatchCall& call) {
  ::SetIniFile(call.Text(0));  // taken as given: no folder search
}

void SetPasswordModeMember(activex::ActiveXControl&, DispatchCall& call) {
  ::SetPasswordMode(call.Bool(0) ? TRUE : FALSE, call.Bool(1) ? TRUE : FALSE);
}

void DeletePasswordsMember(activex::ActiveXControl&, DispatchCall&) { ::DeletePasswords(); }

void SetStringResourceMember(activex::ActiveXControl&, DispatchCall& call) {
  ::SetStringResource(call.Short(0), call.Text(1));
}

void GetNewZipName(activex::ActiveXControl& control, DispatchCall& call) {
  call.ReturnOemText(Control(control).TakeNewZipName().c_str());
}

void AboutBox(activex::ActiveXControl& control, DispatchCall&) { Control(control).AboutBox(); }

void GetWindowHandle(activex::ActiveXControl& control, DispatchCall& call) {
  // Window handles travel as 32-bit integers (their significant bits fit on 64-bit Windows too).
  call.Return(static_cast<LONG>(reinterpret_cast<LONG_PTR>(control.window())));
}

// ---- the common call pattern of the reading methods ------------------------------------------
// Each letter of a method's pattern is one of these steps, taken in the order F U E W P M.

// The reader; the table's requirement bit guarantees it exists before a handler runs.
CZUnzip& Reader(activex::ActiveXControl& control) { return *Control(control).reader(); }

// U: the reader's cancel flag cleared.
void StepClearCancel(CZUnzip& reader) { reader.SetCancel(FALSE); }

// W on the reader.
void StepNotifyWindow(activex::ActiveXControl& control, CZUnzip& reader, bool background) {
  reader.SetNotifyWindow(NotifyWindowFor(control, background));
}

// P0: no password prompt during the call, and no earlier answer carried into it.
void StepNoPasswordPrompt(CZUnzip& reader) { reader.SetAskPassword(FALSE); }

// F U W on the reader, the background flag being argument `backgroundArg`.
CZUnzip& PrepareFUW(activex::ActiveXControl& control, DispatchCall& call, int backgroundArg) {
  const bool background = call.Bool(backgroundArg);
  CZUnzip& reader = Reader(control);
  StepForeground(background);
  StepClearCancel(reader);
  StepNotifyWindow(control, reader, background);
  return reader;
}

// The first `length` characters of a comment read into a zeroed work block (the text also ends
// at its first NUL).
std::string CutComment(const char* block, long length) {
  const char* end = std::find(block, block + length, '\0');
  return std::string(block, end);
}

// A zeroed work block that holds the longest comment the reader copies out, and its NUL.
std::unique_ptr<char[]> NewCommentBlock() {
  return std::unique_ptr<char[]>(new (std::nothrow) char[kUnzipCommentBlockSize]());
}

// ---- reading methods ---------------------------------------------------------------------------

void IsFileNameInFilter(activex::ActiveXControl&, DispatchCall& call) {
  call.Return(CZUnzip::MatchFileFilter(call.Text(0), call.Text(1)) ? 1 : 0);
}

void UnzipGetReplaceFlag(activex::ActiveXControl& control, DispatchCall& call) {
  call.Return(Reader(control).GetReplaceFlag());
}

// The four archive-information methods: one field of GetZIPINFO each, its failure value when the
// archive cannot be read.
enum class ZipInfoField { kMadeUnder, kVersionMajor, kVersionMinor, kDiskNumber };

void ReturnZipInfo(activex::ActiveXControl& control, DispatchCall& call, ZipInfoField field) {
  CZUnzip& reader = PrepareFUW(control, call, 1);
  // An archive without entries leaves the host and version outputs as they are: they keep the
  // values an unreadable archive gives.
  int madeUnder = static_cast<int>(call.member().failure);
  int major = 0;
  int minor = 0;
  int disk = 0;
  if (!reader.GetZIPINFO(call.Text(0), &madeUnder, &major, &minor, nullptr, &disk, nullptr)) {
    call.ReturnFailure();
    return;
  }
  switch (field) {
    case ZipInfoField::kMadeUnder:
      call.Return(madeUnder);
      break;
    case ZipInfoField::kVersionMajor:
      call.Return(major);
      break;
    case ZipInfoField::kVersionMinor:
      call.Return(minor);
      break;
    case ZipInfoField::kDiskNumber:
      call.Return(disk);
      break;
  }
}

void GetZipInfoMadeUnder(activex::ActiveXControl& control, DispatchCall& call) {
  ReturnZipInfo(control, call, ZipInfoField::kMadeUnder);
}
void GetZipInfoVersionMajor(activex::ActiveXControl& control, DispatchCall& call) {
  ReturnZipInfo(control, call, ZipInfoField::kVersionMajor);
}
void GetZipInfoVersionMinor(activex::ActiveXControl& control, DispatchCall& call) {
  ReturnZipInfo(control, call, ZipInfoField::kVersionMinor);
}
void GetZipInfoDiskId(activex::ActiveXControl& control, DispatchCall& call) {
  ReturnZipInfo(control, call, ZipInfoField::kDiskNumber);
}

// GetGlobalComment(szZipName, iMaxLength, bBackGroundProcessing): U W, the size, then F and the
// comment, cut to the smaller of its size and iMaxLength. A negative iMaxLength is no limit: the
// comparison is unsigned.
void GetGlobalComment(activex::ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(2);
  CZUnzip& reader = Reader(control);
  StepClearCancel(reader);
  StepNotifyWindow(control, reader, background);
  const unsigned long size = static_cast<unsigned long>(reader.GetGlobalCommentSize(call.Text(0)));
  const unsigned long limit = static_cast<unsigned long>(static_cast<long>(call.Short(1)));
  const unsigned long length = std::min(size, limit);
  if (length == 0) {
    call.ReturnText("");
    return;
  }
  StepForeground(background);
  std::unique_ptr<char[]> block = NewCommentBlock();
  if (!block || !reader.GetGlobalComment(call.Text(0), block.get())) {
    call.ReturnText("");
    return;
  }
  const long kept = static_cast<long>(std::min<unsigned long>(length, kUnzipMaxComment));
  call.ReturnOemText(CutComment(block.get(), kept).c_str());  // stored in OEM
}

// GetLocalComment(szZipName, szMask, iMaxLength, bBackGroundProcessing): as GetGlobalComment for
// the entry of that name; a length that is not positive gives "".
void GetLocalComment(activex::ActiveXControl& control, DispatchCall& call) {
  const bool background = call.Bool(3);
  CZUnzip& reader = Reader(control);
  StepClearCancel(reader);
  StepNotifyWindow(control, reader, background);
  const long size = reader.GetLocalCommentSize(call.Text(0), call.Text(1));
  const long length = std::min<long>(size, call.Short(2));
  if (length <= 0) {
    call.ReturnText("");
    return;
  }
  StepForeground(background);
  std::unique_ptr<char[]> block = NewCommentBlock();
  if (!block || !reader.GetLocalComment(call.Text(0), call.Text(1), block.get())) {
    call.ReturnText("");
    return;
  }
  const long kept = std::min<long>(length, kUnzipMaxComment);
  call.ReturnOemText(CutComment(block.get(), kept).c_str());  // stored in OEM
}

void GetGlobalCommentSize(activex::ActiveXControl& control, DispatchCall& call) {
  call.Return(Reader(control).GetGlobalCommentSize(call.Text(0)));
}

void GetLocalCommentSize(activex::ActiveXControl& control, DispatchCall& call) {
  CZUnzip& reader = Reader(control);
  StepClearCancel(reader);
  StepNoPasswordPrompt(reader);
  call.Return(reader.GetLocalCommentSize(call.Text(0), call.Text(1)));
}

// The count is capped at the largest I2: a larger archive would otherwise read as a negative
// count, which a caller cannot tell from the error -1.
void GetCount(activex::ActiveXControl& control, DispatchCall& call) {
  constexpr long kLargestCount = 32767;
  CZUnzip& reader = PrepareFUW(control, call, 1);
  const long count = reader.GetCountAndSize(call.Text(0), nullptr, nullptr, nullptr);
  call.Return(std::min(count, kLargestCount));
}

// GetTotalSize(szZipName, bOriginalSize, bBackGroundProcessing): the KB total of the original or
// of the packed sizes, as an unsigned value of the reader's 64-bit sums.
void GetTotalSize(activex::ActiveXControl& control, DispatchCall& call) {
  CZUnzip& reader = PrepareFUW(control, call, 2);
  ULONGLONG originalKB = 0;
  ULONGLONG packedKB = 0;
  if (reader.GetCountAndSize(call.Text(0), &originalKB, &packedKB, nullptr) < 0) {
    call.ReturnFailure();
    return;
  }
  call.Return(static_cast<double>(call.Bool(1) ? originalKB : packedKB));
}

void IsFileInTheZipFile(activex::ActiveXControl& control, DispatchCall& call) {
  CZUnzip& reader = PrepareFUW(control, call, 2);
  call.Return(reader.IsFileInTheZIPFile(call.Text(0), call.Text(1)) ? 1 : 0);
}

void UnzipCancel(activex::ActiveXControl& control, DispatchCall& call) {
  Reader(control).SetCancel(call.Bool(0) ? TRUE : FALSE);
}

void IsZipFileQuick(activex::ActiveXControl& control, DispatchCall& call) {
  CZUnzip& reader = PrepareFUW(control, call, 1);
  StepNoPasswordPrompt(reader);
  call.Return(reader.IsZIPFileQuick(call.Text(0)));
}

// ---- extraction methods: F U E W P M ----------------------------------------------------------

// P: the password and whether to ask for another; the last password answer is forgotten.
void StepPassword(CZUnzip& reader, const char* password, bool askPassword) {
  reader.SetPassword(password);  // a longer one is cut to what the reader holds
  reader.SetAskPassword(askPassword ? TRUE : FALSE);
}

// Where a method of this group has its arguments; -1: the method has no such argument.
struct ExtractionArgs {
  int background;
  int eraseReadOnly;
  int password;
  int askPassword;
};

CZUnzip& PrepareExtraction(activex::ActiveXControl& control, DispatchCall& call,
                           const ExtractionArgs& at) {
  const bool background = call.Bool(at.background);
  CZUnzip& reader = Reader(control);
  StepForeground(background);
  StepClearCancel(reader);
  if (at.eraseReadOnly >= 0) reader.SetEraseReadOnly(call.Bool(at.eraseReadOnly) ? TRUE : FALSE);
  StepNotifyWindow(control, reader, background);
  StepPassword(reader, call.Text(at.password), call.Bool(at.askPassword));
  StepCurrentControl(control);
  return reader;
}

// UnzipFiles(szZipName, szMask, szDestDirectory, bRebuildDir, bEraseReadOnlyFiles,
//            iOverwriteMode, szPassword, bAskPassword, bBackGroundProcessing)
void UnzipFiles(activex::ActiveXControl& control, DispatchCall& call) {
  CZUnzip& reader = PrepareExtraction(control, call, {8, 4, 6, 7});
  call.Return(reader.UnzipFiles(call.Text(0), call.Text(1), call.Text(2), call.Short(5),
                                call.Bool(3) ? TRUE : FALSE));
}

// UnzipToFile(szZipName, szMask, szDestFile, bEraseReadOnlyFiles, szPassword, bAskPassword,
//             bAckGroundProcessing)
void UnzipToFile(activex::ActiveXControl& control, DispatchCall& call) {
  CZUnzip& reader = PrepareExtraction(control, call, {6, 3, 4, 5});
  call.Return(reader.UnzipToFile(call.Text(0), call.Text(1), call.Text(2)));
}

// IsZIPFileSlow(szZipName, szPassword, bAskPassword, bBackGroundProcessing): the full test.
void IsZipFileSlow(activex::ActiveXControl& control, DispatchCall& call) {
  CZUnzip& reader = PrepareExtraction(control, call, {3, -1, 1, 2});
  call.Return(reader.IsZIPFile(call.Text(0), FALSE));
}

// ---- refusal while an operation runs -----------------------------------------------------------

constexpr short kBusy = 18;

// A method that reaches the engine, refused while another call is inside the engine (from an
// event handler or a message dispatched by the running operation): result codes give 18 (busy),
// everything else its failure value ("", FALSE, -1 for counts).
template <activex::DispatchHandler handler, bool returnsStatus>
void WhenIdle(activex::ActiveXControl& control, DispatchCall& call) {
  OperationGuard guard;
  if (!guard.entered()) {
    if (returnsStatus) {
      call.Return(kBusy);
    } else {
      call.ReturnFailure();
    }
    return;
  }
  handler(control, call);
}

template <activex::DispatchHandler handler>
constexpr activex::DispatchHandler Query = WhenIdle<handler, false>;
template <activex::DispatchHandler handler>
constexpr activex::DispatchHandler Status = WhenIdle<handler, true>;

// The item accessors' three parameters.
#define ITEM_PARAMS \
  {I4, "hListZIPITEM"}, {I2, "iIndex"}, { B, "bListCtrlMode" }

const DispatchMember kMembers[] = {
    {1,
     "IsFileNameInFilter",
     B,
     {{T, "szName", OEM}, {T, "szPattern", OEM}},
     Query<IsFileNameInFilter>,
     0,
     R},
    {2, "GetZipBufferSize", I2, {}, ZipBufferSize, 0, N},
    {3, "GetUnzipBufferSize", I2, {}, UnzipBufferSize, 0, N},
    {4, "ZipCancel", V, {{B, "bCancel"}}, writing::ZipCancel, 0, W},
    {5, "ZipGetReplaceFlag", I2, {}, Query<writing::ZipGetReplaceFlag>, 0, W},
    {6,
     "Split",
     I2,
     {{T, "szZipName", OEM},
      {T, "szDestDir", OEM},
      {I4, "lFirstBlockSizeInBytes"},
      {I4, "lNextBlockSizeInBytes"},
      {B, "bBackGroundProcessing"},
      {T, "szTitle"},
      {T, "szMsg"}},
     Status<volume_methods::Split>,
     2,
     W},
    {7,
     "SetGlobalComment",
     I2,
     {{T, "szZipName", OEM}, {T, "szComment"}, {B, "bBackGroundProcessing"}},
     Status<writing::SetGlobalComment>,
     5,
     W},
    {8,
     "SetLocalComment",
     I2,
     {{T, "szZipName", OEM}, {T, "szMask", OEM}, {T, "szComment"}, {B, "bBackGroundProcessing"}},
     Status<writing::SetLocalComment>,
     5,
     W},
    {9,
     "Repare",
     I2,
     {{T, "szZipName", OEM}, {B, "bBackGroundProcessing"}},
     Status<writing::Repare>,
     5,
     W},
    {10,
     "MakeEXEFile",
     I2,
     {{T, "szZipName", OEM},
      {T, "szEXEName", OEM},
      {T, "szProgramToLaunch"},
      {T, "szEXETitle"},
      {T, "szELFFile", OEM},
      {I2, "iOverwriteMode"},
      {B, "bAskDirectory"},
      {B, "bWin32Target"},
      {B, "bBackGroundProcessing"}},
     Status<volume_methods::MakeExeFile>,
     4,
     W},
    {11,
     "DeleteWithMask",
     I2,
     {{T, "szZipName", OEM}, {T, "szMask", OEM}, {B, "bBackGroundProcessing"}},
     Status<writing::DeleteWithMask>,
     5,
     W},
    {12,
     "CreateBlankZIPFile",
     B,
     {{T, "szZipName", OEM}, {B, "bOpenDialog"}},
     Query<writing::CreateBlankZipFile>,
     0,
     W},
    {13, "GetZIPITEMIsDir", B, {ITEM_PARAMS}, itemlist::GetIsDir, 0, R},
    {14, "GetZIPITEMIsEncrypted", B, {ITEM_PARAMS}, itemlist::GetIsEncrypted, 0, R},
    {15, "GetZIPITEMIsArchive", B, {ITEM_PARAMS}, itemlist::GetIsArchive, 0, R},
    {16, "GetZIPITEMIsHidden", B, {ITEM_PARAMS}, itemlist::GetIsHidden, 0, R},
    {17, "GetZIPITEMIsSystem", B, {ITEM_PARAMS}, itemlist::GetIsSystem, 0, R},
    {18, "GetZIPITEMIsReadOnly", B, {ITEM_PARAMS}, itemlist::GetIsReadOnly, 0, R},
    {19, "GetZIPITEMIsAnnotated", B, {ITEM_PARAMS}, itemlist::GetIsAnnotated, 0, R},
    {20, "GetZIPITEMMethod", I2, {ITEM_PARAMS}, itemlist::GetMethod, 0, R},
    {21, "GetZIPITEMDay", I2, {ITEM_PARAMS}, itemlist::GetDay, 0, R},
    {22, "GetZIPITEMMonth", I2, {ITEM_PARAMS}, itemlist::GetMonth, 0, R},
    {23, "GetZIPITEMYear", I2, {ITEM_PARAMS}, itemlist::GetYear, 0, R},
    {24, "GetZIPITEMHour", I2, {ITEM_PARAMS}, itemlist::GetHour, 0, R},
    {25, "GetZIPITEMMin", I2, {ITEM_PARAMS}, itemlist::GetMin, 0, R},
    {26, "GetZIPITEMRate", I2, {ITEM_PARAMS}, itemlist::GetRate, 0, R},
    {27, "GetZIPITEMIconIndex", I2, {ITEM_PARAMS}, itemlist::GetIconIndex, 0, R},
    {28, "GetZIPITEMOriginalSize", I4, {ITEM_PARAMS}, itemlist::GetOriginalSize, 0, R},
    {29, "GetZIPITEMCrc", R8, {ITEM_PARAMS}, itemlist::GetCrc, 0, R},
    {30, "UnzipGetReplaceFlag", I2, {}, Query<UnzipGetReplaceFlag>, 2, R},
    {31, "BuildZIPITEMImageList", B, {}, Query<itemlist::BuildImageList>, 0, R},
    {32, "DestroyZIPITEMImageList", B, {}, Query<itemlist::DestroyImageList>, 0, R},
    {33, "DestroyZIPITEMLParam", V, {{I4, "hListZIPITEM"}}, Query<itemlist::DestroyLParam>, 0, R},
    {34,
     "GetZIPINFOMadeUnder",
     I2,
     {{T, "szZipName", OEM}, {B, "bBackGroundProcessing"}},
     Query<GetZipInfoMadeUnder>,
     9,
     R},
    {35,
     "GetZIPINFOVersionMinor",
     I2,
     {{T, "szZipName", OEM}, {B, "bBackGroundProcessing"}},
     Query<GetZipInfoVersionMinor>,
     0,
     R},
    {36,
     "GetGlobalComment",
     T,
     {{T, "szZipName", OEM}, {I2, "iMaxLength"}, {B, "bBackGroundProcessing"}},
     Query<GetGlobalComment>,
     0,
     R},
    {37,
     "GetGlobalCommentSize",
     I2,
     {{T, "szZipName", OEM}, {B, "bBackGroundProcessing"}},
     Query<GetGlobalCommentSize>,
     0,
     R},
    {38,
     "GetLocalComment",
     T,
     {{T, "szZipName", OEM}, {T, "szMask", OEM}, {I2, "iMaxLength"}, {B, "bBackGroundProcessing"}},
     Query<GetLocalComment>,
     0,
     R},
    {39,
     "GetCount",
     I2,
     {{T, "szZipName", OEM}, {B, "bBackGroundProcessing"}},
     Query<GetCount>,
     -1,
     R},
    {40,
     "GetTotalSize",
     R8,
     {{T, "szZipName", OEM}, {B, "bOriginalSize"}, {B, "bBackGroundProcessing"}},
     Query<GetTotalSize>,
     0,
     R},
    {41,
     "IsFileInTheZIPFile",
     B,
     {{T, "szZipName", OEM}, {T, "szMask", OEM}, {B, "bBackGroundProcessing"}},
     Query<IsFileInTheZipFile>,
     0,
     R},
    {42,
     "SortZIPITEMList",
     B,
     {{I4, "hListZIPITEM"}, {I2, "iSortMode"}, {B, "bBackGroundProcessing"}},
     Query<itemlist::SortList>,
     0,
     R},
    {43,
     "Join",
     I2,
     {{T, "szPartFileName", OEM},
      {T, "szDestDirectory", OEM},
      {T, "szTitle"},
      {T, "szMsg"},
      {B, "bBackGroundProcessing"}},
     Status<volume_methods::Join>,
     2,
     R},
    {44,
     "Restore",
     I2,
     {{T, "szSourceDirectory", OEM},
      {T, "szDestinationDirectory", OEM},
      {I2, "iOverwriteMode"},
      {B, "bDisplayDialog"},
      {B, "bEraseReadOnlyFiles"},
      {T, "szTitle"},
      {T, "szMsg"},
      {B, "bBackGroundProcessing"}},
     Status<volume_methods::Restore>,
     12,
     R},
    {45, "UnzipCancel", V, {{B, "bCancel"}}, UnzipCancel, 0, R},
    {46,
     "UnzipToFile",
     I2,
     {{T, "szZipName", OEM},
      {T, "szMask", OEM},
      {T, "szDestFile", OEM},
      {B, "bEraseReadOnlyFiles"},
      {T, "szPassword"},
      {B, "bAskPassword"},
      {B, "bAckGroundProcessing"}},
     Status<UnzipToFile>,
     6,
     R},
    {47,
     "IsZIPFileQuick",
     I2,
     {{T, "szZipName", OEM}, {B, "bBackGroundProcessing"}},
     Status<IsZipFileQuick>,
     6,
     R},
    {48,
     "IsZIPFileSlow",
     I2,
     {{T, "szZipName", OEM}, {T, "szPassword"}, {B, "bAskPassword"}, {B, "bBackGroundProcessing"}},
     Status<IsZipFileSlow>,
     6,
     R},
    {49,
     "Backup",
     I2,
     {{T, "szMask", OEM},
      {T, "szDestDrive", OEM},
      {B, "bRecurse"},
      {B, "bUseArchiveFlag"},
      {B, "bRemoveArchiveFlag"},
      {B, "bForceSingleBackup"},
      {T, "szTitle"},
      {T, "szMsg"},
      {I2, "iCompressionMode"},
      {B, "bBackGroundProcessing"}},
     Status<volume_methods::Backup>,
     15,
     W},
    {50,
     "View",
     B,
     {{T, "szZipName", OEM},
      {T, "szMask", OEM},
      {B, "bUseTextEditor"},
      {B, "bRunEXE"},
      {T, "szPrivateTempDir", OEM},
      {T, "szPassword"},
      {B, "bAskPassword"},
      {B, "bBackGroundProcessing"}},
     Query<itemlist::View>,
     0,
     R},
    {51,
     "SetStringResource",
     V,
     {{I2, "iStringID"}, {T, "szValue"}},
     SetStringResourceMember,
     0,
     N},
    {52,
     "IsDisketteReady",
     B,
     {{T, "szDiskette", OEM}},
     Query<volume_methods::IsDisketteReady>,
     0,
     N},
    {53,
     "IsDriveWriteable",
     B,
     {{T, "szDrive", OEM}},
     Query<volume_methods::IsDriveWriteable>,
     0,
     N},
    {54,
     "IsWriteable",
     B,
     {{T, "szDestFile", OEM}, {I4, "lSizeInBytes"}},
     Query<volume_methods::IsWriteable>,
     0,
     N},
    {55, "SetHelpFile", V, {{T, "szHelpFile"}}, SetHelpFile, 0, N},
    {56, "SetIniFile", V, {{T, "szFile"}}, SetIniFileMember, 0, N},
    {57, "SetPasswordMode", V, {{B, "bShow"}, {B, "bSave"}}, SetPasswordModeMember, 0, N},
    {58, "DeletePasswords", V, {}, DeletePasswordsMember, 0, N},
    {59,
     "GetZIPINFOVersionMajor",
     I2,
     {{T, "szZipName", OEM}, {B, "bBackGroundProcessing"}},
     Query<GetZipInfoVersionMajor>,
     0,
     R},
    {60,
     "GetZIPINFODiskID",
     I2,
     {{T, "szZipName", OEM}, {B, "bBackGroundProcessing"}},
     Query<GetZipInfoDiskId>,
     0,
     R},
    {61,
     "GetLocalCommentSize",
     I2,
     {{T, "szZipName", OEM}, {T, "szMask", OEM}, {B, "bBackGroundProcessing"}},
     Query<GetLocalCommentSize>,
     -1,
     R},
    {62, "GetNewZIPName", T, {}, GetNewZipName, 0, N},
    {63,
     "UnzipFiles",
     I2,
     {{T, "szZipName", OEM},
      {T, "szMask", OEM},
      {T, "szDestDirectory", OEM},
      {B, "bRebuildDir"},
      {B, "bEraseReadOnlyFiles"},
      {I2, "iOverwriteMode"},
      {T, "szPassword"},
      {B, "bAskPassword"},
      {B, "bBackGroundProcessing"}},
     Status<UnzipFiles>,
     6,
     R},
    {64,
     "ZipFiles",
     I2,
     {{T, "szZipName", OEM},
      {T, "szMask", OEM},
      {B, "bRecurseSubDirs"},
      {I2, "iStorePathMethod"},
      {I2, "iOverwriteMode"},
      {I2, "iCompressionMode"},
      {B, "bUseArchiveFlag"},
      {B, "bRemoveArchiveFlag"},
      {T, "szPassword"},
      {B, "bBackGroundProcessing"}},
     Status<writing::ZipFiles>,
     5,
     W},
    {65,
     "BuildZIPITEMList",
     I2,
     {{T, "szZipName", OEM},
      {I4, "hListZIPITEM"},
      {B, "bListCtrlMode"},
      {T, "szPrivateTempDirectory", OEM},
      {B, "bWindowsIcons"},
      {I2, "iSortMode"},
      {B, "bBackGroundProcessing"}},
     Query<itemlist::BuildList>,
     -1,
     R},
    {66,
     "DeleteWithSelection",
     I2,
     {{T, "szZipName", OEM},
      {I4, "hListZIPITEM"},
      {I4, "hListSelected"},
      {B, "bListIsListCtrl"},
      {B, "bBackGroundProcessing"}},
     Status<itemlist::DeleteWithSelection>,
     5,
     W},
    {67, "GetZIPITEMName", T, {ITEM_PARAMS}, itemlist::GetName, 0, R},
    {68, "GetZIPITEMDir", T, {ITEM_PARAMS}, itemlist::GetDir, 0, R},
    {69, "GetZIPITEMHImageList", I4, {{B, "bBigIcons"}}, itemlist::GetHImageList, 0, R},
    {70, "DeleteTempDirectories", B, {}, Query<itemlist::DeleteTempFolders>, 0, R},
    {71, "SetListViewImageList", B, {{I4, "hListView"}}, Query<itemlist::SetListViewImages>, 0, R},
    {-552, "AboutBox", V, {}, AboutBox, 0, N},
    {-515, "hWnd", I4, {}, GetWindowHandle, 0, N, activex::MemberKind::kReadOnlyProperty},
};

#undef ITEM_PARAMS

}  // namespace

std::span<const activex::DispatchMember> DispatchMembers() { return kMembers; }

}  // namespace qx30w32
