// Code-built forms driven by name as a user would: buttons, keys, modal loops, menus, the list
// view's notifications, windowless controls and the life of forms and menu items.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <stdexcept>

#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/form.h"
#include "forms/form_test_fixture.h"
#include "forms/label.h"
#include "forms/list_view.h"
#include "forms/lists.h"
#include "forms/menus.h"
#include "forms/message_dialogs.h"
#include "forms/panel.h"
#include "gui_driver.h"

namespace {

using namespace forms;
using formstest::FormsTest;

// A small dialog as the application's forms are built: components from their create-args,
// names, events bound to handlers, then Loaded.
class NameDialog : public Form {
 public:
  NameDialog() : Form(nullptr, MakeArgs()) {
    auto* label = new Label(this, this, LabelCreateArgs{"&Name:", 8, 12});
    label->SetName("NameLabel");
    NameEdit = new Edit(this, this, EditCreateArgs{"", 60, 8, 150});
    NameEdit->SetName("NameEdit");
    label->FocusControl = NameEdit;
    auto* apply = new Button(this, this, ButtonCreateArgs{"&Apply", 8, 40});
    apply->SetName("ApplyButton");
    apply->OnClick = [this](Component&) { ApplyButtonClick(); };
    auto* ok = new Button(this, this, ButtonCreateArgs{"OK", 88, 40, 75, 25, true, false, mrOk});
    ok->SetName("OkButton");
    auto* cancel =
        new Button(this, this, ButtonCreateArgs{"Cancel", 168, 40, 75, 25, false, true, mrCancel});
    cancel->SetName("CancelButton");
    Loaded();
  }
  void ApplyButtonClick() { Applied = NameEdit->Text(); }
  Edit* NameEdit;
  std::string Applied;

