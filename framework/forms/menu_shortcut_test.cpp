// Menu shortcuts on a form of their own, built with forms::Add: a main menu item's key runs it
// and shows after its caption; nothing runs while the item or a menu above it is disabled; a
// focused edit that uses the key (an edit box, a list's caption edit) gets it instead.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "forms/buttons.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/form_test_fixture.h"
#include "forms/list_view.h"
#include "forms/menus.h"
#include "gui_driver.h"

namespace {

using namespace forms;
using formstest::FormsTest;

class ShortcutForm : public Form {
 public:
  ShortcutForm()
      : Form(nullptr, FormCreateArgs{.caption = "Shortcuts", .width = 420, .height = 260}) {
    SetName("ShortcutForm");
    auto* menu = new MainMenu(this);
    menu->SetName("MainMenu1");
    Edit1 = Add(this, &menu->Items(), "Edit1", {.caption = "&Edit"});
    Delete1 = Add(this, Edit1, "Delete1", {.caption = "&Delete", .shortCut = VK_DELETE});
    Find1 = Add(this, Edit1, "Find1", {.caption = "&Find...", .shortCut = scCtrl | 'F'});
    Tools1 = Add(this, &menu->Items(), "Tools1", {.caption = "&Tools"});
    More1 = Add(this, Tools1, "More1", {.caption = "&More"});
    Run1 = Add(this, More1, "Run1", {.caption = "&Run", .shortCut = scCtrl | scShift | 'R'});
    SetMenu(menu);
    Delete1->OnClick = [this](Component&) { ++deletes; };
    Find1->OnClick = [this](Component&) { ++finds; };
    Run1->OnClick = [this](Component&) { ++runs; };
    OkButton = Add<Button>(this, this, "OkButton", {.caption = "OK", .left = 8, .top = 8});
    NameEdit = Add<Edit>(this, this, "NameEdit", {.text = "abc", .left = 8, .top = 40});
    List = Add<ListView>(
        this, this, "List",
        {.left = 8, .top = 70, .width = 300, .viewStyle = ViewStyle::vsList, .readOnly = false});
    List->AddItem("name.txt");
    Loaded();
  }
  MenuItem* Edit1;
  MenuItem* Delete1;
  MenuItem* Find1;
  MenuItem* Tools1;
  MenuItem* More1;
  MenuItem* Run1;
  Button* OkButton;
  Edit* NameEdit;
  ListView* List;
  int deletes = 0, finds = 0, runs = 0;
};

std::string MenuText(HMENU menu, int position) {
  char text[128] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

TEST_F(FormsTest, AShortcutRunsItsItemAndShowsInTheCaption) {
  ShortcutForm form;
  form.Show();
  HMENU edit = GetSubMenu(GetMenu(form.Handle()), 0);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(MenuText(edit, 0), "&Delete\tDel");
  EXPECT_EQ(MenuText(edit, 1), "&Find...\tCtrl+F");
  EXPECT_EQ(form.Find1->Caption(), "&Find...");  // the caption itself stays as given
  HMENU more = GetSubMenu(GetSubMenu(GetMenu(form.Handle()), 1), 0);
  EXPECT_EQ(MenuText(more, 0), "&Run\tShift+Ctrl+R");

  guitest::Key(*form.OkButton, VK_DELETE);
  guitest::Key(*form.OkButton, 'F', ssCtrl);
  guitest::Key(*form.OkButton, 'R', ssCtrl | ssShift);
  EXPECT_EQ(form.deletes, 1);
  EXPECT_EQ(form.finds, 1);
  EXPECT_EQ(form.runs, 1);
  guitest::Key(*form.OkButton, 'F');  // the letter alone is no shortcut
  guitest::Key(*form.OkButton, 'R', ssCtrl);
  EXPECT_EQ(form.finds, 1);
  EXPECT_EQ(form.runs, 1);

  // A shortcut set later shows and runs too; a cleared one does neither.
  form.Find1->SetShortCut(VK_F3);
  EXPECT_EQ(MenuText(edit, 1), "&Find...\tF3");
  guitest::Key(*form.OkButton, VK_F3);
  guitest::Key(*form.OkButton, 'F', ssCtrl);
  EXPECT_EQ(form.finds, 2);
  form.Find1->SetShortCut(0);
  EXPECT_EQ(MenuText(edit, 1), "&Find...");
  guitest::Key(*form.OkButton, VK_F3);
  EXPECT_EQ(form.finds, 2);

  const struct {
    WORD key;
    ShiftState shift;
    const char* text;
  } texts[] = {{VK_DELETE, 0, "Del"},
               {'O', ssCtrl, "Ctrl+O"},
               {VK_F5, ssShift, "Shift+F5"},
               {'X', ssAlt, "Alt+X"},
               {VK_INSERT, ssCtrl | ssShift, "Shift+Ctrl+Ins"},
               {'7', ssCtrl, "Ctrl+7"},
               {0, ssCtrl, ""}};
  for (const auto& t : texts) EXPECT_EQ(ShortCutText(MakeShortCut(t.key, t.shift)), t.text);
}

TEST_F(FormsTest, AShortcutDoesNothingWhileItsItemOrAMenuAboveIsDisabled) {
  ShortcutForm form;
  form.Show();
  const struct {
    const char* disabled;
    MenuItem* ShortcutForm::*item;
    WORD key;
    ShiftState shift;
    int ShortcutForm::*count;
  } cases[] = {
      {"Delete1", &ShortcutForm::Delete1, VK_DELETE, 0, &ShortcutForm::deletes},
      {"Edit1", &ShortcutForm::Delete1, VK_DELETE, 0, &ShortcutForm::deletes},
      {"Run1", &ShortcutForm::Run1, 'R', ssCtrl | ssShift, &ShortcutForm::runs},
      {"More1", &ShortcutForm::Run1, 'R', ssCtrl | ssShift, &ShortcutForm::runs},
      {"Tools1", &ShortcutForm::Run1, 'R', ssCtrl | ssShift, &ShortcutForm::runs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.disabled);
    auto& disabled = guitest::Get<MenuItem>(form, c.disabled);
    const int before = form.*c.count;
    disabled.SetEnabled(false);
    guitest::Key(*form.OkButton, c.key, c.shift);
    EXPECT_EQ(form.*c.count, before);
    disabled.SetEnabled(true);
    guitest::Key(*form.OkButton, c.key, c.shift);
    EXPECT_EQ(form.*c.count, before + 1);
  }
  // A hidden item's key does not run either.
  form.Delete1->SetVisible(false);
  guitest::Key(*form.OkButton, VK_DELETE);
  EXPECT_EQ(form.deletes, 2);
}

TEST_F(FormsTest, AFocusedEditThatUsesTheKeyGetsIt) {
  ShortcutForm form;
  form.Show();
  // Delete in an edit box deletes there; Ctrl+F, which the edit does not use, still finds.
  form.NameEdit->SetFocus();
  SendMessageA(form.NameEdit->Handle(), EM_SETSEL, 0, 0);
  guitest::Key(*form.NameEdit, VK_DELETE);
  EXPECT_EQ(form.NameEdit->Text(), "bc");
  EXPECT_EQ(form.deletes, 0);
  guitest::Key(*form.NameEdit, 'F', ssCtrl);
  EXPECT_EQ(form.finds, 1);

  // Delete in the list's caption edit edits the caption.
  form.List->SetFocus();
  HWND captionEdit =
      reinterpret_cast<HWND>(SendMessageA(form.List->Handle(), LVM_EDITLABELA, 0, 0));
  ASSERT_NE(captionEdit, nullptr);
  guitest::Pump(50);
  SendMessageA(captionEdit, EM_SETSEL, 0, 0);
  PostMessageA(captionEdit, WM_KEYDOWN, VK_DELETE, 1);
  PostMessageA(captionEdit, WM_KEYUP, VK_DELETE, 0xC0000001);
  guitest::Pump(50);
  EXPECT_EQ(guitest::WindowText(captionEdit), "ame.txt");
  EXPECT_EQ(form.deletes, 0);
  PostMessageA(captionEdit, WM_KEYDOWN, VK_ESCAPE, 1);
  guitest::Pump(50);

  // Back on a control that types nothing, the key is the item's again.
  guitest::Key(*form.OkButton, VK_DELETE);
  EXPECT_EQ(form.deletes, 1);
  guitest::SaveScreenshot(form.Handle(), "forms_shortcuts.bmp");
}

}  // namespace
