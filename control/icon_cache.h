// The item list's two image lists (small and large): a copy of the system's file icons followed
// by six icons of the control's own, so that an item's icon index means the same in both lists;
// the probe that finds a file type's system icon; the control's temporary folders.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "base/cztext.h"

class CZUnzip;

namespace qx30w32 {

// Resource numbers of the control's own icons, in image-list order (large, small).
struct OwnIconResources {
  int large;
  int small;
};
inline constexpr OwnIconResources kOwnIcons[6] = {{209, 210}, {212, 211}, {216, 215},
                                                  {214, 213}, {220, 219}, {218, 217}};

// Where the system image lists are asked for: an existing file of the Windows folder, or a name
// the shell answers by its extension alone (byExtension).
struct SystemListSource {
  std::string file;  // ANSI
  bool byExtension = false;
};
// WIN.COM, else WINHELP.EXE of windowsFolder (ANSI, ending in '\') when the shell gives a list
// holding images for it; else WINHELP.EXE by its extension.
SystemListSource FindSystemListSource(const std::string& windowsFolder);

// FALSE (nothing changed) when the system image list cannot be obtained. The lists come from the
// source FindSystemListSource gives for the Windows folder, or from the one given.
BOOL BuildZIPITEMImageList(CZUnzip& reader);
BOOL BuildZIPITEMImageList(CZUnzip& reader, const SystemListSource& source);
BOOL DestroyZIPITEMImageList(CZUnzip& reader);
HIMAGELIST GetZIPITEMHImageList(const CZUnzip& reader, BOOL bigIcons);
BOOL SetListViewImageList(const CZUnzip& reader, HWND listView);
// Removes "QXVIEW\" and "QXICONS\" of the control folder; TRUE when neither exists afterwards
// (and, without a control folder, at once: nothing relative to the current folder is touched).
BOOL DeleteTempDirectories();

// The control folder + "QXVIEW\" / "QXICONS\"; "" without a control folder.
CZText ControlSubfolder(const char* name);

// The system small-icon index of files of that extension, through an empty probe file
// "SICON." + extension in probeFolder (OEM, ending in '\'); -1 when the shell gives none.
int32_t ProbeExtensionIcon(const CZText& probeFolder, const std::string& extension);

// Test seams: the icon handles obtained and not yet destroyed; how many probes were made.
long LiveItemIconHandles();
long ItemIconProbes();

}  // namespace qx30w32