 private:
  static FormCreateArgs MakeArgs() {
    FormCreateArgs a;
    a.caption = "Name dialog";
    a.width = 270;
    a.height = 110;
    a.borderStyle = BorderStyle::bsDialog;
    return a;
  }
};

// A windowless control that counts clicks and mouse crossings.
class Pad : public GraphicControl {
 public:
  Pad(Component* owner, WinControl* parent, RECT r) : GraphicControl(owner, parent) {
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
  int painted = 0;

 protected:
  void Paint() override {
    ++painted;
    GetCanvas().Brush.color = clNavy;
    RECT r = ClientRect();
    GetCanvas().FillRect(r);
  }
};

TEST_F(FormsTest, CodeBuiltFormIsDrivenByName) {
  NameDialog dialog;
  dialog.Show();
  guitest::SetText(guitest::Get<Edit>(dialog, "NameEdit"), "Grüße café");
  guitest::Click(dialog, "ApplyButton");
  EXPECT_EQ(dialog.Applied, "Grüße café");
  EXPECT_TRUE(dialog.IsLoaded());
  EXPECT_EQ(guitest::Find(dialog, "nameedit"), dialog.NameEdit);  // names ignore case
  EXPECT_THROW(dialog.NameEdit->SetName("OkButton"), std::invalid_argument);
  EXPECT_EQ(guitest::Find(dialog, "NoSuchThing"), nullptr);
}

TEST_F(FormsTest, ShowModalReturnsTheResultTheClickSet) {
  struct Case {
    const char* button;
    int result;
  } cases[] = {{"OkButton", mrOk}, {"CancelButton", mrCancel}};
  for (const auto& c : cases) {
    NameDialog dialog;
    bool visibleInside = false;
    guitest::OnModal([&](Form& form) {
      visibleInside = IsWindowVisible(form.Handle()) != FALSE;
      guitest::Click(form, c.button);
    });
    EXPECT_EQ(dialog.ShowModal(), c.result) << c.button;
    EXPECT_TRUE(visibleInside);
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
  }
}

TEST_F(FormsTest, EnterAndEscapeClickDefaultAndCancel) {
  struct Case {
    WORD key;
    int result;
  } cases[] = {{VK_RETURN, mrOk}, {VK_ESCAPE, mrCancel}};
  for (const auto& c : cases) {
    NameDialog dialog;
    guitest::OnModal(
        [&](Form& form) { guitest::Key(guitest::Get<Edit>(form, "NameEdit"), c.key); });
    EXPECT_EQ(dialog.ShowModal(), c.result);
  }
  // Enter on a focused push button clicks that button, not the default one.
  NameDialog dialog;
  guitest::OnModal([&](Form& form) {
    guitest::SetText(guitest::Get<Edit>(form, "NameEdit"), "typed");
    guitest::Key(guitest::Get<Button>(form, "ApplyButton"), VK_RETURN);
    form.SetModalResult(mrAbort);
  });
  EXPECT_EQ(dialog.ShowModal(), mrAbort);
  EXPECT_EQ(dialog.Applied, "typed");
}

TEST_F(FormsTest, TabWalksTheTabStopsInCreationOrder) {
  NameDialog dialog;
  dialog.Show();
  guitest::Pump(50);
  dialog.NameEdit->SetFocus();
  const char* order[] = {"NameEdit", "ApplyButton", "OkButton", "CancelButton", "NameEdit"};
  for (int i = 1; i < 5; ++i) {
    guitest::Key(guitest::Get<WinControl>(dialog, order[i - 1]), VK_TAB);
    EXPECT_EQ(GetFocus(), guitest::Get<WinControl>(dialog, order[i]).Handle()) << order[i];
  }
  dialog.NameEdit->SetFocus();
  guitest::Key(*dialog.NameEdit, VK_TAB, ssShift);
  EXPECT_EQ(GetFocus(), guitest::Get<WinControl>(dialog, "CancelButton").Handle());
}

TEST_F(FormsTest, KeyPreviewSeesKeysFirstAndCanEatThem) {
  NameDialog dialog;
  dialog.KeyPreview = true;
  std::vector<WORD> seen;
  dialog.OnKeyDown = [&](Component&, WORD& key, ShiftState) {
    seen.push_back(key);
    if (key == VK_RETURN) key = 0;  // eaten: the default button does not see it
  };
  dialog.Show();
  guitest::Key(*dialog.NameEdit, VK_RETURN);
  EXPECT_EQ(dialog.ModalResult(), mrNone);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], VK_RETURN);
}

TEST_F(FormsTest, AltLetterGoesToTheControlWithThatAccelerator) {
  NameDialog dialog;
  dialog.Show();
  dialog.NameEdit->SetCaption("by accelerator");
  guitest::Get<Button>(dialog, "OkButton").SetFocus();
  guitest::AltKey(dialog, 'a');
  EXPECT_EQ(dialog.Applied, "by accelerator");
  guitest::AltKey(dialog, 'N');  // the label's accelerator focuses its edit
  EXPECT_EQ(GetFocus(), dialog.NameEdit->Handle());
}

