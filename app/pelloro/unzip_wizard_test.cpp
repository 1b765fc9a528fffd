// The unzip wizard in process with the real control: its pages by Enter and "< &Back", the
// proposed folder, the main window hidden while it runs, the files it extracts (judged by
// python's zipfile), the folder opened afterwards (recorded), the end question for success and
// failure, "No" back to the first page, "Yes", "&Quit Pelloro" and "Wizard &Off"; and a failed
// control call ending only the command.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "about_box.h"
#include "app_test_support.h"
#include "captions.h"
#include "echo_control_test_support.h"
#include "extraction_peer.h"
#include "forms/message_dialogs.h"
#include "gui_driver.h"
#include "new_zip_form.h"
#include "toolstest_support.h"
#include "unzip_wizard.h"
#include "win_test_util.h"

namespace {

using pelloro::TMainfrm;
using pelloro::TWizardfrm;

struct ShellCall {
  std::string verb, file, parameters, folder;
  int show;
};

std::string ListPath() { return apptest::FixturePath("list folder\\list.zip"); }

std::string WindowsFolder() {
  char folder[MAX_PATH] = {};
  GetWindowsDirectoryA(folder, MAX_PATH);
  return folder;
}

class WizardTest : public apptest::DialogsWorkTest {
 protected:
  void SetUp() override {
    apptest::DialogsWorkTest::SetUp();
    if (IsSkipped()) return;
    forms::App().ShellExecuteHook = [this](HWND, const char* verb, const char* file,
                                           const char* parameters, const char* folder, int show) {
      shell.push_back({verb ? verb : "<null>", file ? file : "<null>",
                       parameters ? parameters : "<null>", folder ? folder : "<null>", show});
      return reinterpret_cast<HINSTANCE>(42);
    };
    pelloro::SetWizardProgramEnd([this] { ++ends; });
  }
  void TearDown() override {
    pelloro::SetWizardProgramEnd(nullptr);
    forms::App().ShellExecuteHook = nullptr;
    apptest::DialogsWorkTest::TearDown();
  }
  // Runs the wizard from its menu item; the handler drives it.
  void RunWizard(TMainfrm& main, std::function<void(TWizardfrm&)> drive) {
    guitest::OnModal([&, drive](forms::Form& form) {
      auto& wizard = dynamic_cast<TWizardfrm&>(form);
      mainShownDuring = main.Visible();
      drive(wizard);
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|Unzip &Wizard..."));
  }
  static void Enter(TWizardfrm& wizard) { guitest::Key(wizard, VK_RETURN); }
  static void Shot(TWizardfrm& wizard, const char* name) {
    wizard.Repaint();
    guitest::Pump(30);
    guitest::SaveScreenshot(wizard.Handle(), name);
  }
  // Which page is showing: 1, 2, 3, or 0 for none or more than one.
  static int Page(TWizardfrm& wizard) {
    const bool shown[] = {wizard.Page1->Visible(), wizard.Page2->Visible(),
                          wizard.Page3->Visible()};
    int page = 0;
    for (int i = 0; i < 3; ++i) {
      if (shown[i]) page = page == 0 ? i + 1 : -1;
    }
    return page < 0 ? 0 : page;
  }
  std::vector<ShellCall> shell;
  int ends = 0;
  bool mainShownDuring = true;
};

TEST(WizardTargetName, DropsExactlyTheLastFourCharacters) {
  const std::string base = WindowsFolder() + "\\Desktop\\Unzips\\";
  const struct {
    const char* archive;
    const char* folder;
  } cases[] = {
      {"C:\\some folder\\list.zip", "list"},
      {"C:\\a\\backup.tar.gz", "backup.ta"},  // whatever the extension
      {"D:\\Gr\xFC\xDF"
       "e.ZIP",
       "Gr\xFC\xDF"
       "e"},
      {"C:\\x\\abc", ""},
      {"relative/name.zip", "name"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pelloro::WizardTarget(c.archive), base + c.folder) << c.archive;
  }
}

TEST_F(WizardTest, PagesByEnterThenNoReturnsAndYesEndsTheProgram) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  const std::string target = work_ + "made\\below\\list";  // missing: made with its parents
  std::vector<std::string> questions;
  std::vector<int> pages;
  RunWizard(main, [&](TWizardfrm& wizard) {
    pages.push_back(Page(wizard));
    EXPECT_EQ(wizard.Label13->Caption(), ListPath());
    EXPECT_FALSE(wizard.Backbtn->Enabled());
    EXPECT_TRUE(wizard.Nextbtn->Enabled());
    Shot(wizard, "pelloro_wizard_page1.bmp");
    Enter(wizard);
    pages.push_back(Page(wizard));
    EXPECT_TRUE(wizard.Backbtn->Enabled());
    EXPECT_EQ(wizard.Edit2->Text(), WindowsFolder() + "\\Desktop\\Unzips\\list");
    Shot(wizard, "pelloro_wizard_page2.bmp");
    guitest::Click(*wizard.Backbtn);  // -2, then next: the first page again
    pages.push_back(Page(wizard));
    EXPECT_EQ(wizard.Step(), 1);
    Enter(wizard);
    guitest::SetText(*wizard.Edit2, target);
    guitest::Key(*wizard.Edit2, VK_RETURN);  // Enter in the edit is the next button too
    pages.push_back(Page(wizard));
    EXPECT_TRUE(wizard.CheckBox1->Checked());
    Shot(wizard, "pelloro_wizard_page3.bmp");
    guitest::OnModal([&](forms::Form& question) {
      questions.push_back(guitest::Get<forms::Label>(question, "Message").Caption());
      guitest::SaveScreenshot(question.Handle(), "pelloro_wizard_question.bmp");
      guitest::Click(question, "No");
    });
    Enter(wizard);
    pages.push_back(Page(wizard));  // No: the first page with the same archive
    EXPECT_EQ(wizard.Label13->Caption(), ListPath());
    EXPECT_EQ(wizard.Step(), 1);
    EXPECT_FALSE(wizard.Backbtn->Enabled());
    EXPECT_FALSE(main.Op()->Visible());
    EXPECT_EQ(ends, 0);
    // Again into the emptied folder, without showing it, then Yes.
    ASSERT_TRUE(testutil::RemoveTree(work_ + "made"));
    Enter(wizard);
    guitest::SetText(*wizard.Edit2, target);
    Enter(wizard);
    guitest::Click(*wizard.CheckBox1);
    EXPECT_FALSE(wizard.CheckBox1->Checked());
    guitest::OnModal([&](forms::Form& question) {
      questions.push_back(guitest::Get<forms::Label>(question, "Message").Caption());
      guitest::Click(question, "Yes");
    });
    Enter(wizard);
  });
  EXPECT_FALSE(mainShownDuring);
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 1, 3, 1}));
  ASSERT_EQ(questions.size(), 2u);
  for (const std::string& q : questions) {
    EXPECT_EQ(
        q, "All files were successfully unziped to " + target + ".  Would you like to exit now?");
  }
  // The folder was shown after the first run only: "Open" of the folder, nothing else.
  ASSERT_EQ(shell.size(), 1u);
  EXPECT_EQ(shell[0].verb, "Open");
  EXPECT_EQ(shell[0].file, target);
  EXPECT_EQ(shell[0].parameters, "");
  EXPECT_EQ(shell[0].folder, "");
  EXPECT_EQ(shell[0].show, SW_SHOWNORMAL);
  const std::string peer = apptest::CompareWithPython(ListPath(), target);
  EXPECT_TRUE(apptest::PeerOk(peer)) << peer;
  // Yes: the main window closed (its placement saved) and the program asked to end.
  EXPECT_EQ(ends, 1);
  EXPECT_NE(apptest::ReadSetting("PosX"), "<none>");
  EXPECT_EQ(main.QXCtrl1->CallsInProgress(), 0);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(WizardTest, AnArchiveBrokenSinceItsListingAsksWithItsErrorAndTheWholeFolder) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string archive = work_ + "broken.zip";
  ASSERT_TRUE(CopyFileA(ListPath().c_str(), archive.c_str(), FALSE));
  ASSERT_TRUE(main.OpenByTheRoad(archive));
  // Cut after the listing (as another program may): the extraction fails.
  ASSERT_TRUE(CopyFileA(apptest::FixturePath("truncated.zip").c_str(), archive.c_str(), FALSE));
  std::string target = work_;
  while (target.size() < 215) target += "long folder name\\";
  target += "end";
  ASSERT_GT(target.size(), 200u);
  std::string question;
  RunWizard(main, [&](TWizardfrm& wizard) {
    Enter(wizard);
    guitest::SetText(*wizard.Edit2, target);
    Enter(wizard);
    guitest::OnModal([&](forms::Form& dialog) {
      question = guitest::Get<forms::Label>(dialog, "Message").Caption();
      guitest::SaveScreenshot(dialog.Handle(), "pelloro_wizard_error_question.bmp");
      guitest::Click(dialog, "No");
    });
    Enter(wizard);
    EXPECT_EQ(Page(wizard), 1);
    guitest::Click(*wizard.Offbtn);
  });
  const std::string head = "Some files could not be unzipped to " + target + " (error ";
  ASSERT_EQ(question.rfind(head, 0), 0u) << question;
  const std::string rest = question.substr(head.size());
  const size_t close = rest.find(')');
  ASSERT_NE(close, std::string::npos) << question;
  const int code = std::stoi(rest.substr(0, close));
  EXPECT_GT(code, 1) << question;
  EXPECT_EQ(rest.substr(close), ").  Would you like to exit now?");
  EXPECT_EQ(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(ends, 0);
  EXPECT_TRUE(main.Visible());
  EXPECT_TRUE(main.Functions1->Enabled());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(WizardTest, QuitEndsTheProgramAndOffShowsTheMainWindowAgain) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  RunWizard(main, [&](TWizardfrm& wizard) { guitest::Click(*wizard.Cancelbtn); });
  EXPECT_FALSE(mainShownDuring);
  EXPECT_EQ(ends, 1);
  RunWizard(main, [&](TWizardfrm& wizard) {
    Enter(wizard);
    guitest::Click(*wizard.Offbtn);
  });
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(main.Visible());
  EXPECT_TRUE(main.Functions1->Enabled());
  EXPECT_TRUE(main.ExplorerButton11->Enabled());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(shell.empty());
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(WizardTest, AboutShowsTheAboutBoxOverTheWizard) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  std::string caption, address;
  RunWizard(main, [&](TWizardfrm& wizard) {
    guitest::OnModal([&](forms::Form& form) {
      auto& about = dynamic_cast<pelloro::TAboutBox&>(form);
      caption = about.Caption();
      address = about.UrlLabel1->Caption();
      guitest::Key(*about.Closebtn, VK_RETURN);
    });
    guitest::Click(*wizard.Aboutbtn);
    EXPECT_EQ(Page(wizard), 1);
    guitest::Click(*wizard.Offbtn);
  });
  EXPECT_EQ(caption, "About Pelloro for Windows '95");
  EXPECT_EQ(address, pelloro::kWebAddress);
  EXPECT_TRUE(exceptions.empty());
}

