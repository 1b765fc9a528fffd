// The system's list view. It keeps no object per item: texts live in the control (or come from
// OnGetText for items inserted with callback texts), item data are read only when asked for and
// never looked at otherwise, and image lists are shared (the list view never destroys them).
// Items that somebody else inserts into the window directly are therefore safe.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "forms/image.h"
#include "forms/label.h"
#include "forms/win_control.h"

namespace forms {

enum class ViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

struct ListViewCreateArgs {
  int left = 0, top = 0, width = 250, height = 150;
  ViewStyle viewStyle = ViewStyle::vsIcon;
  bool multiSelect = false;
  bool readOnly = true;  // no caption editing
  bool showColumnHeaders = true;
  bool hideSelection = true;
};

class ListView : public WinControl {
 public:
  using CreateArgs = ListViewCreateArgs;
  ListView(Component* owner, WinControl* parent, const CreateArgs& args = CreateArgs());

  void AddColumn(const std::string& caption, int width,
                 Alignment alignment = Alignment::taLeftJustify);
  int ColumnCount() const;
  int ColumnWidth(int column) const;
  void SetViewStyle(ViewStyle style);
  ViewStyle GetViewStyle() const;

  int Count() const;
  // Inserts an item; a null text asks OnGetText (or the owner of the window) for it each time.
  int InsertItem(int index, const char* text, int image = -1, LPARAM data = 0);
  int AddItem(const std::string& text, int image = -1, LPARAM data = 0) {
    return InsertItem(Count(), text.c_str(), image, data);
  }
  void SetItemText(int item, int subItem, const std::string& text);
  std::string ItemText(int item, int subItem = 0) const;
  LPARAM ItemData(int item) const;
  int ItemImage(int item) const;
  void DeleteItem(int item);
  void Clear();
  int Selected() const;  // the first selected item, -1 for none
  std::vector<int> SelectedItems() const;
  int SelCount() const;
  void SetSelected(int item, bool selected);
  void SetFocusedItem(int item);
  void EditCaption(int item);

  void SetSmallImages(ImageList* images);
  void SetLargeImages(ImageList* images);
  ImageList* SmallImages() const { return smallImages_; }
  ImageList* LargeImages() const { return largeImages_; }

  // Sorts by a comparison of item data (LVM_SORTITEMS); a comparer that throws is reported once
  // and the sort finishes with the remaining pairs equal.
  using Comparer = std::function<int(LPARAM first, LPARAM second)>;
  void SortItems(const Comparer& compare);

  std::function<void(Component&, int column)> OnColumnClick;
  std::function<void(Component&, int item)> OnChange;
  std::function<void(Component&, int item, LPARAM data)> OnDeletion;
  std::function<void(Component&, int item, bool& allow)> OnEditing;
  std::function<void(Component&, int item, std::string& text, bool& accept)> OnEdited;
  // The framework's text supply for items inserted with callback texts.
  std::function<std::string(int item, int subItem, LPARAM data)> OnGetText;

  void WndProc(Message& message) override;

 protected:
  // The reflected notifications (CN_NOTIFY) of the list view.
  virtual void Notify(Message& message);
  void Notification(Component* component, Operation operation) override;

 private:
  static int CALLBACK CompareItems(LPARAM first, LPARAM second, LPARAM self);
  const Comparer* comparer_ = nullptr;
  bool comparerFailed_ = false;
  ImageList* smallImages_ = nullptr;
  ImageList* largeImages_ = nullptr;
  std::string textBuffer_;  // the text handed back by the last LVN_GETDISPINFOA
};

}  // namespace forms
