// The check-list box: packing, state order, index checks, item height, keys over disabled
// items, toggles per check mode, and the frame and tick pixels.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "check_list_box.h"
#include "component_test_fixture.h"
#include "forms/form.h"
#include "gui_driver.h"

namespace {

using namespace forms;
using componenttest::ComponentTest;

TEST(CheckListStrings, PackingTable) {
  struct Case {
    const char* added;
    const char* stored;
    const char* text;
    TCheckState state;
    bool enabled;
    int tag;
  } cases[] = {
      {"Grüße.zip", "0|Grüße.zip|1|0", "Grüße.zip", TCheckState::csUnchecked, true, 0},
      {"1|b.zip|0|7", "1|b.zip|0|7", "b.zip", TCheckState::csChecked, false, 7},
      {"2|c.zip", "2|c.zip|1|0", "c.zip", TCheckState::csGrayed, true, 0},
      {"9|d.zip|1|0", "0|d.zip|1|0", "d.zip", TCheckState::csUnchecked, true, 0},
      {"x|e.zip|y|z", "0|e.zip|1|0", "e.zip", TCheckState::csUnchecked, true, 0},
      {"1|f.zip|5|-3", "1|f.zip|1|-3", "f.zip", TCheckState::csChecked, true, -3},
  };
  TCheckListStrings list;
  for (const auto& c : cases) {
    const int i = list.Add(c.added);
    EXPECT_EQ(list.Raw(i), c.stored) << c.added;
    EXPECT_EQ(list[i], c.text) << c.added;
    EXPECT_EQ(list.State(i), c.state) << c.added;
    EXPECT_EQ(list.Enabled(i), c.enabled) << c.added;
    EXPECT_EQ(list.Tag(i), c.tag) << c.added;
  }
  EXPECT_EQ(list.IndexOf("c.zip"), 2);
  // Stored strings read directly: another number or no number reads as unchecked.
  list.SetRaw(0, "7|g.zip|0|1");
  EXPECT_EQ(list.State(0), TCheckState::csUnchecked);
  list.SetRaw(0, "|h.zip|no|1");
  EXPECT_EQ(list.State(0), TCheckState::csUnchecked);
  EXPECT_TRUE(list.Enabled(0));
  EXPECT_EQ(list[0], "h.zip");
}

TEST(CheckListStrings, SortingOnceKeepsFieldsAndLaterAddsAppend) {
  TCheckListStrings list;
  list.Add("2|cherry|1|3");
  list.Add("1|apple|0|1");
  list.Add("banana");
  int wholeRepaints = 0;
  list.OnItemChanged = [&](int index) { wholeRepaints += index == -1; };
  list.SetSortedOnce(true);
  EXPECT_EQ(list.Raw(0), "1|apple|0|1");
  EXPECT_EQ(list.Raw(1), "0|banana|1|0");
  EXPECT_EQ(list.Raw(2), "2|cherry|1|3");
  EXPECT_EQ(wholeRepaints, 1);
  list.Add("aardvark");  // appended, not inserted in order
  EXPECT_EQ(list[3], "aardvark");
  list.SetSortedOnce(true);  // already on: no second sort
  EXPECT_EQ(list[3], "aardvark");
}

TEST(CheckListBoxRules, NextStateTable) {
  using S = TCheckState;
  using O = TCheckOrder;
  struct Case {
    O order;
    S from, to;
  } cases[] = {{O::coCheckUncheck, S::csUnchecked, S::csChecked},
               {O::coCheckUncheck, S::csChecked, S::csUnchecked},
               {O::coCheckUncheck, S::csGrayed, S::csUnchecked},
               {O::coCheckUncheckGray, S::csUnchecked, S::csGrayed},
               {O::coCheckUncheckGray, S::csChecked, S::csUnchecked},
               {O::coCheckUncheckGray, S::csGrayed, S::csChecked},
               {O::coCheckGrayUncheck, S::csUnchecked, S::csChecked},
               {O::coCheckGrayUncheck, S::csChecked, S::csGrayed},
               {O::coCheckGrayUncheck, S::csGrayed, S::csUnchecked}};
  for (const auto& c : cases) EXPECT_EQ(TCheckListBox::NextState(c.from, c.order), c.to);
}

TEST(CheckListBoxRules, ItemHeight) {
  EXPECT_EQ(TCheckListBox::ComputeItemHeight(8, 96), 16);
  EXPECT_EQ(TCheckListBox::ComputeItemHeight(1, 96), 13);   // never below the check box
  EXPECT_EQ(TCheckListBox::ComputeItemHeight(10, 96), 19);  // 13 * 1.2 + 3
  EXPECT_EQ(TCheckListBox::ComputeItemHeight(8, 120), 19);
}

class CheckListBoxTest : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    form = std::make_unique<Form>(nullptr, FormCreateArgs{"Batch extraction", 100, 100, 300, 260});
    box = new TCheckListBox(form.get(), form.get(), TCheckListBoxCreateArgs{10, 10, 200, 150});
    box->OnStateChange = [this](Component&, int index, TCheckState& state) {
      changes.push_back(index);
      (void)state;
    };
    box->OnStateChanged = [this](Component&, int index, TCheckState) { changed.push_back(index); };
    form->Show();
  }
  void TearDown() override {
    form.reset();
    ComponentTest::TearDown();
  }
  void Fill() {
    box->Items().Add("0|a.zip|1|0");
    box->Items().Add("0|b.zip|0|0");  // disabled
    box->Items().Add("0|c.zip|1|0");
    box->Items().Add("0|d.zip|0|0");  // disabled
    box->Items().Add("0|e.zip|1|0");
  }
  LPARAM RowPoint(int row, int x) {
    return MAKELPARAM(x, row * box->ItemHeight() + box->ItemHeight() / 2);
  }
  std::unique_ptr<Form> form;
  TCheckListBox* box = nullptr;
  std::vector<int> changes, changed;
};

