// Which entries a host's selection names, for deleting by selection: the host's item list
// (hListZIPITEM, filled by the control's item list) and its selection, either a list box with
// several selected items (hListSelected, whose indexes name items of hListZIPITEM) or the list
// view itself.
#pragma once

#include <windows.h>

#include <string>

namespace ziprewrite {

class SelectionMatcher {
 public:
  SelectionMatcher(HWND listItems, HWND listSelected, BOOL listIsListCtrl);
  // Every entry is selected: the whole list is, and it has at least one item.
  bool SelectsAll() const { return all_; }
  // Whether the selection names the entry; a recognised entry is reported (kDeleting).
  bool Selects(const std::string& name) const;

 private:
  HWND items_;
  HWND selected_;
  bool listView_;
  bool all_ = false;
};

}  // namespace ziprewrite
