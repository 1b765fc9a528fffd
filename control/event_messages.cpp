#include "event_messages.h"
#include "base/progress_messages.h"

namespace qx30w32 {
namespace {

using activex::ArgType;
using activex::EventMember;

constexpr ArgType T = ArgType::kText;
constexpr ArgType I2 = ArgType::kShort;
constexpr ArgType I4 = ArgType::kLong;
constexpr ArgType B = ArgType::kBool;

const EventMember kEvents[] = {
    {1, "ZNOpenFile", {{T, "szName"}}},
    {2, "ZNExpanding", {{T, "szName"}, {I2, "iRateDone"}}},
    {3, "ZNCloseFile", {{T, "szName"}, {B, "bNoError"}}},
    {4, "ZNTest", {{T, "szName"}, {B, "bNoError"}}},
    {5, "ZNJoining", {{I2, "iSizeInKBytes"}, {T, "szPartFileName"}}},
    {6, "ZNJoined", {{I2, "iPartFileNumber"}, {I4, "lTotalSize"}}},
    {7, "ZNJoinDoneSize", {{I4, "lTotalSize"}}},
    {8, "ZNJoinDoneName", {{T, "szZipName"}}},
    {9, "ZNRestoreBuildZip", {{T, "szZipName"}}},
    {10, "ZNRestoreZipDone", {{I4, "lTempZipSize"}}},
    {11, "ZNBackupBuildZip", {{T, "szZipName"}}},
    {12, "ZNBackupZipDone", {{I4, "lTempZipSize"}}},
    {13, "ZNMakeEXEStep1", {}},
    {14, "ZNMakeEXEStep2", {{I2, "iRateDone"}}},
    {15, "ZNZipping", {{T, "szCurrentFile"}, {I2, "iProcessedKBytes"}}},
    {16, "ZNZipping2", {{T, "szCurrentFile"}, {I2, "iRateDone"}}},
    {17, "ZNFileZipped", {{T, "szFileName"}, {I2, "iCompressionRate"}}},
    {18, "ZNWriting", {{T, "szZipName"}}},
    {19, "ZNReparing", {{T, "szName"}, {I2, "iRepareStep"}}},
    {20, "ZNCompute", {{I2, "iFilesInZip"}}},
    {21, "ZNEncrypt", {{T, "szFileName"}, {I2, "iRateDone"}}},
    {22, "ZNSplitting", {{I2, "iSizeInKBytes"}, {T, "szPartFileName"}}},
    {23, "ZNSplitted", {{I2, "iPartNumber"}, {I4, "lSizeInBytes"}}},
    {24, "ZNDeleting", {{T, "szCurrentFile"}}},
};

// Where an event parameter comes from.
enum class Source : unsigned char {
  kNone,
  // lParam as a zero-terminated engine name (an entry, file, part or archive, in OEM), handed to
  // the host in ANSI as every text of the interface; null gives "".
  kNameFromL,
  kShortFromW,    // the low 16 bits of wParam, signed
  kLongFromL,     // lParam, 32 bits
  kBoolWNonZero,  // wParam != 0
  kBoolWBelow2,   // wParam, unsigned, below 2 (result levels 0 and 1 are free of error)
};

struct MessageRoute {
  UINT message;
  DISPID event;
  Source sources[2];
};

const MessageRoute kRoutes[] = {
    {progress::kJoining, 5, {Source::kShortFromW, Source::kNameFromL}},
    {progress::kJoinDoneSize, 7, {Source::kLongFromL}},
    {progress::kJoinDoneName, 8, {Source::kNameFromL}},
    {progress::kSplitting, 22, {Source::kShortFromW, Source::kNameFromL}},
    {progress::kVolumeSplit, 23, {Source::kShortFromW, Source::kLongFromL}},
    {progress::kEntryOpened, 1, {Source::kNameFromL}},
    {progress::kEntryExpanding, 2, {Source::kNameFromL, Source::kShortFromW}},
    {progress::kEntryClosed, 3, {Source::kNameFromL, Source::kBoolWNonZero}},
    {progress::kZippingKilobytes, 15, {Source::kNameFromL, Source::kShortFromW}},
    {progress::kZippingPercent, 16, {Source::kNameFromL, Source::kShortFromW}},
    {progress::kFileZipped, 17, {Source::kNameFromL, Source::kShortFromW}},
    {progress::kWriting, 18, {Source::kNameFromL}},
    {progress::kDeleting, 24, {Source::kNameFromL}},
    {progress::kRepairing, 19, {Source::kNameFromL, Source::kShortFromW}},
    {progress::kEncrypting, 21, {Source::kNameFromL, Source::kShortFromW}},
    {progress::kEntryTested, 4, {Source::kNameFromL, Source::kBoolWBelow2}},
    {progress::kBackupBuildZip, 11, {Source::kNameFromL}},
    {progress::kBackupZipDone, 12, {Source::kLongFromL}},
    {progress::kRestoreBuildZip, 9, {Source::kNameFromL}},
    {progress::kRestoreZipDone, 10, {Source::kLongFromL}},
    {progress::kMakeExeStep1, 13, {}},
    {progress::kMakeExeStep2, 14, {Source::kShortFromW}},
};

bool MakeArgument(Source source, WPARAM wParam, LPARAM lParam, VARIANT* arg) {
  VariantInit(arg);
  switch (source) {
    case Source::kNameFromL:
      V_VT(arg) = VT_BSTR;
      V_BSTR(arg) = activex::AllocStringFromOem(reinterpret_cast<const char*>(lParam));
      return V_BSTR(arg) != nullptr;
    case Source::kShortFromW:
      V_VT(arg) = VT_I2;
      V_I2(arg) = static_cast<SHORT>(static_cast<WORD>(wParam & 0xFFFF));
      return true;
    case Source::kLongFromL:
      V_VT(arg) = VT_I4;
      V_I4(arg) = static_cast<LONG>(static_cast<DWORD>(static_cast<ULONG_PTR>(lParam)));
      return true;
    case Source::kBoolWNonZero:
      V_VT(arg) = VT_BOOL;
      V_BOOL(arg) = wParam != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      return true;
    case Source::kBoolWBelow2:
      V_VT(arg) = VT_BOOL;
      V_BOOL(arg) = static_cast<ULONG_PTR>(wParam) < 2 ? VARIANT_TRUE : VARIANT_FALSE;
      return true;
    case Source::kNone:
      break;
  }
  return false;
}

}  // namespace

std::span<const activex::EventMember> EventMembers() { return kEvents; }

bool FireEventForMessage(activex::ActiveXControl& control, UINT message, WPARAM wParam,
                         LPARAM lParam) {
  for (const MessageRoute& route : kRoutes) {
    if (route.message != message) continue;
    VARIANT args[2];
    UINT count = 0;
    bool ok = true;
    for (Source source : route.sources) {
      if (source == Source::kNone) break;
      ok = MakeArgument(source, wParam, lParam, &args[count]) && ok;
      ++count;
    }
    if (ok) control.FireEvent(route.event, args, count);
    for (UINT i = 0; i < count; ++i) VariantClear(&args[i]);
    return true;
  }
  return false;
}

}  // namespace qx30w32
