// The main window's shortcuts, list keys, toolbar, context items, double click and view styles:
// each runs its menu item's click of the moment (the items' clicks replaced by recorders after
// the window was made), only while the item and the menus above it are enabled, and never while
// the list's caption edit has the focus.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

#include "app_test_support.h"
#include "captions.h"
#include "forms/menus.h"
#include "gui_driver.h"
#include "toolbar_images.h"
#include "win_test_util.h"

namespace {

using forms::scCtrl;
using pelloro::TMainfrm;

class CommandMapTest : public apptest::AppTest {
 protected:
  // Replaces the clicks of the items named with recorders of their runs.
  void Record(TMainfrm& main, std::initializer_list<const char*> items) {
    for (const char* name : items) {
      guitest::Get<forms::MenuItem>(main, name).OnClick = [this, name](forms::Component&) {
        ++runs[name];
      };
    }
  }
  std::map<std::string, int> runs;
};

const struct {
  const char* item;
  WORD key;
  forms::ShiftState shift;
  const char* text;
} kShortcuts[] = {
    {"OpenZipfile1", 'O', forms::ssCtrl, "Ctrl+O"},
    {"OpenfromFavourites1", 'F', forms::ssCtrl, "Ctrl+F"},
    {"CreateNewZip1", 'N', forms::ssCtrl, "Ctrl+N"},
    {"Exit1", 'X', forms::ssCtrl, "Ctrl+X"},
    {"Addfiles1", VK_INSERT, 0, "Ins"},
    {"RemoveselectedFiles1", VK_DELETE, 0, "Del"},
    {"Extract1", 'E', forms::ssCtrl, "Ctrl+E"},
    {"MakeSFX1", 'S', forms::ssCtrl, "Ctrl+S"},
    {"Refresh1", VK_F5, 0, "F5"},
    {"RecyclingBin1", VK_DELETE, forms::ssCtrl, "Ctrl+Del"},
    {"DorrelIT1", 'P', forms::ssCtrl, "Ctrl+P"},
    {"JossanIT1", 'R', forms::ssCtrl, "Ctrl+R"},
    {"LaunchWindowsExplorer1", VK_F12, forms::ssCtrl, "Ctrl+F12"},
    {"Contents1", VK_F1, 0, "F1"},
    {"About1", 'A', forms::ssCtrl, "Ctrl+A"},
};

// The text Windows shows for a menu item (caption, tab, shortcut).
std::string MenuText(forms::MenuItem& item) {
  char text[256] = {};
  GetMenuStringA(item.Parent()->Handle(), item.Command(), text, sizeof text, MF_BYCOMMAND);
  return text;
}

TEST_F(CommandMapTest, TheShortcutsRunTheirItemsAndShowInTheCaptions) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(apptest::FixturePath("list folder\\list.zip")));
  for (const auto& s : kShortcuts) Record(main, {s.item});
  for (const auto& s : kShortcuts) {
    SCOPED_TRACE(s.item);
    auto& item = guitest::Get<forms::MenuItem>(main, s.item);
    EXPECT_EQ(forms::ShortCutText(item.GetShortCut()), s.text);
    const std::string shown = MenuText(item);
    EXPECT_NE(shown.find(std::string("\t") + s.text), std::string::npos) << shown;
    guitest::Key(*main.MSListview1, s.key, s.shift);
    EXPECT_EQ(runs[s.item], 1);
  }
  // The list's keypad decimal removes the selection too.
  guitest::Key(*main.MSListview1, VK_DECIMAL);
  EXPECT_EQ(runs["RemoveselectedFiles1"], 2);
  guitest::SaveScreenshot(main.Handle(), "pelloro_main_window.bmp");
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(CommandMapTest, WithoutAnArchiveTheActionKeysDoNothing) {
  TMainfrm& main = MakeMain();
  main.Show();
  Record(main, {"Extract1", "Addfiles1", "RemoveselectedFiles1", "CreateNewZip1"});
  guitest::Key(main, 'E', forms::ssCtrl);
  guitest::Key(main, VK_INSERT);
  guitest::Key(main, VK_DELETE);
  EXPECT_EQ(runs["Extract1"], 0);
  EXPECT_EQ(runs["Addfiles1"], 0);
  EXPECT_EQ(runs["RemoveselectedFiles1"], 0);
  guitest::Key(main, 'N', forms::ssCtrl);  // the File menu's are there
  EXPECT_EQ(runs["CreateNewZip1"], 1);
}

