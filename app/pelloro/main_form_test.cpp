// The main window in process with the real control: captions, placement, the temporary-folder
// cleanup, the list texts, the open road over python's archives (rows, panels, the install
// button, a truncated archive), the command-line open before the progress window exists, the
// system image lists, and both exit controls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_test_support.h"
#include "archive_list_display.h"
#include "captions.h"
#include "forms/label.h"
#include "forms/menus.h"
#include "gui_driver.h"
#include "temp_folder.h"
#include "win_test_util.h"

namespace {

using apptest::FixturePath;
using pelloro::TMainfrm;

class MainFormTest : public apptest::AppTest {};

std::string ListPath() { return FixturePath("list folder\\list.zip"); }

// Rows of the list view as three texts each.
std::vector<std::vector<std::string>> Rows(TMainfrm& main) {
  std::vector<std::vector<std::string>> rows;
  const HWND list = main.MSListview1->Handle();
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    rows.push_back({apptest::ItemText(list, i, 0), apptest::ItemText(list, i, 1),
                    apptest::ItemText(list, i, 2)});
  }
  return rows;
}

std::vector<std::vector<std::string>> ExpectedRows() {
  auto rows = apptest::Manifest("list.txt");
  for (auto& row : rows) row.resize(3);
  return rows;
}

TEST_F(MainFormTest, CaptionsFollowTheInstanceState) {
  TMainfrm& main = MakeMain();
  EXPECT_EQ(main.Caption(), pelloro::kAppTitle);  // the design caption until the first show
  main.Show();
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  // Inside OpenAndList (the corrupt message is up then): busy.
  std::string during;
  guitest::OnModal([&](forms::Form& dialog) {
    during = main.Caption();
    guitest::Click(dialog, "OK");
  });
  EXPECT_FALSE(main.OpenByTheRoad(FixturePath("truncated.zip")));
  EXPECT_EQ(during, pelloro::kCaptionBusy);
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  main.DisableActions();
  EXPECT_EQ(main.Caption(), pelloro::kCaptionBusy);
  main.EnableActions();
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
}

TEST_F(MainFormTest, BothExitControlsSayExitingAndClose) {
  for (int control = 0; control < 2; ++control) {
    TMainfrm& main = MakeMain();
    main.Show();
    std::string closing;
    main.OnCloseQuery = [&](forms::Form& form, bool& canClose) {
      closing = form.Caption();
      canClose = true;
    };
    if (control == 0) {
      ASSERT_TRUE(guitest::ClickMenu(main, "&File|E&xit"));
    } else {
      guitest::Click(*main.ExplorerButton10);
    }
    guitest::Pump(50);
    EXPECT_EQ(closing, pelloro::kCaptionExiting) << control;
    EXPECT_FALSE(IsWindowVisible(main.Handle())) << control;
    main.SetOp(nullptr);
    main_.reset();
  }
}

TEST_F(MainFormTest, PlacementFromTheSettings) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  {
    TMainfrm& main = MakeMain();  // nothing saved: centred at the design size
    EXPECT_EQ(main.Left(), (screenWidth - main.Width()) / 2);
    EXPECT_EQ(main.Top(), (screenHeight - main.Height()) / 2);
  }
  const struct {
    const char* posX;
    const char* posY;
    int left, top;  // -1: centred
  } cases[] = {{"120", "0x1F4", 120, 500},
               {"5000", "10", -1, -1},
               {"10", "99999", -1, -1},
               {"40", "junk", 40, -1}};
  for (const auto& c : cases) {
    apptest::ResetSettings();
    apptest::WriteSetting("PosX", c.posX);
    apptest::WriteSetting("PosY", c.posY);
    apptest::WriteSetting("AppWidth", "500");
    apptest::WriteSetting("AppHeight", "0x15E");  // 350
    TMainfrm& main = MakeMain();
    EXPECT_EQ(main.Width(), 500) << c.posX;
    EXPECT_EQ(main.Height(), 350) << c.posX;
    // Centred as the window stands when the position is read: at the design size.
    const int centredX = (screenWidth - 680) / 2, centredY = (screenHeight - 440) / 2;
    if (c.left == -1) {
      EXPECT_EQ(main.Left(), centredX) << c.posX;
      EXPECT_EQ(main.Top(), centredY) << c.posX;
    } else {
      EXPECT_EQ(main.Left(), c.left) << c.posX;
      // An unreadable PosY falls back to the centred value.
      EXPECT_EQ(main.Top(), c.top == -1 ? centredY : c.top) << c.posX;
    }
  }
}