// A failed control call (the echo control answering DISP_E_EXCEPTION) ends only the command.
TEST_F(WizardTest, AFailedCallEndsTheWizardWithOneMessage) {
  echotest::EchoServer server;
  ASSERT_TRUE(server.registered());
  pelloro::TMainfrmOptions options;
  options.ControlClass = &echotest::kEchoClassId;
  TMainfrm& main = MakeMain(options);
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad("C:\\echo.zip"));
  server.state.answer = [](const echotest::RawCall&, VARIANT*, EXCEPINFO* exception) {
    exception->bstrDescription = SysAllocString(L"The files cannot be unzipped");
    return DISP_E_EXCEPTION;
  };
  bool wizardClosed = false;
  RunWizard(main, [&](TWizardfrm& wizard) {
    guitest::SetText(*wizard.Edit2, work_ + "echo");
    Enter(wizard);
    guitest::SetText(*wizard.Edit2, work_ + "echo");
    Enter(wizard);
    Enter(wizard);
    wizardClosed = wizard.ModalResult() != forms::mrNone;
  });
  EXPECT_TRUE(wizardClosed);
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_NE(exceptions[0].find("The files cannot be unzipped"), std::string::npos) << exceptions[0];
  EXPECT_EQ(main.QXCtrl1->CallsInProgress(), 0);
  EXPECT_FALSE(main.Op()->Visible());
  EXPECT_TRUE(main.Visible());
  EXPECT_TRUE(main.Functions1->Enabled());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_EQ(ends, 0);
  // The next command works.
  server.state.answer = nullptr;
  exceptions.clear();
  RunWizard(main, [&](TWizardfrm& wizard) { guitest::Click(*wizard.Offbtn); });
  EXPECT_TRUE(exceptions.empty());
  EXPECT_TRUE(main.Visible());
  // The main window (and its control) goes before the echo's server.
  main.SetOp(nullptr);
  op_.reset();
  main_.reset();
}

}  // namespace
