// The item list's image lists and the icon probe (icon_cache.h).
#include "icon_cache.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "base/module_state.h"
#include "reading/czunzip.h"

namespace qx30w32 {
namespace {

long g_liveIcons = 0;
long g_probes = 0;

// Every icon the cache obtains passes through here and is destroyed once copied.
HICON Took(HICON icon) {
  if (icon != nullptr) ++g_liveIcons;
  return icon;
}
void Drop(HICON icon) {
  if (icon == nullptr) return;
  DestroyIcon(icon);
  --g_liveIcons;
}

// Appends icon to list and destroys it; an icon that is missing still takes its place (an empty
// image), so the indexes of both lists stay equal.
void AppendIcon(HIMAGELIST list, HICON icon) {
  if (icon == nullptr || ImageList_ReplaceIcon(list, -1, icon) < 0) {
    ImageList_SetImageCount(list, static_cast<UINT>(ImageList_GetImageCount(list) + 1));
  }
  Drop(icon);
}

std::string Ansi(const CZText& oem) {
  CZText copy = oem;
  copy.OemToAnsi();
  return copy.str();
}

// The system image list that SHGetFileInfoA gives for the source (small or large); its HICON
// freed.
HIMAGELIST SystemList(const SystemListSource& source, UINT sizeFlag) {
  SHFILEINFOA info = {};
  const UINT byExtension = source.byExtension ? SHGFI_USEFILEATTRIBUTES : 0;
  const DWORD_PTR list =
      SHGetFileInfoA(source.file.c_str(), source.byExtension ? FILE_ATTRIBUTE_NORMAL : 0, &info,
                     sizeof info, SHGFI_SYSICONINDEX | SHGFI_ICON | sizeFlag | byExtension);
  if (list == 0) return nullptr;  // hIcon may hold junk then: never touched
  Drop(Took(info.hIcon));
  return reinterpret_cast<HIMAGELIST>(list);
}

bool GivesImages(HIMAGELIST list) { return list != nullptr && ImageList_GetImageCount(list) > 0; }

HICON LoadOwnIcon(int resource, bool large) {
  const HINSTANCE module = ModuleInstance();
  if (module == nullptr) return nullptr;
  const int cx = GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON);
  const int cy = GetSystemMetrics(large ? SM_CYICON : SM_CYSMICON);
  return Took(static_cast<HICON>(
      LoadImageA(module, MAKEINTRESOURCEA(resource), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR)));
}

}  // namespace

long LiveItemIconHandles() { return g_liveIcons; }
long ItemIconProbes() { return g_probes; }

SystemListSource FindSystemListSource(const std::string& windowsFolder) {
  for (const char* name : {"WIN.COM", "WINHELP.EXE"}) {
    SystemListSource source{windowsFolder + name, false};
    if (GivesImages(SystemList(source, SHGFI_SMALLICON))) return source;
  }
  // Neither file exists on 64-bit Windows, nor in a prefix that 64-bit Wine made alone: the shell
  // still gives its lists for a program's name when told the file's attributes.
  return SystemListSource{windowsFolder + "WINHELP.EXE", true};
}

BOOL BuildZIPITEMImageList(CZUnzip& reader) {
  CZText windows;
  windows.GetWindowsDir();
  return BuildZIPITEMImageList(reader, FindSystemListSource(Ansi(windows)));
}

BOOL BuildZIPITEMImageList(CZUnzip& reader, const SystemListSource& source) {
  HIMAGELIST systemSmall = SystemList(source, SHGFI_SMALLICON);
  if (!GivesImages(systemSmall)) return FALSE;
  const int n = ImageList_GetImageCount(systemSmall);
  // The large list from the source that gave the small one.
  HIMAGELIST systemLarge = SystemList(source, SHGFI_LARGEICON);

  HIMAGELIST small = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                      ILC_MASK, n + 6, n + 6);
  HIMAGELIST large = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                      ILC_MASK, n + 6, n + 6);
  if (small == nullptr || large == nullptr) {
    if (small != nullptr) ImageList_Destroy(small);
    if (large != nullptr) ImageList_Destroy(large);
    return FALSE;
  }
  for (int i = 0; i < n; ++i) {
    AppendIcon(small, Took(ImageList_GetIcon(systemSmall, i, ILD_TRANSPARENT)));
    AppendIcon(large, systemLarge != nullptr
                          ? Took(ImageList_GetIcon(systemLarge, i, ILD_TRANSPARENT))
                          : nullptr);
  }
  reader.SetSystemIconCount(n);
  for (const OwnIconResources& own : kOwnIcons) {
    AppendIcon(large, LoadOwnIcon(own.large, true));
    AppendIcon(small, LoadOwnIcon(own.small, false));
  }
  // A second build leaves the earlier lists to the host that holds their handles.
  reader.SetImageLists(small, large);
  return TRUE;
}

