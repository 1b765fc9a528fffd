// The archive item list: one item per archive entry in a host's list view (each carrying a
// ZIPITEM record as its lParam) or list box (each the record's text form); the list-box sorter;
// the release of list-view records; reading one item's fields for the accessor methods.
#pragma once

#include <windows.h>

#include "base/cztext.h"
#include "core/zip_item.h"

class CZUnzip;

namespace qx30w32 {

// Results of the list builder besides 0.
inline constexpr short kItemListUnusable = -1;  // cannot open, no end record, broken directory
inline constexpr short kItemListRefused = -2;   // the window refused an item, or no memory

struct ItemListRequest {
  const char* archiveName = "";
  HWND list = nullptr;
  BOOL listView = FALSE;
  // The folder of the icon probe files (OEM, ending in '\'); "" turns Windows icons off.
  CZText probeFolder;
  BOOL windowsIcons = FALSE;
  short sortMode = 0;
  BOOL background = FALSE;
  // Entries before this one are read but not listed.
  long firstEntry = 0;
  // Receives what the listed entries name (set-up program, description, index page); may be null.
  zipitem::Detection* detection = nullptr;
};

short BuildZIPITEMList(CZUnzip& reader, const ItemListRequest& request);
// FALSE for handle 0 or not a window; TRUE otherwise (modes outside 0..5 leave the list as it is).
BOOL SortZIPITEMList(HWND list, short mode, BOOL background);
// Frees the records of the list view's items that this process made and removes all its items.
void DestroyZIPITEMLParam(HWND list);

}  // namespace qx30w32