TEST_F(FormsTest, NotificationsReachTheListView) {
  Form form(nullptr, FormCreateArgs{"List view", 100, 100, 400, 300});
  ListViewCreateArgs args;
  args.viewStyle = ViewStyle::vsReport;
  args.width = 380;
  args.height = 250;
  auto* view = new ListView(&form, &form, args);
  view->AddColumn("Name", 200);
  view->AddColumn("Size", 100, Alignment::taRightJustify);
  std::vector<int> changed;
  view->OnChange = [&](Component&, int item) { changed.push_back(item); };
  std::vector<LPARAM> deleted;
  view->OnDeletion = [&](Component&, int, LPARAM data) { deleted.push_back(data); };
  view->OnGetText = [](int item, int sub, LPARAM data) {
    return "item " + std::to_string(item) + "." + std::to_string(sub);
  };
  view->AddItem("Grüße.txt", -1, 11);
  view->InsertItem(1, nullptr, -1, 22);  // its text comes from OnGetText
  view->SetItemText(0, 1, "1 024");
  form.Show();
  EXPECT_EQ(view->Count(), 2);
  EXPECT_EQ(view->ColumnCount(), 2);
  EXPECT_EQ(view->ItemText(0), "Grüße.txt");
  EXPECT_EQ(view->ItemText(0, 1), "1 024");
  EXPECT_EQ(view->ItemText(1), "item 1.0");
  EXPECT_EQ(view->ItemData(1), 22);
  view->SetSelected(1, true);
  EXPECT_EQ(view->Selected(), 1);
  EXPECT_FALSE(changed.empty());
  // Sorting by item data, largest first.
  view->SortItems([](LPARAM a, LPARAM b) { return static_cast<int>(b - a); });
  EXPECT_EQ(view->ItemData(0), 22);
  view->Clear();
  EXPECT_EQ(view->Count(), 0);
  EXPECT_EQ(deleted.size(), 2u);
  guitest::SaveScreenshot(form.Handle(), "forms_list_view.bmp");
}