BOOL DestroyZIPITEMImageList(CZUnzip& reader) {
  HIMAGELIST small = reader.SmallImages();
  HIMAGELIST large = reader.LargeImages();
  reader.SetImageLists(nullptr, nullptr);
  BOOL result = TRUE;
  if (small != nullptr) {
    result = ImageList_Destroy(small);
    if (!result) return FALSE;  // the large list stays as it is
  }
  if (large != nullptr) result = ImageList_Destroy(large);
  return result ? TRUE : FALSE;
}

HIMAGELIST GetZIPITEMHImageList(const CZUnzip& reader, BOOL bigIcons) {
  return bigIcons ? reader.LargeImages() : reader.SmallImages();
}

BOOL SetListViewImageList(const CZUnzip& reader, HWND listView) {
  if (reader.SmallImages() == nullptr || reader.LargeImages() == nullptr) return FALSE;
  if (listView == nullptr || !IsWindow(listView)) return FALSE;
  const LONG style = GetWindowLongA(listView, GWL_STYLE);
  SetLastError(0);
  if (SetWindowLongA(listView, GWL_STYLE, style | LVS_SHAREIMAGELISTS) == 0 &&
      GetLastError() != 0) {
    return FALSE;
  }
  if ((GetWindowLongA(listView, GWL_STYLE) & LVS_SHAREIMAGELISTS) == 0) return FALSE;
  SendMessageA(listView, LVM_SETIMAGELIST, LVSIL_SMALL,
               reinterpret_cast<LPARAM>(reader.SmallImages()));
  SendMessageA(listView, LVM_SETIMAGELIST, LVSIL_NORMAL,
               reinterpret_cast<LPARAM>(reader.LargeImages()));
  return TRUE;
}

CZText ControlSubfolder(const char* name) {
  const CZText& folder = ControlFolder();
  if (folder.IsEmpty()) return CZText();
  return folder + name;
}

BOOL DeleteTempDirectories() {
  BOOL result = TRUE;
  for (const char* name : {"QXVIEW\\", "QXICONS\\"}) {
    const CZText folder = ControlSubfolder(name);
    if (folder.IsEmpty()) continue;  // no control folder: nothing to remove
    if (folder.DirectoryExists(FALSE) && !folder.RemoveDirectoryTree(FALSE, TRUE)) result = FALSE;
    if (folder.DirectoryExists(FALSE)) result = FALSE;
  }
  return result;
}

int32_t ProbeExtensionIcon(const CZText& probeFolder, const std::string& extension) {
  ++g_probes;
  CZText probe = probeFolder + "SICON." + extension.c_str();
  probe.MakeUpper();
  const std::string path = Ansi(probe);
  bool created = false;
  bool cannotCreate = false;
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const HFILE file = _lcreat(path.c_str(), 0);
    if (file == HFILE_ERROR) {
      cannotCreate = true;
    } else {
      _lclose(file);
      created = true;
    }
  }
  SHFILEINFOA info = {};
  DWORD_PTR answer = SHGetFileInfoA(path.c_str(), 0, &info, sizeof info,
                                    SHGFI_SYSICONINDEX | SHGFI_ICON | SHGFI_SMALLICON);
  if (answer == 0 && cannotCreate) {
    // The shell answers by the extension alone when told the file's attributes.
    info = SHFILEINFOA{};
    answer =
        SHGetFileInfoA(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_SYSICONINDEX | SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
  }
  if (answer != 0) Drop(Took(info.hIcon));
  if (created && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    DeleteFileA(path.c_str());
  }
  if (answer == 0) return -1;
  return info.iIcon < 0 ? 0 : info.iIcon;
}

}  // namespace qx30w32
