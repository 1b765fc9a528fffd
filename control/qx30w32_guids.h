// The fixed identifiers of QX30W32, shared by the control, its type library (qx30w32.idl holds the
// same values) and every host that creates the control.
#pragma once

#include <windows.h>

namespace qx30w32 {

// Type library QX30W32Lib, version 3.0.
inline constexpr GUID kLibraryId = {
    0x5caee8b0, 0xb234, 0x48c9, {0xbb, 0x3c, 0x36, 0xe8, 0xa4, 0x80, 0xbd, 0x31}};
inline constexpr WORD kLibraryMajor = 3;
inline constexpr WORD kLibraryMinor = 0;
// Dispatch interface _DQX.
inline constexpr IID kDispatchId = {
    0xe97fbd18, 0xc929, 0x461d, {0xb9, 0xf9, 0xef, 0xd8, 0x3f, 0x22, 0x79, 0xe7}};
// Event interface _DQXEvents.
inline constexpr IID kEventsId = {
    0xbfc64b48, 0x6806, 0x450f, {0xb6, 0xac, 0xd8, 0x72, 0x5f, 0x94, 0x58, 0x68}};
// The control class CZCtrl.
inline constexpr CLSID kControlClassId = {
    0xc55ebe78, 0x7334, 0x4c33, {0x9a, 0x7b, 0x4f, 0x3d, 0x64, 0xce, 0xb2, 0x3c}};
// The property page class CZPropPage.
inline constexpr CLSID kPropertyPageClassId = {
    0x0b7a8694, 0x743b, 0x4266, {0xb3, 0x2c, 0x0a, 0x62, 0xee, 0xf6, 0x57, 0xae}};

inline constexpr char kControlProgId[] = "QX30W32.QXCtrl.1";
inline constexpr char kPropertyPageProgId[] = "QX30W32.QXPropPage.1";

}  // namespace qx30w32
