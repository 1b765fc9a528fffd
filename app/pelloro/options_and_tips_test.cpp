// The options dialog, the association dialog, the tip window and the About box in process: the
// settings' round trip through the registry ("&Ok" writes, "&Cancel" writes nothing, an empty
// list writes "Total" 0, an unknown view method shows "Windows Notepad" and keeps its text,
// "UseFav" "TRUE" read as the favourites), the tip window at the first show with ShowTips 1 only
// and never its last line, and the About box from the Help menu with its link.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "about_box.h"
#include "app_test_support.h"
#include "association_form.h"
#include "captions.h"
#include "forms/reg_ini_file.h"
#include "gui_driver.h"
#include "options_form.h"
#include "tip_of_day.h"
#include "toolstest_support.h"

namespace {

using pelloro::TAssociationfrm;
using pelloro::TMainfrm;
using pelloro::TOptionsfrm;
using pelloro::TTipofDayfrm;

class OptionsTest : public apptest::AppTest {
 protected:
  static void WriteAssociations(const std::vector<std::pair<std::string, std::string>>& rows) {
    forms::RegIniFile settings("Software\\Pelloro95");
    for (size_t n = 0; n < rows.size(); ++n) {
      settings.WriteString("Associations", std::to_string(n), rows[n].first);
      settings.WriteString("Associations", std::to_string(n) + "Dat", rows[n].second);
    }
    settings.WriteInteger("Associations", "Total", static_cast<int>(rows.size()));
  }
  static std::vector<std::pair<std::string, std::string>> Rows(TOptionsfrm& options) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < options.View_Files->Count(); ++i) {
      rows.emplace_back(options.View_Files->ItemText(i, 0), options.View_Files->ItemText(i, 1));
    }
    return rows;
  }
  // Opens the options from the File menu; drive runs inside.
  void RunOptions(TMainfrm& main, std::function<void(TOptionsfrm&)> drive) {
    guitest::OnModal([&, drive](forms::Form& form) {
      captionDuring = main.Caption();
      drive(dynamic_cast<TOptionsfrm&>(form));
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "&File|&Options..."));
  }
  // Modify on the row: the association dialog's extension and item, then answer sets the item
  // (-1: Cancel).
  static void Modify(TOptionsfrm& options, int row, int answer, std::string* extension, int* item) {
    options.View_Files->SetSelected(row, true);
    options.View_Files->SetFocusedItem(row);
    guitest::OnModal([&, answer](forms::Form& form) {
      auto& association = dynamic_cast<TAssociationfrm&>(form);
      *extension = association.File_Extension->Caption();
      *item = association.ComboBox1->ItemIndex();
      guitest::SaveScreenshot(association.Handle(), "pelloro_association.bmp");
      if (answer < 0) {
        guitest::Click(*association.CancelBtn);
      } else {
        association.ComboBox1->SetItemIndex(answer);
        guitest::Key(*association.ComboBox1, VK_RETURN);
      }
    });
    guitest::Click(*options.Modifybtn);
    options.View_Files->SetSelected(row, false);
  }
  std::string captionDuring;
};

TEST(ViewMethods, TextsAndItems) {
  EXPECT_EQ(pelloro::ViewMethodItem("Associated Program"), 0);
  EXPECT_EQ(pelloro::ViewMethodItem("Internal Viewer"), 1);
  EXPECT_EQ(pelloro::ViewMethodItem("Windows Notepad"), 2);
  EXPECT_EQ(pelloro::ViewMethodItem("Mystery"), 2);
  EXPECT_EQ(pelloro::ViewMethodItem("internal viewer"), 2);
  EXPECT_EQ(pelloro::ViewMethodText(0), "Associated Program");
  EXPECT_EQ(pelloro::ViewMethodText(1), "Internal Viewer");
  EXPECT_EQ(pelloro::ViewMethodText(2), "Windows Notepad");
}