TEST_F(CommandMapTest, TheCaptionEditKeepsEveryKey) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(apptest::FixturePath("list folder\\list.zip")));
  Record(main, {"RemoveselectedFiles1", "Extract1", "Exit1", "Refresh1"});
  main.MSListview1->SetFocus();
  HWND edit =
      reinterpret_cast<HWND>(SendMessageA(main.MSListview1->Handle(), LVM_EDITLABELA, 0, 0));
  ASSERT_NE(edit, nullptr);
  guitest::Pump(50);
  const std::string before = guitest::WindowText(edit);
  ASSERT_FALSE(before.empty());
  SendMessageA(edit, EM_SETSEL, 0, 0);
  for (const auto& key :
       {std::pair<WORD, bool>{VK_DELETE, false}, {'E', true}, {'X', true}, {VK_F5, false}}) {
    // Ctrl held as the keyboard state the forms layer reads.
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = key.second ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageA(edit, WM_KEYDOWN, key.first, 1);
    PostMessageA(edit, WM_KEYUP, key.first, 0xC0000001);
    guitest::Pump(50);
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
  }
  EXPECT_EQ(guitest::WindowText(edit), before.substr(1));  // Delete deleted there
  EXPECT_EQ(runs["RemoveselectedFiles1"], 0);
  EXPECT_EQ(runs["Extract1"], 0);
  EXPECT_EQ(runs["Exit1"], 0);
  EXPECT_EQ(runs["Refresh1"], 0);
  PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 1);
  guitest::Pump(50);
  // The edit gone, the keys are the items' again.
  guitest::Key(*main.MSListview1, 'E', forms::ssCtrl);
  EXPECT_EQ(runs["Extract1"], 1);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(CommandMapTest, ButtonsContextItemsAndDoubleClickRunTheirMenuItems) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(apptest::FixturePath("list folder\\list.zip")));
  const struct {
    const char* control;
    const char* item;
  } map[] = {
      {"ExplorerButton2", "CreateNewZip1"},
      {"ExplorerButton4", "Extract1"},
      {"ExplorerButton9", "RemoveselectedFiles1"},
      {"ExplorerButton6", "Addfiles1"},
      {"ExplorerButton7", "Properties1"},
      {"ExplorerButton8", "RepairCorruptZipfile1"},
      {"ExplorerButton5", "ViewExecuteselectedfile1"},
      {"ExplorerButton11", "UnzipWizard1"},
      {"ExplorerButton13", "MakeSFX1"},
      {"Unzip1", "Extract1"},
      {"RemoveSelectedFiles2", "RemoveselectedFiles1"},
      {"RemovefileswithWildcard1", "Removewithwildcard1"},
      {"AddFiles2", "Addfiles1"},
      {"Properties2", "Properties1"},
      {"ViewExecuteSelected1", "ViewExecuteselectedfile1"},
      {"MoveCopyZipfile1", "MoveCopyZip1"},
      {"Refresh2", "Refresh1"},
  };
  for (const auto& m : map) Record(main, {m.item});
  std::map<std::string, int> expected;
  for (const auto& m : map) {
    SCOPED_TRACE(m.control);
    if (auto* item = dynamic_cast<forms::MenuItem*>(guitest::Find(main, m.control))) {
      item->Click();
    } else {
      guitest::Click(main, m.control);
    }
    ++expected[m.item];
    EXPECT_EQ(runs[m.item], expected[m.item]);
  }
  // A double click on a row views it.
  RECT row = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageA(main.MSListview1->Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  const LPARAM at = MAKELPARAM(row.left + 10, (row.top + row.bottom) / 2);
  SendMessageA(main.MSListview1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(main.MSListview1->Handle(), WM_LBUTTONUP, 0, at);
  SendMessageA(main.MSListview1->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(main.MSListview1->Handle(), WM_LBUTTONUP, 0, at);
  guitest::Pump(50);
  EXPECT_EQ(runs["ViewExecuteselectedfile1"], expected["ViewExecuteselectedfile1"] + 1);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(CommandMapTest, TheViewStylesCheckOneItem) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(apptest::FixturePath("list folder\\list.zip")));
  auto checked = [&] {
    std::string names;
    for (const char* name : {"NoDetailsReport1", "Report1", "List1"}) {
      if (guitest::Get<forms::MenuItem>(main, name).Checked()) names += name;
    }
    return names;
  };
  EXPECT_EQ(checked(), "Report1");
  const struct {
    const char* item;
    DWORD style;
  } cases[] = {{"NoDetailsReport1", LVS_SMALLICON}, {"List1", LVS_LIST}, {"Report1", LVS_REPORT}};
  for (const auto& c : cases) {
    guitest::Get<forms::MenuItem>(main, c.item).Click();
    EXPECT_EQ(checked(), c.item);
    EXPECT_EQ(GetWindowLongA(main.MSListview1->Handle(), GWL_STYLE) & LVS_TYPEMASK, c.style);
  }
}

TEST_F(CommandMapTest, TheToolbarShowsWholeCaptionsAndPicturesAndPathFillsTheList) {
  TMainfrm& main = MakeMain();
  main.Show();
  guitest::Pump(50);
  int right = 0;
  for (TExplorerButton* b :
       {main.ExplorerButton1, main.ExplorerButton2, main.ExplorerButton12, main.ExplorerButton4,
        main.ExplorerButton9, main.ExplorerButton6, main.ExplorerButton7, main.ExplorerButton8,
        main.ExplorerButton5, main.ExplorerButton3, main.Installbtn, main.ExplorerButton11,
        main.ExplorerButton13, main.ExplorerButton10}) {
    SCOPED_TRACE(b->Name());
    EXPECT_FALSE(b->Bitmap().Empty());
    EXPECT_EQ(b->Bitmap().Width(), pelloro::kToolbarImageSize);
    EXPECT_GE(b->Left(), right);  // side by side
    right = b->Left() + b->Width();
    // Each word of the caption fits the button's width.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b->GetFont().Handle());
    std::string visible;
    for (char c : b->Caption()) {
      if (c != '&') visible += c;
    }
    size_t start = 0;
    while (start <= visible.size()) {
      const size_t end = std::min(visible.find(' ', start), visible.size());
      SIZE extent = {};
      GetTextExtentPoint32A(dc, visible.c_str() + start, static_cast<int>(end - start), &extent);
      EXPECT_LE(extent.cx + 4, b->Width()) << visible;
      start = end + 1;
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  EXPECT_LE(right, main.Toolbar->Width());  // all of them in the window's width
  EXPECT_FALSE(main.ExplorerButton4->Enabled());
  guitest::SaveScreenshot(main.Toolbar->Handle(), "pelloro_toolbar_closed.bmp");

  ASSERT_TRUE(main.OpenByTheRoad(apptest::FixturePath("list folder\\list.zip")));
  for (int width : {0, 900, 560}) {
    SCOPED_TRACE(width);
    if (width != 0) main.SetBounds(main.Left(), main.Top(), width, main.Height());
    guitest::Pump(50);
    RECT client = {};
    GetClientRect(main.MSListview1->Handle(), &client);
    EXPECT_EQ(main.MSListview1->ColumnWidth(0) + main.MSListview1->ColumnWidth(1) +
                  main.MSListview1->ColumnWidth(2),
              client.right);
  }
  guitest::SaveScreenshot(main.Handle(), "pelloro_main_window_listed.bmp");
  EXPECT_TRUE(exceptions.empty());
}

}  // namespace