TEST_F(FormsTest, MenusMirrorTheTreeAndClickByCaption) {
  Form form(nullptr, FormCreateArgs{"Menus"});
  auto* menu = new MainMenu(&form);
  auto* file = new MenuItem(&form, "&File");
  menu->Items().Add(file);
  auto* open = new MenuItem(&form, "&Open...");
  auto* reopen = new MenuItem(&form, "&Reopen");
  auto* recent = new MenuItem(&form, "&1 C:\\R&&D\\a.zip");
  file->Add(open);
  file->Add(reopen);
  reopen->Add(recent);
  form.SetMenu(menu);
  int opened = 0, recentClicks = 0;
  open->OnClick = [&](Component&) { ++opened; };
  recent->OnClick = [&](Component&) { ++recentClicks; };
  form.Show();
  char text[64] = {};
  GetMenuStringA(GetMenu(form.Handle()), 0, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "&File");
  HMENU fileMenu = GetSubMenu(GetMenu(form.Handle()), 0);
  ASSERT_NE(fileMenu, nullptr);
  EXPECT_EQ(GetMenuItemCount(fileMenu), 2);
  GetMenuStringA(GetSubMenu(fileMenu, 1), 0, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "&1 C:\\R&&D\\a.zip");
  EXPECT_TRUE(guitest::ClickMenu(form, "&File|&Open..."));
  EXPECT_TRUE(
      guitest::ClickMenu(form, "File|Reopen|1 C:\\R&&D\\a.zip"));  // captions compare without marks
  EXPECT_FALSE(guitest::ClickMenu(form, "&File|&Close"));
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(recentClicks, 1);
  open->SetEnabled(false);
  EXPECT_TRUE(GetMenuState(fileMenu, 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_TRUE(guitest::ClickMenu(form, "&File|&Open..."));
  EXPECT_EQ(opened, 1);  // a disabled item does not click
}

TEST_F(FormsTest, ItemFreedInItsOwnClickDiesAfterIt) {
  Form form(nullptr, FormCreateArgs{"Free in click"});
  auto* menu = new MainMenu(&form);
  auto* file = new MenuItem(&form, "&File");
  menu->Items().Add(file);
  struct Probe : MenuItem {
    Probe(Component* owner, bool* alive) : MenuItem(owner, "&Gone"), alive_(alive) {
      *alive_ = true;
    }
    ~Probe() override { *alive_ = false; }
    bool* alive_;
  };
  bool alive = false;
  auto* item = new Probe(&form, &alive);
  file->Add(item);
  form.SetMenu(menu);
  bool aliveAfterFree = false;
  std::string captionAfterFree;
  item->OnClick = [&](Component& sender) {
    auto& self = static_cast<MenuItem&>(sender);
    self.Parent()->Remove(&self);
    self.Free();
    aliveAfterFree = alive;
    captionAfterFree = self.Caption();  // still usable until the click returns
  };
  EXPECT_TRUE(guitest::ClickMenu(form, "&File|&Gone"));
  EXPECT_TRUE(aliveAfterFree);
  EXPECT_EQ(captionAfterFree, "&Gone");
  EXPECT_FALSE(alive);
  EXPECT_EQ(file->Count(), 0);
}

TEST_F(FormsTest, FormClosedInsideItsHandlerIsDestroyedAfterIt) {
  auto* form = new Form(nullptr, FormCreateArgs{"Closing form"});
  bool destroyed = false;
  form->OnDestroy = [&](Component&) { destroyed = true; };
  form->OnClose = [](Form&, CloseAction& action) { action = CloseAction::caFree; };
  auto* button = new Button(form, form, ButtonCreateArgs{"&Close"});
  bool destroyedWhilePumping = true;
  button->OnClick = [&](Component&) {
    form->Close();
    guitest::Pump(50);  // the handler pumps messages after closing
    destroyedWhilePumping = destroyed;
    form->SetCaption("still here");
  };
  form->Show();
  guitest::Click(*button);
  EXPECT_FALSE(destroyedWhilePumping);
  EXPECT_TRUE(destroyed);
}

TEST_F(FormsTest, WindowlessControlsArePaintedAndClickedThroughTheParent) {
  Form form(nullptr, FormCreateArgs{"Windowless", 100, 100, 300, 200});
  auto* panel = new Panel(&form, &form, PanelCreateArgs{"", 10, 10, 200, 120});
  auto* pad = new Pad(&form, panel, {20, 20, 80, 60});
  auto* top =
      new Pad(&form, panel, {60, 40, 120, 100});  // overlaps the first, created later: on top
  int padClicks = 0, topClicks = 0, enters = 0, leaves = 0;
  pad->OnClick = [&](Component&) { ++padClicks; };
  top->OnClick = [&](Component&) { ++topClicks; };
  pad->OnMouseEnter = [&](Component&) { ++enters; };
  pad->OnMouseLeave = [&](Component&) { ++leaves; };
  form.Show();
  guitest::Pump(50);
  pad->Repaint();
  EXPECT_GT(pad->painted, 0);
  guitest::Click(*top);
  EXPECT_EQ(topClicks, 1);
  EXPECT_EQ(padClicks, 0);
  guitest::Click(*pad);  // its centre (50,40) is outside the top one
  EXPECT_EQ(padClicks, 1);
  EXPECT_EQ(enters, 1);
  guitest::MouseTo(*panel, {5, 5});
  EXPECT_EQ(leaves, 1);
  // A press that is released outside is no click; the control held the mouse meanwhile.
  SendMessageA(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
  EXPECT_TRUE(pad->MouseCapture());
  SendMessageA(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, 110));
  EXPECT_FALSE(pad->MouseCapture());
  EXPECT_EQ(padClicks, 1);
  guitest::SaveScreenshot(form.Handle(), "forms_windowless.bmp");
}

TEST_F(FormsTest, HintsOfWindowedControlsShareTheFormsTooltip) {
  NameDialog dialog;
  dialog.NameEdit->SetHint("Type a name");
  dialog.NameEdit->SetShowHint(true);
  auto& ok = guitest::Get<Button>(dialog, "OkButton");
  ok.SetHint("Accept");
  ok.SetShowHint(true);
  HWND tip = dialog.ToolTipWindow();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 2);
  char text[80] = {};
  TOOLINFOA info = {};
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.hwnd = dialog.Handle();
  info.uId = reinterpret_cast<UINT_PTR>(dialog.NameEdit->Handle());
  info.uFlags = TTF_IDISHWND;
  info.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(text, "Type a name");
  ok.SetShowHint(false);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
}

TEST_F(FormsTest, PopupMenuReferenceIsClearedWhenTheMenuGoes) {
  Form form(nullptr, FormCreateArgs{"Popup"});
  auto* popup = new PopupMenu(&form);
  auto* panel = new Panel(&form, &form);
  panel->SetPopupMenu(popup);
  EXPECT_EQ(panel->GetPopupMenu(), popup);
  delete popup;
  EXPECT_EQ(panel->GetPopupMenu(), nullptr);
}

TEST_F(FormsTest, PopupMenuIsClosedByTheWatcher) {
  Form form(nullptr, FormCreateArgs{"Popup menu"});
  auto* popup = new PopupMenu(&form);
  auto* item = new MenuItem(&form, "&Copy");
  popup->Items().Add(item);
  int clicks = 0;
  item->OnClick = [&](Component&) { ++clicks; };
  form.Show();
  guitest::MenuCloser closer;
  popup->Popup(150, 150);
  EXPECT_TRUE(closer.Wait());
  EXPECT_TRUE(closer.Seen());
  EXPECT_EQ(clicks, 0);
}

TEST_F(FormsTest, MessageDialogsAnswerByButtonName) {
  struct Case {
    unsigned buttons;
    const char* press;
    int result;
  } cases[] = {{mbYes | mbNo | mbAll, "All", mrAll},
               {mbYesNoCancel, "No", mrNo},
               {mbOK, "OK", mrOk},
               {mbAbortRetryIgnore, "Retry", mrRetry}};
  for (const auto& c : cases) {
    std::string message;
    guitest::OnModal([&](Form& form) {
      message = guitest::Get<Label>(form, "Message").Caption();
      guitest::Click(form, c.press);
    });
    EXPECT_EQ(MessageDlg("Replace Grüße.zip?", MsgDlgType::mtConfirmation, c.buttons), c.result)
        << c.press;
    EXPECT_EQ(message, "Replace Grüße.zip?");
  }
  // Escape: Cancel when there is one.
  guitest::OnModal(
      [](Form& form) { guitest::Key(guitest::Get<WinControl>(form, "Yes"), VK_ESCAPE); });
  EXPECT_EQ(MessageDlg("Escape", MsgDlgType::mtWarning, mbYesNoCancel), mrCancel);
}

TEST_F(FormsTest, WindowStateAndPlacement) {
  Form form(nullptr, FormCreateArgs{"Placement", 30, 40, 300, 200});
  EXPECT_EQ(form.Left(), 30);
  EXPECT_EQ(form.Top(), 40);
  EXPECT_EQ(form.Width(), 300);
  form.SetClientSize(200, 100);
  EXPECT_EQ(form.ClientRect().right, 200);
  EXPECT_EQ(form.ClientRect().bottom, 100);
  form.Show();
  form.SetWindowState(WindowState::wsMaximized);
  EXPECT_EQ(form.GetWindowState(), WindowState::wsMaximized);
  form.SetWindowState(WindowState::wsNormal);
  EXPECT_EQ(form.GetWindowState(), WindowState::wsNormal);
  form.BringToFront();
  EXPECT_EQ(GetActiveWindow(), form.Handle());
}

TEST_F(FormsTest, HelpButtonCallsTheReplaceableHelp) {
  Application& app = Application::Instance();
  app.HelpFile = "Pelloro.hlp";
  std::vector<std::string> calls;
  app.WinHelpHook = [&](HWND, const char* file, UINT command, ULONG_PTR data) {
    calls.push_back(std::string(file) + " " + std::to_string(command) + " " + std::to_string(data));
    return TRUE;
  };
  guitest::OnModal([](Form& form) {
    guitest::Click(form, "Help");
    guitest::Click(form, "OK");
  });
  EXPECT_EQ(MessageDlg("With help", MsgDlgType::mtInformation, mbOK | mbHelp, 77), mrOk);
  app.WinHelpHook = nullptr;
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], "Pelloro.hlp " + std::to_string(HELP_CONTEXT) + " 77");
  app.SetScreenCursor(crHourGlass);
  EXPECT_EQ(app.ScreenCursor(), crHourGlass);
  EXPECT_EQ(GetCursor(), app.Cursor(crHourGlass));
  app.SetScreenCursor(crDefault);
}