TEST_F(MainFormTest, CloseSavesThePlacementAsDecimalText) {
  {
    TMainfrm& main = MakeMain();
    main.Show();
    main.SetBounds(33, 44, 520, 380);
    main.Close();
  }
  EXPECT_EQ(apptest::ReadSetting("PosX"), "33");
  EXPECT_EQ(apptest::ReadSetting("PosY"), "44");
  EXPECT_EQ(apptest::ReadSetting("AppWidth"), "520");
  EXPECT_EQ(apptest::ReadSetting("AppHeight"), "380");
  EXPECT_EQ(apptest::ReadSetting("WindowStyle"), "None");
  DWORD type = 0;
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Pelloro95", 0, KEY_READ, &key));
  RegQueryValueExA(key, "PosX", nullptr, &type, nullptr, nullptr);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  // "Max": maximised at the next start; closing maximised keeps the size saved before.
  apptest::WriteSetting("WindowStyle", "Max");
  {
    TMainfrm& main = MakeMain();
    main.Show();
    EXPECT_EQ(main.GetWindowState(), forms::WindowState::wsMaximized);
    guitest::SaveScreenshot(main.Handle(), "pelloro_main_maximised.bmp");
    main.Close();
  }
  EXPECT_EQ(apptest::ReadSetting("WindowStyle"), "Max");
  EXPECT_EQ(apptest::ReadSetting("AppWidth"), "520");
  EXPECT_EQ(apptest::ReadSetting("AppHeight"), "380");
}

TEST_F(MainFormTest, CleanTempFolderRemovesTwoLevelsWithReadOnlyFiles) {
  testutil::TempFolder temp;
  const std::string root = temp / "Pelloro Temp";
  ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((root + "\\Sub").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((root + "\\Sub\\Gr\xFC\xDF"
                                       "e")
                                   .c_str(),
                               nullptr));
  for (const std::string& file : {root + "\\top.txt", root + "\\Sub\\caf\xE9.txt",
                                  root + "\\Sub\\Gr\xFC\xDF"
                                         "e\\deep.bin"}) {
    ASSERT_TRUE(testutil::WriteWholeFile(file, std::string("x")));
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  }
  EXPECT_TRUE(pelloro::CleanTempFolder(root + "\\"));
  EXPECT_EQ(GetFileAttributesA(root.c_str()), INVALID_FILE_ATTRIBUTES);
  // Without the final backslash, and on a folder that is not there: no harm.
  EXPECT_TRUE(pelloro::CleanTempFolder(root));
}

