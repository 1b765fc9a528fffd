// The registered item records and ReadZIPITEM (zip_item_records.h).
#include "reading/zip_item_records.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <unordered_set>

namespace {

std::unordered_set<const void*>& Records() {
  static std::unordered_set<const void*> records;
  return records;
}

long g_allowed = -1;

}  // namespace

ZIPITEM* NewZipItemRecord() {
  if (g_allowed == 0) return nullptr;
  ZIPITEM* record = new (std::nothrow) ZIPITEM();
  if (record == nullptr) return nullptr;
  try {
    Records().insert(record);
  } catch (...) {
    delete record;
    return nullptr;
  }
  if (g_allowed > 0) --g_allowed;
  return record;
}

BOOL FreeZipItemRecord(const void* record) {
  auto& records = Records();
  const auto found = records.find(record);
  if (found == records.end()) return FALSE;
  records.erase(found);
  delete static_cast<const ZIPITEM*>(record);
  return TRUE;
}

BOOL IsZipItemRecord(const void* record) {
  return record != nullptr && Records().count(record) != 0 ? TRUE : FALSE;
}

size_t LiveZipItemRecords() { return Records().size(); }

void LimitZipItemRecords(long allowed) { g_allowed = allowed; }

BOOL ReadZIPITEM(HWND list, int index, ZIPITEM* item, BOOL listView) {
  std::memset(item, 0, sizeof *item);
  if (list == nullptr || !IsWindow(list) || index < 0) return FALSE;
  if (listView) {
    LVITEMA lvItem = {};
    lvItem.mask = LVIF_PARAM;
    lvItem.iItem = index;
    lvItem.iSubItem = 0;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lvItem))) return FALSE;
    const void* record = reinterpret_cast<const void*>(lvItem.lParam);
    if (!IsZipItemRecord(record)) return FALSE;
    std::memcpy(item, record, sizeof *item);
    return TRUE;
  }
  const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR || length < 0) return FALSE;
  try {
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(text.data()));
    if (got == LB_ERR || got < 0) return FALSE;
    text.resize(std::min<size_t>(static_cast<size_t>(got), static_cast<size_t>(length)));
    zipitem::ParseText(text.c_str(), item);
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  return TRUE;
}