TEST_F(FormsTest, InputBoxGivesTheTypedTextOrTheDefault) {
  guitest::OnModal([](Form& form) {
    EXPECT_EQ(guitest::Get<Edit>(form, "Value").Text(), "old");
    guitest::SetText(guitest::Get<Edit>(form, "Value"), "café");
    guitest::Click(form, "OK");
  });
  EXPECT_EQ(InputBox("Rename", "New name:", "old"), "café");
  guitest::OnModal([](Form& form) {
    guitest::SetText(guitest::Get<Edit>(form, "Value"), "ignored");
    guitest::Click(form, "Cancel");
  });
  EXPECT_EQ(InputBox("Rename", "New name:", "old"), "old");
  std::string value = "keep";
  guitest::OnModal([](Form& form) { guitest::Key(guitest::Get<Edit>(form, "Value"), VK_ESCAPE); });
  EXPECT_FALSE(InputQuery("Rename", "New name:", value));
  EXPECT_EQ(value, "keep");
}

TEST_F(FormsTest, WrappersReadTheirStateBackFromTheControls) {
  Form form(nullptr, FormCreateArgs{"Wrappers", 50, 50, 500, 400});
  auto* combo = new ComboBox(
      &form, &form, ComboBoxCreateArgs{8, 8, 150, 200, ComboStyle::csDropDownList, {"one", "two"}});
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Item(0), "one");
  auto* list = new ListBox(&form, &form, ListBoxCreateArgs{8, 40, 150, 80, {"a", "b", "c"}});
  list->SetItemIndex(2);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(list->Count(), 3);
  auto* check = new CheckBox(&form, &form, CheckBoxCreateArgs{"&Recurse", 170, 8, 100, 17, true});
  EXPECT_TRUE(check->Checked());
  guitest::Click(*check);
  EXPECT_FALSE(check->Checked());
  auto* progress =
      new ProgressBar(&form, &form, ProgressBarCreateArgs{170, 40, 150, 16, 0, 200, 50});
  progress->SetPosition(120);
  EXPECT_EQ(progress->Position(), 120);
  auto* status = new StatusBar(&form, &form, StatusBarCreateArgs{{350, 80, -1}});
  status->SetPanelText(0, "(no open file)");
  status->SetPanelText(1, "0 files in zip");
  EXPECT_EQ(status->PanelCount(), 3);
  EXPECT_EQ(status->PanelText(1), "0 files in zip");
  auto* memo = new Memo(&form, &form, MemoCreateArgs{"", 170, 70, 200, 80});
  memo->SetLines({"first", "Grüße"});
  EXPECT_EQ(memo->Lines(), (std::vector<std::string>{"first", "Grüße"}));
  auto* rich = new RichEdit(&form, &form, MemoCreateArgs{"rich text", 170, 160, 200, 60});
  EXPECT_EQ(rich->Text(), "rich text");
  auto* track = new TrackBar(&form, &form, TrackBarCreateArgs{8, 130, 150, 30, 0, 9, 3});
  EXPECT_EQ(track->Position(), 3);
  auto* pages = new PageControl(&form, &form, PageControlCreateArgs{8, 230, 300, 100});
  auto* first = new TabSheet(&form, pages, "General");
  auto* second = new TabSheet(&form, pages, "Advanced");
  pages->SetActivePageIndex(1);
  EXPECT_FALSE(first->Visible());
  EXPECT_TRUE(second->Visible());
  form.Show();
  guitest::SaveScreenshot(form.Handle(), "forms_wrappers.bmp");
}

}  // namespace
