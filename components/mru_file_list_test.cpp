// The recent-files menu: the list, its menu items read back from the Win32 menu, the registry
// round trip and a click through WM_COMMAND.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "component_test_fixture.h"
#include "forms/form.h"
#include "forms/reg_ini_file.h"
#include "gui_driver.h"
#include "mru_file_list.h"

namespace {

using namespace forms;
using componenttest::ComponentTest;

constexpr char kKey[] = "\\Software\\Pelloro MRU test\\";

std::vector<std::string> MenuStrings(HMENU menu) {
  std::vector<std::string> texts;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[300] = {};
    if (GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION) == 0 &&
        (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR)) {
      texts.push_back("-");
    } else {
      texts.push_back(text);
    }
  }
  return texts;
}

class MRUTest : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    form = std::make_unique<Form>(nullptr, FormCreateArgs{"Recent files"});
    menu = new MainMenu(form.get());
    file = new MenuItem(form.get(), "&File");
    menu->Items().Add(file);
    open = new MenuItem(form.get(), "&Open...");
    exit = new MenuItem(form.get(), "E&xit");
    file->Add(open);
    file->Add(exit);
    form->SetMenu(menu);
    mru = new TMRUFileList(form.get());
    mru->AutoSave = false;
    mru->AutoSaveName = kKey;
  }
  void TearDown() override {
    form.reset();
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Pelloro MRU test\\MRU Items");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Pelloro MRU test");
    ComponentTest::TearDown();
  }
  HMENU FileHandle() { return GetSubMenu(GetMenu(form->Handle()), 0); }
  std::unique_ptr<Form> form;
  MainMenu* menu = nullptr;
  MenuItem *file = nullptr, *open = nullptr, *exit = nullptr;
  TMRUFileList* mru = nullptr;
};

TEST_F(MRUTest, EntriesFollowTheMenuWithDoubledAmpersands) {
  mru->SetFileMenu(file);
  EXPECT_EQ(MenuStrings(FileHandle()),
            (std::vector<std::string>{"&Open...", "E&xit"}));  // empty: no separator
  mru->AddItem("C:\\a.zip");
  mru->AddItem("C:\\R&D\\b.zip");
  mru->AddItem("C:\\Grüße\\c.zip");
  EXPECT_EQ(MenuStrings(FileHandle()),
            (std::vector<std::string>{"&Open...", "E&xit", "-", "&1 C:\\Grüße\\c.zip",
                                      "&2 C:\\R&&D\\b.zip", "&3 C:\\a.zip"}));
  mru->AddItem("c:\\A.ZIP");  // already third (case ignored): to the top, no growth
  EXPECT_EQ(mru->Items().Count(), 3);
  EXPECT_EQ(mru->Items()[0], "C:\\a.zip");
  // FileMenu at a leaf: separator and entries go in front of it in its parent.
  mru->SetFileMenu(exit);
  EXPECT_EQ(MenuStrings(FileHandle()),
            (std::vector<std::string>{"&Open...", "-", "&1 C:\\a.zip", "&2 C:\\Grüße\\c.zip",
                                      "&3 C:\\R&&D\\b.zip", "E&xit"}));
  mru->SetFileMenu(file);
  mru->SetUseSubmenu(true);
  const auto withSubmenu = MenuStrings(FileHandle());
  ASSERT_EQ(withSubmenu.size(), 4u);
  EXPECT_EQ(withSubmenu[3], "Reopen");
  EXPECT_EQ(MenuStrings(GetSubMenu(FileHandle(), 3)).size(), 3u);
}

TEST_F(MRUTest, MaximumDropsTheOldest) {
  mru->SetFileMenu(file);
  for (int i = 1; i <= 6; ++i) mru->AddItem("file" + std::to_string(i) + ".zip");
  EXPECT_EQ(mru->Items().Count(), 5);
  EXPECT_EQ(mru->Items()[0], "file6.zip");
  EXPECT_EQ(mru->Items()[4], "file2.zip");
  mru->SetMaximum(2);
  EXPECT_EQ(mru->Items().Count(), 2);
  EXPECT_EQ(mru->Items()[1], "file5.zip");
  EXPECT_EQ(GetMenuItemCount(FileHandle()), 2 + 1 + 2);
}

