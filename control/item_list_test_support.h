// Helpers of the item-list tests: the fixtures, host windows holding a list box and a list view,
// subclassing that records or refuses messages; screenshots are the toolkit's (dialog_robot.h).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_robot.h"
#include "win_test_util.h"

namespace itemlisttest {

inline std::string FixtureDir() { return testutil::BinaryDir() + "control\\fixtures\\item_list\\"; }
// Archives the delete tests wrote, judged by the peers afterwards (writer_check.sh).
inline std::string OutputDir() {
  const std::string dir = testutil::BinaryDir() + "control\\itemlist_out\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

// One row of items.txt: what python's zipfile says of an entry.
struct ExpectedItem {
  std::string archive;
  int index = 0;
  std::string dir, name;
  int isDir = 0, encrypted = 0, method = 0, day = 0, month = 0, year = 0, hour = 0, minute = 0;
  long size = 0;
  int rate = 0;
  double crc = 0;
  int archiveBit = 0, hidden = 0, system = 0, readOnly = 0, annotated = 0;
};

inline std::vector<ExpectedItem> ExpectedItems(const std::string& archive) {
  std::vector<ExpectedItem> items;
  for (const auto& row : testutil::ReadManifest(FixtureDir() + "items.txt")) {
    if (row.size() < 20 || row[0] != archive) continue;
    ExpectedItem e;
    e.archive = row[0];
    e.index = std::stoi(row[1]);
    e.dir = row[2];
    e.name = row[3] == " " ? "" : row[3];
    int* ints[] = {&e.isDir, &e.encrypted, &e.method, &e.day,
                   &e.month, &e.year,      &e.hour,   &e.minute};
    for (int i = 0; i < 8; ++i) *ints[i] = std::stoi(row[4 + static_cast<size_t>(i)]);
    e.size = std::stol(row[12]);
    e.rate = std::stoi(row[13]);
    e.crc = std::stod(row[14]);
    e.archiveBit = std::stoi(row[15]);
    e.hidden = std::stoi(row[16]);
    e.system = std::stoi(row[17]);
    e.readOnly = std::stoi(row[18]);
    e.annotated = std::stoi(row[19]);
    items.push_back(e);
  }
  return items;
}

// A visible top-level window holding a list box (extended selection, not sorted) and a list
// view (report style unless told otherwise).
class ListHost {
 public:
  explicit ListHost(DWORD viewStyle = LVS_REPORT) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    frame_ = CreateWindowExA(0, "STATIC", "item list host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20,
                             20, 640, 480, nullptr, nullptr, nullptr, nullptr);
    listBox_ = CreateWindowExA(0, "LISTBOX", "",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOTIFY, 0,
                               0, 300, 440, frame_, nullptr, nullptr, nullptr);
    listView_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | viewStyle, 310, 0, 320,
                                440, frame_, nullptr, nullptr, nullptr);
    if (listView_ != nullptr) {
      LVCOLUMNA column = {};
      column.mask = LVCF_WIDTH;
      column.cx = 200;
      SendMessageA(listView_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    }
  }
  ~ListHost() {
    if (frame_ != nullptr) DestroyWindow(frame_);
  }
  ListHost(const ListHost&) = delete;
  ListHost& operator=(const ListHost&) = delete;
  HWND frame() const { return frame_; }
  HWND listBox() const { return listBox_; }
  HWND listView() const { return listView_; }

 private:
  HWND frame_ = nullptr;
  HWND listBox_ = nullptr;
  HWND listView_ = nullptr;
};

// A window handle as an I4 argument.
inline long Handle(HWND window) {
  return static_cast<long>(static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)));
}

inline int ListBoxCount(HWND list) {
  return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
}
inline int ListViewCount(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}
inline std::string ListBoxText(HWND list, int index) {
  char text[2048] = {};
  SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return text;
}
inline LPARAM ListViewParam(HWND list, int index) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.lParam;
}
inline void SelectListViewItem(HWND list, int index, bool selected) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

// Subclasses a window while it lives; the hook sees each message first and may answer it
// (return true with *result set) instead of the window.
class Subclass {
 public:
  using Hook = std::function<bool(UINT, WPARAM, LPARAM, LRESULT*)>;
  Subclass(HWND window, Hook hook) : window_(window), hook_(std::move(hook)) {
    Current() = this;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
  }
  ~Subclass() {
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    Current() = nullptr;
  }
  Subclass(const Subclass&) = delete;
  Subclass& operator=(const Subclass&) = delete;

 private:
  static Subclass*& Current() {
    static Subclass* current = nullptr;
    return current;
  }
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Subclass* self = Current();
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    try {
      if (self->hook_(message, wParam, lParam, &result)) return result;
    } catch (...) {
    }
    return CallWindowProcA(self->previous_, window, message, wParam, lParam);
  }
  HWND window_;
  Hook hook_;
  WNDPROC previous_ = nullptr;
};

}  // namespace itemlisttest