TEST_F(OptionsTest, ReadsEditsAndWritesTheSettingsOnOk) {
  apptest::WriteSetting("UseFav", "TRUE");
  apptest::WriteSetting("WantSystemImages", "0");
  WriteAssociations({{".txt", "Internal Viewer"},
                     {".bmp", "Associated Program"},
                     {".caf\xE9", "Mystery"},
                     {".log", "Windows Notepad"}});
  TMainfrm& main = MakeMain();
  main.Show();
  std::string extension;
  int item = -9;
  std::vector<std::pair<std::string, std::string>> shown;
  RunOptions(main, [&](TOptionsfrm& options) {
    EXPECT_EQ(options.RadioGroup1->ItemIndex(), 1);  // "TRUE" read as the favourites
    EXPECT_FALSE(options.CheckBox1->Checked());      // ShowTips 0
    EXPECT_FALSE(options.CheckBox2->Checked());
    shown = Rows(options);
    guitest::SaveScreenshot(options.Handle(), "pelloro_options_general.bmp");
    options.PageControl1->SetActivePageIndex(1);
    guitest::Pump(30);
    guitest::SaveScreenshot(options.Handle(), "pelloro_options_associations.bmp");
    options.PageControl1->SetActivePageIndex(2);
    guitest::Pump(30);
    guitest::SaveScreenshot(options.Handle(), "pelloro_options_version.bmp");
    EXPECT_GE(options.Version_List->Count(), 2);
    options.PageControl1->SetActivePageIndex(1);
    // The unknown method shows "Windows Notepad"; Cancel keeps its text.
    Modify(options, 2, -1, &extension, &item);
    EXPECT_EQ(extension, ".caf\xE9");
    EXPECT_EQ(item, 2);
    EXPECT_EQ(options.View_Files->ItemText(2, 1), "Mystery");
    // ".bmp" to the internal viewer; ".txt" shows item 1.
    Modify(options, 1, 1, &extension, &item);
    EXPECT_EQ(item, 0);
    EXPECT_EQ(options.View_Files->ItemText(1, 1), "Internal Viewer");
    Modify(options, 0, 2, &extension, &item);
    EXPECT_EQ(item, 1);
    EXPECT_EQ(options.View_Files->ItemText(0, 1), "Windows Notepad");
    // Remove ".log".
    options.View_Files->SetSelected(3, true);
    guitest::Click(*options.Removebtn);
    options.RadioGroup1->SetItemIndex(0);
    options.CheckBox1->SetChecked(true);
    guitest::Click(*options.Okbtn);
  });
  EXPECT_EQ(captionDuring, pelloro::kCaptionBusy);
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_EQ(shown, (std::vector<std::pair<std::string, std::string>>{{".txt", "Internal Viewer"},
                                                                     {".bmp", "Associated Program"},
                                                                     {".caf\xE9", "Mystery"},
                                                                     {".log", "Windows Notepad"}}));
  EXPECT_EQ(apptest::ReadSetting("UseFav"), "False");
  EXPECT_EQ(apptest::ReadSetting("ShowTips"), "1");
  EXPECT_EQ(apptest::ReadSetting("WantSystemImages"), "0");
  EXPECT_EQ(apptest::ReadSetting("Total", "Associations"), "3");
  const char* expected[][2] = {
      {".txt", "Windows Notepad"}, {".bmp", "Internal Viewer"}, {".caf\xE9", "Mystery"}};
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(apptest::ReadSetting(std::to_string(n), "Associations"), expected[n][0]);
    EXPECT_EQ(apptest::ReadSetting(std::to_string(n) + "Dat", "Associations"), expected[n][1]);
  }
  EXPECT_EQ(apptest::ReadSetting("3", "Associations"), "<none>");  // the section was erased
  EXPECT_EQ(apptest::ReadSetting("3Dat", "Associations"), "<none>");
  // Shown again: what was written, with "True"/"False" read back.
  RunOptions(main, [&](TOptionsfrm& options) {
    EXPECT_EQ(options.RadioGroup1->ItemIndex(), 0);
    EXPECT_TRUE(options.CheckBox1->Checked());
    EXPECT_EQ(Rows(options).size(), 3u);
    options.RadioGroup1->SetItemIndex(1);
    guitest::Key(*options.CheckBox1, VK_RETURN);  // Enter is "&Ok"
  });
  EXPECT_EQ(apptest::ReadSetting("UseFav"), "True");
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(OptionsTest, CancelWritesNothingAndAnEmptyListWritesTotalZero) {
  TMainfrm& main = MakeMain();
  main.Show();
  RunOptions(main, [&](TOptionsfrm& options) {
    EXPECT_EQ(options.RadioGroup1->ItemIndex(), 1);  // no "UseFav": the default "TRUE"
    EXPECT_EQ(options.View_Files->Count(), 0);
    options.RadioGroup1->SetItemIndex(0);
    options.CheckBox2->SetChecked(true);
    guitest::Click(*options.Cancelbtn);
  });
  EXPECT_EQ(apptest::ReadSetting("UseFav"), "<none>");
  EXPECT_EQ(apptest::ReadSetting("WantSystemImages"), "<none>");
  EXPECT_EQ(apptest::ReadSetting("Total", "Associations"), "<none>");
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  RunOptions(main, [&](TOptionsfrm& options) { guitest::Click(*options.Okbtn); });
  EXPECT_EQ(apptest::ReadSetting("Total", "Associations"), "0");
  EXPECT_EQ(apptest::ReadSetting("UseFav"), "True");
  EXPECT_EQ(apptest::ReadSetting("ShowTips"), "0");
  EXPECT_EQ(apptest::ReadSetting("WantSystemImages"), "0");
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(OptionsTest, WithoutASelectionRemoveAndModifyAskForOneAndSystemIconsAskForARestart) {
  WriteAssociations({{".txt", "Internal Viewer"}});
  TMainfrm& main = MakeMain();
  main.Show();
  std::vector<std::string> selectTexts, restartTexts;
  std::string extension;
  RunOptions(main, [&](TOptionsfrm& options) {
    {
      toolstest::Answers select({"Cancel", "Cancel"});
      guitest::Click(*options.Removebtn);
      guitest::Click(*options.Modifybtn);
      selectTexts = select.texts;
    }
    EXPECT_EQ(options.View_Files->Count(), 1);
    // A double click on a row is "&Modify".
    options.PageControl1->SetActivePageIndex(1);
    options.View_Files->SetSelected(0, true);
    options.View_Files->SetFocusedItem(0);
    guitest::OnModal([&](forms::Form& form) {
      extension = dynamic_cast<TAssociationfrm&>(form).File_Extension->Caption();
      guitest::Click(form, "CancelBtn");
    });
    RECT row = {};
    row.left = LVIR_LABEL;
    SendMessageA(options.View_Files->Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    const LPARAM at = MAKELPARAM(row.left + 4, (row.top + row.bottom) / 2);
    SendMessageA(options.View_Files->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(options.View_Files->Handle(), WM_LBUTTONUP, 0, at);
    SendMessageA(options.View_Files->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(options.View_Files->Handle(), WM_LBUTTONUP, 0, at);
    guitest::Pump(50);
    guitest::OnModal(nullptr);
    options.CheckBox2->SetChecked(true);
    toolstest::Answers restart({"OK"});
    guitest::Click(*options.Okbtn);
    restartTexts = restart.texts;
  });
  EXPECT_EQ(selectTexts, (std::vector<std::string>{"Select a type to edit first",
                                                   "Select a type to edit first"}));
  EXPECT_EQ(extension, ".txt");
  EXPECT_EQ(restartTexts,
            (std::vector<std::string>{
                "Note: You have made changes that will require you to restart Pelloro '95 to "
                "see them.\r\n\r\nPlease remember that enabling System Images for zip files will "
                "slow down Pelloro's loading time."}));
  EXPECT_EQ(apptest::ReadSetting("WantSystemImages"), "1");
  EXPECT_EQ(apptest::ReadSetting("1", "Associations"), "<none>");
  EXPECT_EQ(apptest::ReadSetting("0Dat", "Associations"), "Internal Viewer");
  EXPECT_TRUE(exceptions.empty());
}

class TipsTest : public apptest::AppTest {
 protected:
  // A main window whose tip hook shows the tip window with the random source (closed by Enter
  // after its label is read).
  TMainfrm& MainWithTips(pelloro::TipRandom random) {
    pelloro::TMainfrmOptions options;
    options.ShowTipWindow = [this, random](forms::Form& owner) {
      ++tipWindows;
      guitest::OnModal([this](forms::Form& form) {
        auto& tips = dynamic_cast<TTipofDayfrm&>(form);
        shownTips.push_back(tips.Label1->Caption());
        guitest::SaveScreenshot(tips.Handle(), "pelloro_tip_of_day.bmp");
        guitest::Key(*tips.Bitbtn1, VK_RETURN);  // Enter is "&Ok"
      });
      TTipofDayfrm tips(&owner, random);
      tips.ShowModal();
    };
    return MakeMain(options);
  }
  int tipWindows = 0;
  std::vector<std::string> shownTips;
};

TEST_F(TipsTest, OnlyTheFirstShowWithShowTipsOneShowsTheWindow) {
  const struct {
    const char* showTips;  // nullptr: no value (the default 1)
    int windows;
  } cases[] = {{"0", 0}, {"1", 1}, {nullptr, 1}, {"2", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.showTips != nullptr ? c.showTips : "none");
    apptest::ResetSettings();
    if (c.showTips != nullptr) {
      apptest::WriteSetting("ShowTips", c.showTips);
    } else {
      forms::RegIniFile("Software\\Pelloro95").DeleteKey("", "ShowTips");
    }
    tipWindows = 0;
    TMainfrm& main = MainWithTips([](int) { return 0; });
    main.Show();
    main.Hide();
    main.Show();  // a second show never shows it
    EXPECT_EQ(tipWindows, c.windows);
    EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
    main.SetOp(nullptr);
    op_.reset();
    main_.reset();
  }
  ASSERT_FALSE(shownTips.empty());
  EXPECT_EQ(shownTips[0].rfind("Pelloro for Windows '95 can create Self-Extractors", 0), 0u);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(TipsTest, TheRandomSourceChoosesAmongAllLinesButTheLast) {
  std::vector<int> ranges;
  int next = 0;
  TTipofDayfrm tips(nullptr, [&](int range) {
    ranges.push_back(range);
    return next;
  });
  const std::vector<std::string> lines = tips.Memo1->Lines();
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[0].rfind("Pelloro for Windows '95 can create Self-Extractors (EXE's)? - This "
                           "means that you can give your SFX's to your friends. They don't",
                           0),
            0u);
  EXPECT_EQ(lines[7],
            "Pelloro for Windows '95 can backup your entire hard-drive or just folders to "
            "multiple floppy disks - it's really fast too!");
  EXPECT_NE(tips.Label1->Caption().find("friends and they don't"), std::string::npos);
  std::set<std::string> shown;
  for (next = 0; next < 20; ++next) {
    guitest::Click(*tips.ExplorerButton1);
    EXPECT_EQ(tips.Label1->Caption(), lines[static_cast<size_t>(next)]);
    shown.insert(tips.Label1->Caption());
  }
  EXPECT_EQ(shown.size(), 20u);
  EXPECT_EQ(shown.count(lines[20]), 0u);
  for (int range : ranges) EXPECT_EQ(range, 20);
  int viewing = 0;
  for (const std::string& line : lines) {
    for (const char* address : {"http", "www", "@", ".com", "regist"}) {
      EXPECT_EQ(line.find(address), std::string::npos) << line;
    }
    if (line.find("double click") != std::string::npos &&
        line.find("View button") != std::string::npos) {
      ++viewing;
    }
  }
  EXPECT_EQ(viewing, 1);
  // The run-time library's generator never picks the last line either.
  TTipofDayfrm plain(nullptr);
  for (int i = 0; i < 300; ++i) {
    plain.NextTip();
    EXPECT_NE(plain.Label1->Caption(), lines[20]);
  }
}

TEST_F(TipsTest, TheCheckBoxWritesShowTipsOnClickAndKeyRelease) {
  TTipofDayfrm tips(nullptr, [](int) { return 3; });
  tips.Show();
  EXPECT_TRUE(tips.CheckBox1->Checked());
  guitest::Click(*tips.CheckBox1);
  EXPECT_FALSE(tips.CheckBox1->Checked());
  EXPECT_EQ(apptest::ReadSetting("ShowTips"), "0");
  guitest::Click(*tips.CheckBox1);
  EXPECT_EQ(apptest::ReadSetting("ShowTips"), "1");
  tips.CheckBox1->SetChecked(false);  // set without a click: nothing written
  EXPECT_EQ(apptest::ReadSetting("ShowTips"), "1");
  guitest::Key(*tips.CheckBox1, VK_SHIFT);  // a key released on it writes the state
  EXPECT_EQ(apptest::ReadSetting("ShowTips"), "0");
  tips.Hide();
}

TEST_F(OptionsTest, HelpAboutShowsTheAboutBoxWithItsLink) {
  TMainfrm& main = MakeMain();
  main.Show();
  std::vector<std::string> opened;
  forms::App().ShellExecuteHook = [&](HWND, const char* verb, const char* file, const char*,
                                      const char*, int) {
    opened.push_back(std::string(verb) + " " + file);
    return reinterpret_cast<HINSTANCE>(42);
  };
  std::string address;
  guitest::OnModal([&](forms::Form& form) {
    captionDuring = main.Caption();
    auto& about = dynamic_cast<pelloro::TAboutBox&>(form);
    address = about.UrlLabel1->Caption();
    guitest::SaveScreenshot(about.Handle(), "pelloro_about.bmp");
    guitest::Click(*about.UrlLabel1);
    guitest::Click(*about.Closebtn);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "&Help|&About..."));
  forms::App().ShellExecuteHook = nullptr;
  EXPECT_EQ(captionDuring, pelloro::kCaptionBusy);
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_EQ(address, "http://www.pelloro95.example/");
  EXPECT_EQ(opened, (std::vector<std::string>{"open http://www.pelloro95.example/"}));
  // Enter closes it too.
  bool closedByEnter = false;
  guitest::OnModal([&](forms::Form& form) {
    auto& about = dynamic_cast<pelloro::TAboutBox&>(form);
    guitest::Key(*about.Closebtn, VK_RETURN);
    closedByEnter = about.ModalResult() == forms::mrOk;
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "&Help|&About..."));
  EXPECT_TRUE(closedByEnter);
  EXPECT_TRUE(exceptions.empty());
}

}  // namespace