TEST_F(MRUTest, RegistryRoundTrip) {
  RegIniFile ini(kKey);
  // Written out of order, with a repeat (case ignored), a stranger and an "=" in a name.
  ini.WriteString("MRU Items", "F10", "C:\\ten.zip");
  ini.WriteString("MRU Items", "F1", "C:\\one.zip");
  ini.WriteString("MRU Items", "Other", "C:\\not ours.zip");
  ini.WriteString("MRU Items", "F0", "C:\\a=b.zip");
  ini.WriteString("MRU Items", "F2", "c:\\ONE.ZIP");
  ini.WriteString("MRU Items", "F3", "C:\\three.zip");
  mru->SetFileMenu(file);
  EXPECT_TRUE(mru->LoadFromRegistry());
  ASSERT_EQ(mru->Items().Count(), 4);
  EXPECT_EQ(mru->Items()[0], "C:\\a=b.zip");
  EXPECT_EQ(mru->Items()[1], "C:\\one.zip");
  EXPECT_EQ(mru->Items()[2], "C:\\three.zip");
  EXPECT_EQ(mru->Items()[3], "C:\\ten.zip");
  EXPECT_TRUE(mru->SaveToRegistry());
  StringList lines;
  ini.ReadSectionValues("MRU Items", lines);
  ASSERT_EQ(lines.Count(), 4);
  EXPECT_EQ(lines.Value("F0"), "C:\\a=b.zip");
  EXPECT_EQ(lines.Value("F3"), "C:\\ten.zip");
  EXPECT_EQ(lines.IndexOfName("Other"), -1);
  mru->AutoSaveKey = "";
  EXPECT_FALSE(mru->LoadFromRegistry());
  EXPECT_FALSE(mru->SaveToRegistry());
  // With more values than Maximum only the first Maximum are kept.
  mru->AutoSaveKey = "MRU Items";
  mru->SetMaximum(2);
  EXPECT_TRUE(mru->LoadFromRegistry());
  EXPECT_EQ(mru->Items().Count(), 2);
}

TEST_F(MRUTest, AutoSaveLoadsWhenLoadedAndSavesWhenDestroyed) {
  {
    Form owner(nullptr, FormCreateArgs{"Auto save"});
    auto* list = new TMRUFileList(&owner);
    list->AutoSaveName = kKey;
    owner.Loaded();
    list->AddItem("C:\\saved.zip");
  }
  auto* list = new TMRUFileList(form.get());
  list->AutoSaveName = kKey;
  list->Loaded();
  ASSERT_EQ(list->Items().Count(), 1);
  EXPECT_EQ(list->Items()[0], "C:\\saved.zip");
  list->AutoSave = false;
}

TEST_F(MRUTest, ClickThroughTheWindowRemovesTheEntryAndReportsIt) {
  mru->SetFileMenu(file);
  mru->AddItem("C:\\first.zip");
  mru->AddItem("C:\\second.zip");
  std::string clicked;
  std::string senderCaption;
  mru->OnMRUItemClick = [&](Component& sender, const std::string& name) {
    clicked = name;
    senderCaption = static_cast<MenuItem&>(sender).Caption();  // alive through the rebuild
  };
  form->Show();
  const UINT command = GetMenuItemID(FileHandle(), 4);  // "&2 C:\first.zip"
  SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  guitest::Pump();
  EXPECT_EQ(clicked, "C:\\first.zip");
  EXPECT_EQ(senderCaption, "&2 C:\\first.zip");
  ASSERT_EQ(mru->Items().Count(), 1);
  EXPECT_EQ(MenuStrings(FileHandle()).back(), "&1 C:\\second.zip");
  // Without RemoveOnClick the entry stays; without a handler a click does nothing.
  mru->RemoveOnClick = false;
  EXPECT_TRUE(guitest::ClickMenu(*form, "&File|&1 C:\\second.zip"));
  EXPECT_EQ(clicked, "C:\\second.zip");
  EXPECT_EQ(mru->Items().Count(), 1);
  mru->OnMRUItemClick = nullptr;
  mru->RemoveOnClick = true;
  EXPECT_TRUE(guitest::ClickMenu(*form, "&File|&1 C:\\second.zip"));
  EXPECT_EQ(mru->Items().Count(), 1);
}

TEST_F(MRUTest, FileMenuGoneIsForgotten) {
  mru->SetFileMenu(exit);
  mru->AddItem("C:\\x.zip");
  delete exit;
  exit = nullptr;
  EXPECT_EQ(mru->FileMenu(), nullptr);
  mru->AddItem("C:\\y.zip");  // no menu: nothing to rebuild
  EXPECT_EQ(mru->Items().Count(), 2);
}

}  // namespace
