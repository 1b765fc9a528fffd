// TCheckListBox: a list of text items, each with a check box (unchecked, checked or grayed) and
// each enabled on its own, drawn as a one-column row list. Each item's state, enabled flag and
// tag are packed into its stored string as "state|text|enabled|tag" (TCheckListStrings).
#pragma once

#include <functional>
#include <string>

#include "forms/row_list.h"
#include "forms/string_list.h"

enum class TCheckState { csUnchecked, csChecked, csGrayed };
enum class TCheckMode { cmCheckboxClick, cmDoubleClick, cmBoth };
enum class TCheckOrder { coCheckUncheck, coCheckUncheckGray, coCheckGrayUncheck };
enum class TCheckStyle { csAutoDetect, csNew, csWin31 };

class TCheckListStrings : public forms::StringList {
 public:
  struct Fields {
    TCheckState state = TCheckState::csUnchecked;
    std::string text;
    bool enabled = true;
    int tag = 0;
  };
  // The four fields of a stored string, with the defaults for missing or unreadable ones.
  static Fields Unpack(const std::string& stored);
  static std::string Pack(const Fields& fields);
  // A plain text becomes "0|text|1|0"; a text with "|" is rebuilt from its fields.
  static std::string PackText(const std::string& text);

  std::string Get(int index) const override;
  void Put(int index, const std::string& text) override;
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  void Clear() override;

  TCheckState State(int index) const;
  void SetState(int index, TCheckState state);
  bool Enabled(int index) const;
  void SetEnabled(int index, bool enabled);
  int Tag(int index) const;
  void SetTag(int index, int tag);
  // Sorts once when switched on (by the visible text, keeping each item's fields); items added
  // later are appended.
  void SetSortedOnce(bool sorted);
  bool SortedFlag() const { return sortedFlag_; }

  std::function<void()> OnListChanged;
  std::function<void(int index)> OnItemChanged;

 private:
  void QuickSort(int low, int high);
  void ItemChanged(int index) {
    if (OnItemChanged) OnItemChanged(index);
  }
  void ListChanged() {
    if (OnListChanged) OnListChanged();
  }
  bool sortedFlag_ = false;
};

struct TCheckListBoxCreateArgs {
  int left = 0, top = 0, width = 121, height = 97;
};

class TCheckListBox : public forms::RowList {
 public:
  using CreateArgs = TCheckListBoxCreateArgs;
  TCheckListBox(forms::Component* owner, forms::WinControl* parent,
                const CreateArgs& args = CreateArgs());

  TCheckListStrings& Items() { return items_; }
  void SetItems(const forms::StringList& items);
  // Outside 0..Count-1 these throw std::out_of_range.
  TCheckState State(int index) const;
  void SetState(int index, TCheckState state);
  bool ItemEnabled(int index) const;

  bool CheckCtl3D() const { return checkCtl3D_; }
  void SetCheckCtl3D(bool value);
  TCheckMode CheckMode = TCheckMode::cmBoth;
  TCheckOrder CheckOrder = TCheckOrder::coCheckUncheck;
  TCheckStyle CheckStyle() const { return checkStyle_; }
  void SetCheckStyle(TCheckStyle value);
  bool GrayCheckMark() const { return grayCheckMark_; }
  void SetGrayCheckMark(bool value);
  bool IntegralHeight() const { return integralHeight_; }
  void SetIntegralHeight(bool value);
  int ItemHeight() const { return RowHeight(); }
  bool SelectDisabled = true;
  bool ShowFocusRect() const { return showFocusRect_; }
  void SetShowFocusRect(bool value);
  bool Sorted() const { return items_.SortedFlag(); }
  void SetSorted(bool value) { items_.SetSortedOnce(value); }
  int CurrentItem() const { return current_; }
  void SetCurrentItem(int index);

  std::function<void(forms::Component& sender, int index, TCheckState& newState)> OnStateChange;
  std::function<void(forms::Component& sender, int index, TCheckState newState)> OnStateChanged;

  // The item height for a font size in points at a screen resolution.
  static int ComputeItemHeight(int points, int pixelsPerInch);
  static TCheckState NextState(TCheckState state, TCheckOrder order);
  bool NewLook() const;
  void Toggle(int index);
  void WndProc(forms::Message& message) override;
  void DblClick() override;
  static constexpr int kMinItemHeight = 13;

 protected:
  void DrawCell(forms::Canvas& canvas, int row, const RECT& rect) override;
  void KeyDown(WORD& key, forms::ShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(forms::MouseButton button, forms::ShiftState shift, int x, int y) override;

 private:
  void UpdateRowCount();
  void UpdateItemHeight();
  void FitHeight();
  void CheckIndex(int index) const;
  TCheckListStrings items_;
  bool checkCtl3D_ = true;
  TCheckStyle checkStyle_ = TCheckStyle::csAutoDetect;
  bool grayCheckMark_ = false;
  bool integralHeight_ = true;
  bool showFocusRect_ = true;
  int current_ = -1;
  RECT focusRect_ = {0, 0, 0, 0};
  bool fitting_ = false;
};
