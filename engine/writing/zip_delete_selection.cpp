// The selection test of deleting by selection (zip_delete_selection.h).
#include "writing/zip_delete_selection.h"

#include <commctrl.h>

#include <vector>

#include "base/engine_utils.h"
#include "base/entry_case.h"
#include "base/progress_messages.h"
#include "reading/zip_item_records.h"
#include "writing/zip_rewrite.h"

namespace ziprewrite {
namespace {

// The entry path an item names: Dir (with a closing '\' when not empty), Name unless it is the
// blank of a folder entry; '/' separators, upper case.
std::string ItemPath(const ZIPITEM& item, bool dropBlankName) {
  std::string path = item.Dir;
  if (!path.empty() && path.back() != '\\') path += '\\';
  const std::string name = item.Name;
  if (!(dropBlankName && name == " ")) path += name;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  UpperCaseOem(path);
  return path;
}

}  // namespace

SelectionMatcher::SelectionMatcher(HWND listItems, HWND listSelected, BOOL listIsListCtrl)
    : items_(listItems), selected_(listSelected), listView_(listIsListCtrl != FALSE) {
  if (listView_) {
    if (items_ == nullptr || !IsWindow(items_)) return;
    const LRESULT selected = SendMessageA(items_, LVM_GETSELECTEDCOUNT, 0, 0);
    const LRESULT count = SendMessageA(items_, LVM_GETITEMCOUNT, 0, 0);
    all_ = count > 0 && selected == count;
  } else {
    if (selected_ == nullptr || !IsWindow(selected_)) return;
    const LRESULT selected = SendMessageA(selected_, LB_GETSELCOUNT, 0, 0);
    const LRESULT count = SendMessageA(selected_, LB_GETCOUNT, 0, 0);
    all_ = count > 0 && count != LB_ERR && selected == count;
  }
}

bool SelectionMatcher::Selects(const std::string& name) const {
  if (all_) return true;
  std::string entry = name;
  UpperCaseOem(entry);
  ZIPITEM item;
  if (listView_) {
    if (items_ == nullptr || !IsWindow(items_)) return false;
    for (LRESULT i = SendMessageA(items_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
         i >= 0; i = SendMessageA(items_, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED)) {
      if (ReadZIPITEM(items_, static_cast<int>(i), &item, TRUE) && ItemPath(item, true) == entry) {
        Notify(progress::kDeleting, 0, name.c_str());
        return true;
      }
    }
    return false;
  }
  if (selected_ == nullptr || !IsWindow(selected_)) return false;
  const LRESULT selected = SendMessageA(selected_, LB_GETSELCOUNT, 0, 0);
  if (selected == LB_ERR || selected <= 0) return false;
  std::vector<int> indexes(static_cast<size_t>(selected), -1);
  const LRESULT got = SendMessageA(selected_, LB_GETSELITEMS, static_cast<WPARAM>(selected),
                                   reinterpret_cast<LPARAM>(indexes.data()));
  if (got == LB_ERR || got < 0) return false;
  for (LRESULT k = 0; k < got && k < selected; ++k) {
    if (ReadZIPITEM(items_, indexes[static_cast<size_t>(k)], &item, FALSE) &&
        ItemPath(item, false) == entry) {
      Notify(progress::kDeleting, 0, name.c_str());
      return true;
    }
    if (WriteOperation().notifyWindow != nullptr) PumpMessages(nullptr);
  }
  return false;
}

}  // namespace ziprewrite