TEST_F(CheckListBoxTest, DefaultsHeightAndIndexChecks) {
  TCheckListBox plain(nullptr, form.get());
  EXPECT_EQ(plain.ItemHeight(), TCheckListBox::ComputeItemHeight(8, ScreenPixelsPerInch()));
  EXPECT_EQ(plain.CheckMode, TCheckMode::cmBoth);
  EXPECT_EQ(plain.CheckOrder, TCheckOrder::coCheckUncheck);
  EXPECT_TRUE(plain.IntegralHeight());
  EXPECT_EQ(plain.GetColor(), 0x80000005u);
  EXPECT_EQ(plain.RowCount(), 1);  // an empty list still has one row
  EXPECT_EQ(plain.CurrentItem(), -1);
  // The height fits whole rows plus the border.
  plain.SetBounds(0, 0, 121, 97);
  EXPECT_EQ((plain.Height() - 4) % plain.ItemHeight(), 0);
  Fill();
  EXPECT_THROW(box->State(5), std::out_of_range);
  EXPECT_THROW(box->State(-1), std::out_of_range);
  EXPECT_THROW(box->SetState(9, TCheckState::csChecked), std::out_of_range);
  EXPECT_THROW(box->ItemEnabled(5), std::out_of_range);
  EXPECT_FALSE(box->ItemEnabled(1));
  box->SetState(4, TCheckState::csGrayed);
  EXPECT_EQ(box->State(4), TCheckState::csGrayed);
  EXPECT_EQ(box->RowCount(), 5);
}

TEST_F(CheckListBoxTest, KeysSkipDisabledItems) {
  Fill();
  box->SelectDisabled = false;
  box->SetFocus();
  struct Step {
    WORD key;
    int current;
  } steps[] = {{VK_DOWN, 0},  // no current item: Down behaves like Home
               {VK_DOWN, 2}, {VK_DOWN, 4}, {VK_DOWN, 4}, {VK_UP, 2}, {VK_UP, 0},
               {VK_UP, 0},   {VK_END, 4},  {VK_HOME, 0}, {VK_END, 4}};
  for (const auto& s : steps) {
    guitest::Key(*box, s.key);
    EXPECT_EQ(box->CurrentItem(), s.current) << "key " << s.key;
  }
  box->SelectDisabled = true;
  guitest::Key(*box, VK_UP);
  EXPECT_EQ(box->CurrentItem(), 3);
  guitest::Key(*box, VK_HOME);
  EXPECT_EQ(box->CurrentItem(), 0);
  guitest::Key(*box, VK_DOWN);
  EXPECT_EQ(box->CurrentItem(), 1);
  // Space toggles the current item; a disabled one does not change and fires nothing.
  guitest::Char(*box, ' ');
  EXPECT_EQ(box->State(1), TCheckState::csUnchecked);
  EXPECT_TRUE(changes.empty());
  guitest::Key(*box, VK_HOME);
  guitest::Char(*box, ' ');
  EXPECT_EQ(box->State(0), TCheckState::csChecked);
  EXPECT_EQ(changes, std::vector<int>{0});
  EXPECT_EQ(changed, std::vector<int>{0});
}

