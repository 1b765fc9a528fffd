#include "archive_list_display.h"

#include <cstdio>
#include <cstring>

namespace pelloro {

namespace {

// A field of the record, ended at its size even when the record holds no terminator.
std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

std::string AnsiLowered(const std::string& oem) {
  std::string text = oem;
  if (text.empty()) return text;
  OemToCharBuffA(oem.data(), text.data(), static_cast<DWORD>(oem.size()));
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

}  // namespace

bool CellText(const ZipItemRecord& item, int column, std::string& text) {
  text.clear();
  switch (column) {
    case 0:
      text = AnsiLowered(item.IsDir ? Field(item.Dir, sizeof(item.Dir))
                                    : Field(item.Name, sizeof(item.Name)));
      return true;
    case 1: {
      if (item.IsDir) return false;
      char buffer[32];
      std::snprintf(buffer, sizeof(buffer), "%10d bytes", static_cast<int>(item.OriginalSize));
      text = buffer;
      return true;
    }
    case 2:
      if (item.IsDir) return false;
      text = AnsiLowered(Field(item.Dir, sizeof(item.Dir)));
      return true;
    default:
      return false;
  }
}

void FillDisplayInfo(NMLVDISPINFOA& info) {
  if (!(info.item.mask & LVIF_TEXT)) return;
  if (info.item.pszText == nullptr || info.item.cchTextMax <= 0) return;
  info.item.pszText[0] = '\0';
  const auto* item = reinterpret_cast<const ZipItemRecord*>(info.item.lParam);
  if (item == nullptr) {
    // The request need not carry the row's data: read it from the list view.
    LVITEMA row = {};
    row.mask = LVIF_PARAM;
    row.iItem = info.item.iItem;
    if (SendMessageA(info.hdr.hwndFrom, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row))) {
      item = reinterpret_cast<const ZipItemRecord*>(row.lParam);
    }
  }
  if (item == nullptr) return;
  std::string text;
  if (!CellText(*item, info.item.iSubItem, text)) return;
  lstrcpynA(info.item.pszText, text.c_str(), info.item.cchTextMax);
  if (info.item.iSubItem == 0) info.item.mask |= LVIF_DI_SETITEM;
}

}  // namespace pelloro