TEST_F(MainFormTest, ClosingRemovesTheTemporaryFolderTree) {
  testutil::TempFolder temp;
  pelloro::TMainfrmOptions options;
  options.TempFolder = temp / "~TMPDIR.TMP\\";
  const std::string sub = options.TempFolder + "Sub\\";
  ASSERT_TRUE(CreateDirectoryA(options.TempFolder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  ASSERT_TRUE(testutil::WriteWholeFile(sub + "viewed.txt", std::string("x")));
  ASSERT_TRUE(SetFileAttributesA((sub + "viewed.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  TMainfrm& main = MakeMain(options);
  main.Show();
  main.Close();
  EXPECT_EQ(GetFileAttributesA(sub.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(options.TempFolder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainFormTest, CellTextsFromTheItemRecord) {
  auto record = [](const char* name, const char* dir, bool folder, int size) {
    pelloro::ZipItemRecord item = {};
    lstrcpynA(item.Name, name, sizeof(item.Name));
    lstrcpynA(item.Dir, dir, sizeof(item.Dir));
    item.IsDir = folder ? 0x10 : 0;
    item.OriginalSize = size;
    return item;
  };
  const struct {
    pelloro::ZipItemRecord item;
    int column;
    bool supplied;
    const char* text;
  } cases[] = {
      {record("NOTE.TXT", "DOCS\\DEEP\\", false, 1234567), 0, true, "note.txt"},
      {record("NOTE.TXT", "DOCS\\DEEP\\", false, 1234567), 1, true, "   1234567 bytes"},
      {record("NOTE.TXT", "DOCS\\DEEP\\", false, 1234567), 2, true, "docs\\deep\\"},
      {record("README", "", false, 0), 1, true, "         0 bytes"},
      {record("README", "", false, 0), 2, true, ""},
      // Code page 437's 0x82 (e acute) and 0x81 (u umlaut) shown in the ANSI code page.
      {record("CAF\x82.TXT", "GR\x81SSE\\", false, 5), 0, true, "caf\xE9.txt"},
      {record("CAF\x82.TXT", "GR\x81SSE\\", false, 5), 2, true, "gr\xFCsse\\"},
      {record(" ", "DOCS\\GR\x81SSE\\", true, 0), 0, true, "docs\\gr\xFCsse\\"},
      {record(" ", "DOCS\\", true, 0), 1, false, ""},
      {record(" ", "DOCS\\", true, 0), 2, false, ""},
  };
  for (const auto& c : cases) {
    std::string text = "unchanged";
    EXPECT_EQ(pelloro::CellText(c.item, c.column, text), c.supplied) << c.text;
    EXPECT_EQ(text, c.text) << c.column;
    // The same through the display request, twice (a repaint shows the same text).
    for (int paint = 0; paint < 2; ++paint) {
      char buffer[260] = "old";
      NMLVDISPINFOA info = {};
      info.item.mask = LVIF_TEXT;
      info.item.iSubItem = c.column;
      info.item.lParam = reinterpret_cast<LPARAM>(&c.item);
      info.item.pszText = buffer;
      info.item.cchTextMax = sizeof(buffer);
      pelloro::FillDisplayInfo(info);
      EXPECT_STREQ(buffer, c.text) << c.column;
      EXPECT_EQ((info.item.mask & LVIF_DI_SETITEM) != 0, c.column == 0) << c.column;
    }
  }
  // A request without text gets none.
  pelloro::ZipItemRecord item = record("A.TXT", "", false, 1);
  char buffer[16] = "old";
  NMLVDISPINFOA info = {};
  info.item.mask = LVIF_IMAGE;
  info.item.lParam = reinterpret_cast<LPARAM>(&item);
  info.item.pszText = buffer;
  info.item.cchTextMax = sizeof(buffer);
  pelloro::FillDisplayInfo(info);
  EXPECT_STREQ(buffer, "old");
  EXPECT_EQ(info.item.mask, static_cast<UINT>(LVIF_IMAGE));
}

TEST_F(MainFormTest, TheOpenRoadListsWhatPythonWrote) {
  TMainfrm& main = MakeMain();
  main.Show();
  EXPECT_FALSE(main.MSListview1->Visible());
  EXPECT_EQ(main.StatusBar1->PanelText(0), "(no open file)");
  EXPECT_EQ(main.StatusBar1->PanelText(1), "0 files in zip");
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  EXPECT_EQ(Rows(main), ExpectedRows());
  EXPECT_EQ(Rows(main), ExpectedRows());  // repainted: the same texts
  EXPECT_TRUE(main.MSListview1->Visible());
  EXPECT_EQ(main.StatusBar1->PanelText(0), ListPath());
  EXPECT_EQ(main.StatusBar1->PanelText(1),
            apptest::Manifest("count.txt").at(0).at(0) + " files in zip");
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(main.FileDrag1->EnableDrop());
  EXPECT_EQ(main.MRUFileList1->Items()[0], ListPath());
  EXPECT_TRUE(main.Functions1->Enabled());
  EXPECT_TRUE(main.ExplorerButton4->Enabled());
  EXPECT_FALSE(main.Installbtn->Enabled());
  EXPECT_FALSE(main.Op()->Visible());  // closed again after the road
  guitest::SaveScreenshot(main.Handle(), "pelloro_main_list.bmp");
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

TEST_F(MainFormTest, InstallButtonForSetupOrInstallOnlyAndUntouchedByTheActions) {
  TMainfrm& main = MakeMain();
  main.Show();
  const struct {
    const char* archive;
    bool install;
  } cases[] = {{"setup.zip", true}, {"list folder\\list.zip", false}, {"install.zip", true}};
  for (const auto& c : cases) {
    ASSERT_TRUE(main.OpenByTheRoad(FixturePath(c.archive))) << c.archive;
    EXPECT_EQ(main.Installbtn->Enabled(), c.install) << c.archive;
    main.DisableActions();
    EXPECT_EQ(main.Installbtn->Enabled(), c.install) << c.archive;
    EXPECT_FALSE(main.ExplorerButton4->Enabled());
    EXPECT_FALSE(main.Sendto1->Enabled());
    main.EnableActions();
    EXPECT_EQ(main.Installbtn->Enabled(), c.install) << c.archive;
  }
}

TEST_F(MainFormTest, ATruncatedArchiveLeavesTheClosedLook) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  std::string message;
  guitest::OnModal([&](forms::Form& dialog) {
    message = guitest::Get<forms::Label>(dialog, "Message").Caption();
    guitest::SaveScreenshot(dialog.Handle(), "pelloro_corrupt_message.bmp");
    guitest::Click(dialog, "OK");
  });
  EXPECT_FALSE(main.OpenByTheRoad(FixturePath("truncated.zip")));
  EXPECT_EQ(message, "Zip file corrupt.  Please try to Repair it from the File menu.");
  EXPECT_FALSE(main.MSListview1->Visible());
  EXPECT_EQ(main.StatusBar1->PanelText(0), "(no open file)");
  EXPECT_EQ(main.StatusBar1->PanelText(1), "0 files in zip");
  EXPECT_FALSE(main.Functions1->Enabled());
  EXPECT_FALSE(main.ExplorerButton4->Enabled());
  EXPECT_FALSE(main.FileDrag1->EnableDrop());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_EQ(main.CurrentArchive(), FixturePath("truncated.zip"));  // the path stays current
}

TEST_F(MainFormTest, TheCommandLineArchiveIsListedBeforeTheProgressWindowExists) {
  pelloro::TMainfrmOptions options;
  options.Argument = std::string("\"").append(ListPath()).append("\"");
  TMainfrm& main = MakeMain(options);
  EXPECT_EQ(main.CurrentArchive(), ListPath());
  EXPECT_EQ(Rows(main), ExpectedRows());
  EXPECT_TRUE(main.FileDrag1->EnableDrop());
  EXPECT_EQ(main.MRUFileList1->Items()[0], ListPath());
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
  EXPECT_EQ(TMainfrm::StripQuotes("\"\"a b\"\""), "a b");
  EXPECT_EQ(TMainfrm::StripQuotes("\"\""), "");
}

TEST_F(MainFormTest, OpenNormalListsThePickedArchive) {
  TMainfrm& main = MakeMain();
  main.Show();
  const auto openDialog = testutil::ThisThreadsDialog("Select a Zip file to Open...");
  testutil::DialogAnswerer answer(openDialog, [](HWND dialog) {
    // The file name edit of the open dialog (id 0x47C, or 0x480 in the old style).
    HWND edit = GetDlgItem(dialog, 0x47C);
    if (edit == nullptr) edit = GetDlgItem(dialog, 0x480);
    HWND combo = FindWindowExA(edit, nullptr, "Edit", nullptr);
    SetWindowTextA(combo != nullptr ? combo : edit, ListPath().c_str());
    guitest::Press(dialog, IDOK);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "&File|Open &Normal.."));
  answer.Wait();
  guitest::Pump(50);
  EXPECT_TRUE(answer.found());
  EXPECT_EQ(main.CurrentArchive(), ListPath());
  EXPECT_EQ(Rows(main), ExpectedRows());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
}

// The captions from the menu's root down to the item, joined by '|'.
std::string MenuPath(const forms::MenuItem& item) {
  std::string path = item.Caption();
  for (const forms::MenuItem* up = item.Parent(); up != nullptr && up->Parent() != nullptr;
       up = up->Parent()) {
    path = up->Caption() + "|" + path;
  }
  return path;
}

// The items below parent that the window owns (not the recent list's).
void CollectItems(forms::MenuItem& parent, const TMainfrm& main,
                  std::vector<forms::MenuItem*>* items) {
  for (int i = 0; i < parent.Count(); ++i) {
    if (parent.Items(i)->Owner() != &main) continue;
    items->push_back(parent.Items(i));
    CollectItems(*parent.Items(i), main, items);
  }
}

TEST_F(MainFormTest, EveryMenuItemHasItsComponentName) {
  TMainfrm& main = MakeMain();
  const struct {
    const char* name;
    const char* path;
  } cases[] = {
      {"File1", "&File"},
      {"OpenZipfile1", "&File|&Open Zip file..."},
      {"OpenNormal1", "&File|Open &Normal.."},
      {"N1", "&File|-"},
      {"Exit1", "&File|E&xit"},
      {"Functions1", "A&ctions"},
      {"RemoveselectedFiles1", "A&ctions|&Remove files|&Remove selected Files"},
      {"Extract1", "A&ctions|E&xtract Files"},
      {"RecyclingBin1", "&Send to...|&Recycling Bin (Delete Zip file)"},
      {"LaunchWindowsExplorer1", "&Plugins|Launch Windows E&xplorer..."},
      {"About1", "&Help|&About..."},
      {"Unzip1", "&Unzip"},
      {"RecyclingBin2", "&Send to...|&Recycling Bin (erase this Zip file)"},
      {"Report1", "&View As|&Report"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto& item = guitest::Get<forms::MenuItem>(main, c.name);
    EXPECT_EQ(MenuPath(item), c.path);
  }
  EXPECT_EQ(guitest::Find(main, "Unzip1")->Owner(), &main);
  EXPECT_TRUE(guitest::Get<forms::MenuItem>(main, "Report1").Checked());
  EXPECT_EQ(main.Exit1, &guitest::Get<forms::MenuItem>(main, "Exit1"));
  EXPECT_EQ(main.OpenNormal1, &guitest::Get<forms::MenuItem>(main, "OpenNormal1"));
  // Every item of both menus, separators and submenus too, is found by a name of its own.
  std::vector<forms::MenuItem*> items;
  CollectItems(main.MainMenu1->Items(), main, &items);
  const size_t mainItems = items.size();
  CollectItems(main.PopupMenu1->Items(), main, &items);
  EXPECT_EQ(mainItems, 37u);
  EXPECT_EQ(items.size() - mainItems, 15u);
  for (forms::MenuItem* item : items) {
    EXPECT_FALSE(item->Name().empty()) << MenuPath(*item);
    EXPECT_EQ(guitest::Find(main, item->Name()), item) << MenuPath(*item);
  }
}

TEST_F(MainFormTest, TheOpenDialogStartsAtTheCurrentArchive) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  EXPECT_EQ(main.CurrentArchive(), ListPath());
  EXPECT_EQ(main.OpenDialog1->FileName, ListPath());
  std::string shown;
  testutil::DialogAnswerer answer(testutil::ThisThreadsDialog("Select a Zip file to Open..."),
                                  [&](HWND dialog) {
                                    Sleep(200);
                                    HWND edit = GetDlgItem(dialog, 0x47C);
                                    if (edit == nullptr) edit = GetDlgItem(dialog, 0x480);
                                    HWND inner = FindWindowExA(edit, nullptr, "Edit", nullptr);
                                    shown = guitest::WindowText(inner != nullptr ? inner : edit);
                                    guitest::Press(dialog, IDCANCEL);
                                  });
  ASSERT_TRUE(guitest::ClickMenu(main, "&File|Open &Normal.."));
  EXPECT_TRUE(answer.Wait());
  EXPECT_TRUE(answer.found());
  EXPECT_NE(shown.find("list.zip"), std::string::npos) << shown;
  EXPECT_EQ(main.CurrentArchive(), ListPath());  // a cancelled dialog opens nothing
}

TEST_F(MainFormTest, SystemImagesAreTheControlsListsAndSurviveTheI4) {
  apptest::WriteSetting("WantSystemImages", "1");
  TMainfrm& main = MakeMain();
  ASSERT_TRUE(main.SystemIcons());
  ASSERT_NE(main.SmallIcons, nullptr);
  const HIMAGELIST small = main.QXCtrl1->GetZIPITEMHImageList(false);
  const HIMAGELIST large = main.QXCtrl1->GetZIPITEMHImageList(true);
  EXPECT_NE(small, nullptr);
  EXPECT_EQ(main.SmallIcons->Handle(), small);
  EXPECT_EQ(main.LargeIcons->Handle(), large);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(
                SendMessageA(main.MSListview1->Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
            small);
  EXPECT_GT(ImageList_GetImageCount(small), 0);
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  guitest::SaveScreenshot(main.Handle(), "pelloro_main_system_icons.bmp");
}

}  // namespace