TEST_F(CheckListBoxTest, TogglesPerCheckMode) {
  Fill();
  struct Case {
    TCheckMode mode;
    bool boxClickToggles, textDoubleClickToggles;
  } cases[] = {{TCheckMode::cmCheckboxClick, true, false},
               {TCheckMode::cmDoubleClick, false, true},
               {TCheckMode::cmBoth, true, true}};
  for (const auto& c : cases) {
    box->CheckMode = c.mode;
    box->SetState(2, TCheckState::csUnchecked);
    // A press on the check box of row 2.
    SendMessageA(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, RowPoint(2, 5));
    SendMessageA(box->Handle(), WM_LBUTTONUP, 0, RowPoint(2, 5));
    EXPECT_EQ(box->CurrentItem(), 2);
    EXPECT_EQ(box->State(2), c.boxClickToggles ? TCheckState::csChecked : TCheckState::csUnchecked)
        << static_cast<int>(c.mode);
    // A double click on the text of row 2 (its first press lands beside the box: no toggle).
    box->SetState(2, TCheckState::csUnchecked);
    SendMessageA(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, RowPoint(2, 60));
    SendMessageA(box->Handle(), WM_LBUTTONUP, 0, RowPoint(2, 60));
    SendMessageA(box->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, RowPoint(2, 60));
    SendMessageA(box->Handle(), WM_LBUTTONUP, 0, RowPoint(2, 60));
    EXPECT_EQ(box->State(2),
              c.textDoubleClickToggles ? TCheckState::csChecked : TCheckState::csUnchecked)
        << static_cast<int>(c.mode);
  }
  // A disabled row with SelectDisabled False is not even selected.
  box->SelectDisabled = false;
  SendMessageA(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, RowPoint(1, 5));
  SendMessageA(box->Handle(), WM_LBUTTONUP, 0, RowPoint(1, 5));
  EXPECT_EQ(box->CurrentItem(), 2);
  EXPECT_EQ(box->State(1), TCheckState::csUnchecked);
  // OnStateChange may change the new state.
  box->OnStateChange = [](Component&, int, TCheckState& state) { state = TCheckState::csGrayed; };
  box->Toggle(0);
  EXPECT_EQ(box->State(0), TCheckState::csGrayed);
}

TEST_F(CheckListBoxTest, FrameAndTickPixels) {
  box->Items().Add("1|checked.zip|1|0");
  box->Items().Add("0|unchecked.zip|1|0");
  box->SetCheckStyle(TCheckStyle::csNew);
  guitest::Pump(50);
  RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(box->Handle());
  const int h = box->ItemHeight();
  const int x0 = (h - 13) / 2, y0 = (h - 13) / 2, x1 = x0 + 13, y1 = y0 + 13;
  const COLORREF black = RGB(0, 0, 0);
  auto px = [&](int x, int y) { return GetPixel(dc, x, y) & 0xFFFFFF; };
  // The sunken frame: shadow on top and left, black inside it, highlight at the bottom right.
  EXPECT_EQ(px(x0, y0 + 5), ColorToRGB(clBtnShadow) & 0xFFFFFF);
  EXPECT_EQ(px(x0 + 5, y0), ColorToRGB(clBtnShadow) & 0xFFFFFF);
  EXPECT_EQ(px(x0 + 1, y0 + 5), black);
  EXPECT_EQ(px(x0 + 5, y1 - 1), ColorToRGB(clBtnHighlight) & 0xFFFFFF);
  EXPECT_EQ(px(x1 - 1, y0 + 5), ColorToRGB(clBtnHighlight) & 0xFFFFFF);
  // The tick of row 0: its lowest point (l+2, m+3) is black; row 1 has a window-coloured inside.
  const int l = x0 + 3, t = y0 + 3, b = y1 - 3, m = t + (b - t) / 2;
  EXPECT_EQ(px(l + 2, m + 3), black);
  EXPECT_EQ(px(l + 7, m - 2), ColorToRGB(clWindow) & 0xFFFFFF);  // a line's end point is not drawn
  EXPECT_EQ(px(l + 6, m - 1), black);
  EXPECT_EQ(px(l + 2, h + m + 3), ColorToRGB(clWindow) & 0xFFFFFF);
  ReleaseDC(box->Handle(), dc);
  guitest::SaveScreenshot(form->Handle(), "check_list_box.bmp");
}

TEST_F(CheckListBoxTest, EmptyListDrawsOneRowWithoutACheckBox) {
  EXPECT_EQ(box->RowCount(), 1);
  RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(box->Handle());
  const int h = box->ItemHeight();
  const int x0 = (h - 13) / 2, y0 = (h - 13) / 2;
  const COLORREF window = ColorToRGB(clWindow) & 0xFFFFFF;
  EXPECT_EQ(GetPixel(dc, x0, y0 + 5) & 0xFFFFFF, window);
  EXPECT_EQ(GetPixel(dc, x0 + 1, y0 + 5) & 0xFFFFFF, window);
  ReleaseDC(box->Handle(), dc);
  box->Toggle(0);  // nothing to toggle
  EXPECT_TRUE(changes.empty());
}

}  // namespace
