// The records of the binding to QX30W32: one stub record per method Pelloro calls (DISPID,
// result type, call kind, argument count, no named arguments, each argument's type) and the
// event list of _DQXEvents (DISPIDs 1..24 with the types each event's arguments are converted to).
// Window handles travel as I4; I2 is signed.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>

#include "olehost/control_data.h"

namespace qxctrl {

using olehost::TEventBinding;
using olehost::TInvokeStub;

namespace vt {
// One letter per automation type keeps the tables below readable.
inline constexpr uint8_t None = VT_EMPTY, B = VT_BSTR, S = VT_I2, L = VT_I4, O = VT_BOOL;
inline constexpr uint8_t Method = DISPATCH_METHOD;
}  // namespace vt

// clang-format off

inline constexpr TInvokeStub kZipCancel               = { 4, vt::None, vt::Method,  1, 0, {vt::O}};
inline constexpr TInvokeStub kSetGlobalComment        = { 7, vt::S,    vt::Method,  3, 0, {vt::B, vt::B, vt::O}};
inline constexpr TInvokeStub kRepare                  = { 9, vt::S,    vt::Method,  2, 0, {vt::B, vt::O}};
inline constexpr TInvokeStub kMakeEXEFile             = {10, vt::S,    vt::Method,  9, 0, {vt::B, vt::B, vt::B, vt::B, vt::B, vt::S, vt::O, vt::O, vt::O}};
inline constexpr TInvokeStub kDeleteWithMask          = {11, vt::S,    vt::Method,  3, 0, {vt::B, vt::B, vt::O}};
inline constexpr TInvokeStub kCreateBlankZIPFile      = {12, vt::O,    vt::Method,  2, 0, {vt::B, vt::O}};
inline constexpr TInvokeStub kBuildZIPITEMImageList   = {31, vt::O,    vt::Method,  0, 0, {}};
inline constexpr TInvokeStub kDestroyZIPITEMImageList = {32, vt::O,    vt::Method,  0, 0, {}};
inline constexpr TInvokeStub kGetZIPINFOMadeUnder     = {34, vt::S,    vt::Method,  2, 0, {vt::B, vt::O}};
inline constexpr TInvokeStub kGetZIPINFOVersionMinor  = {35, vt::S,    vt::Method,  2, 0, {vt::B, vt::O}};
inline constexpr TInvokeStub kGetGlobalComment        = {36, vt::B,    vt::Method,  3, 0, {vt::B, vt::S, vt::O}};
inline constexpr TInvokeStub kGetGlobalCommentSize    = {37, vt::S,    vt::Method,  2, 0, {vt::B, vt::O}};
inline constexpr TInvokeStub kGetCount                = {39, vt::S,    vt::Method,  2, 0, {vt::B, vt::O}};
inline constexpr TInvokeStub kIsFileInTheZIPFile      = {41, vt::O,    vt::Method,  3, 0, {vt::B, vt::B, vt::O}};
inline constexpr TInvokeStub kJoin                    = {43, vt::S,    vt::Method,  5, 0, {vt::B, vt::B, vt::B, vt::B, vt::O}};
inline constexpr TInvokeStub kRestore                 = {44, vt::S,    vt::Method,  8, 0, {vt::B, vt::B, vt::S, vt::O, vt::O, vt::B, vt::B, vt::O}};
inline constexpr TInvokeStub kUnzipCancel             = {45, vt::None, vt::Method,  1, 0, {vt::O}};
inline constexpr TInvokeStub kBackup                  = {49, vt::S,    vt::Method, 10, 0, {vt::B, vt::B, vt::O, vt::O, vt::O, vt::O, vt::B, vt::B, vt::S, vt::O}};
inline constexpr TInvokeStub kGetZIPINFOVersionMajor  = {59, vt::S,    vt::Method,  2, 0, {vt::B, vt::O}};
inline constexpr TInvokeStub kGetNewZIPName           = {62, vt::B,    vt::Method,  0, 0, {}};
inline constexpr TInvokeStub kUnzipFiles              = {63, vt::S,    vt::Method,  9, 0, {vt::B, vt::B, vt::B, vt::O, vt::O, vt::S, vt::B, vt::O, vt::O}};
inline constexpr TInvokeStub kZipFiles                = {64, vt::S,    vt::Method, 10, 0, {vt::B, vt::B, vt::O, vt::S, vt::S, vt::S, vt::O, vt::O, vt::B, vt::O}};
inline constexpr TInvokeStub kBuildZIPITEMList        = {65, vt::S,    vt::Method,  7, 0, {vt::B, vt::L, vt::O, vt::B, vt::O, vt::S, vt::O}};
inline constexpr TInvokeStub kDeleteWithSelection     = {66, vt::S,    vt::Method,  5, 0, {vt::B, vt::L, vt::L, vt::O, vt::O}};
inline constexpr TInvokeStub kGetZIPITEMName          = {67, vt::B,    vt::Method,  3, 0, {vt::L, vt::S, vt::O}};
inline constexpr TInvokeStub kGetZIPITEMDir           = {68, vt::B,    vt::Method,  3, 0, {vt::L, vt::S, vt::O}};
inline constexpr TInvokeStub kGetZIPITEMHImageList    = {69, vt::L,    vt::Method,  1, 0, {vt::O}};
inline constexpr TInvokeStub kDeleteTempDirectories   = {70, vt::O,    vt::Method,  0, 0, {}};
// clang-format on

// The methods by their type-library names, in DISPID order.
struct NamedStub {
  const wchar_t* name;
  const TInvokeStub* stub;
};
inline constexpr int kMethodCount = 28;
inline constexpr NamedStub kMethodStubs[kMethodCount] = {
    {L"ZipCancel", &kZipCancel},
    {L"SetGlobalComment", &kSetGlobalComment},
    {L"Repare", &kRepare},
    {L"MakeEXEFile", &kMakeEXEFile},
    {L"DeleteWithMask", &kDeleteWithMask},
    {L"CreateBlankZIPFile", &kCreateBlankZIPFile},
    {L"BuildZIPITEMImageList", &kBuildZIPITEMImageList},
    {L"DestroyZIPITEMImageList", &kDestroyZIPITEMImageList},
    {L"GetZIPINFOMadeUnder", &kGetZIPINFOMadeUnder},
    {L"GetZIPINFOVersionMinor", &kGetZIPINFOVersionMinor},
    {L"GetGlobalComment", &kGetGlobalComment},
    {L"GetGlobalCommentSize", &kGetGlobalCommentSize},
    {L"GetCount", &kGetCount},
    {L"IsFileInTheZIPFile", &kIsFileInTheZIPFile},
    {L"Join", &kJoin},
    {L"Restore", &kRestore},
    {L"UnzipCancel", &kUnzipCancel},
    {L"Backup", &kBackup},
    {L"GetZIPINFOVersionMajor", &kGetZIPINFOVersionMajor},
    {L"GetNewZIPName", &kGetNewZIPName},
    {L"UnzipFiles", &kUnzipFiles},
    {L"ZipFiles", &kZipFiles},
    {L"BuildZIPITEMList", &kBuildZIPITEMList},
    {L"DeleteWithSelection", &kDeleteWithSelection},
    {L"GetZIPITEMName", &kGetZIPITEMName},
    {L"GetZIPITEMDir", &kGetZIPITEMDir},
    {L"GetZIPITEMHImageList", &kGetZIPITEMHImageList},
    {L"DeleteTempDirectories", &kDeleteTempDirectories},
};

// _DQXEvents: event i (0-based) is bound to DISPID i + 1.
inline constexpr int kEventCount = 24;
inline constexpr DISPID kEventDispIDs[kEventCount] = {
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
// clang-format off
inline constexpr TEventBinding kEventBindings[kEventCount] = {
    {1, {vt::B}},  // ZNOpenFile
    {2, {vt::B, vt::S}},  // ZNExpanding
    {2, {vt::B, vt::O}},  // ZNCloseFile
    {2, {vt::B, vt::O}},  // ZNTest
    {2, {vt::S, vt::B}},  // ZNJoining
    {2, {vt::S, vt::L}},  // ZNJoined
    {1, {vt::L}},  // ZNJoinDoneSize
    {1, {vt::B}},  // ZNJoinDoneName
    {1, {vt::B}},  // ZNRestoreBuildZip
    {1, {vt::L}},  // ZNRestoreZipDone
    {1, {vt::B}},  // ZNBackupBuildZip
    {1, {vt::L}},  // ZNBackupZipDone
    {0, {}},  // ZNMakeEXEStep1
    {1, {vt::S}},  // ZNMakeEXEStep2
    {2, {vt::B, vt::S}},  // ZNZipping
    {2, {vt::B, vt::S}},  // ZNZipping2
    {2, {vt::B, vt::S}},  // ZNFileZipped
    {1, {vt::B}},  // ZNWriting
    {2, {vt::B, vt::S}},  // ZNReparing
    {1, {vt::S}},  // ZNCompute
    {2, {vt::B, vt::S}},  // ZNEncrypt
    {2, {vt::S, vt::B}},  // ZNSplitting
    {2, {vt::S, vt::L}},  // ZNSplitted
    {1, {vt::B}},  // ZNDeleting
};
// clang-format on
inline constexpr const wchar_t* kEventNames[kEventCount] = {
    L"ZNOpenFile",        L"ZNExpanding",      L"ZNCloseFile",      L"ZNTest",
    L"ZNJoining",         L"ZNJoined",         L"ZNJoinDoneSize",   L"ZNJoinDoneName",
    L"ZNRestoreBuildZip", L"ZNRestoreZipDone", L"ZNBackupBuildZip", L"ZNBackupZipDone",
    L"ZNMakeEXEStep1",    L"ZNMakeEXEStep2",   L"ZNZipping",        L"ZNZipping2",
    L"ZNFileZipped",      L"ZNWriting",        L"ZNReparing",       L"ZNCompute",
    L"ZNEncrypt",         L"ZNSplitting",      L"ZNSplitted",       L"ZNDeleting",
};

}  // namespace qxctrl
