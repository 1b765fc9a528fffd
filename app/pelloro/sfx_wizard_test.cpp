// The self-extractor wizard in process with the real control and RAVELIN.32 beside it: its pages
// walked by Enter and Next (Back from the last page), the self-extractor it writes judged by the
// peers, its settings block (title, the auto-run entry inside a folder by its full name, the ask
// flag), "Run it now?" launching the result, an unchecked auto-run box giving no program, and the
// refusals: the 16-bit stub that does not ship ("CDE-2") and a self-extractor as input
// ("CDE-4", the input unchanged), neither followed by the question.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app_test_support.h"
#include "captions.h"
#include "dialog_robot.h"
#include "forms/application.h"
#include "gui_driver.h"
#include "new_zip_form.h"
#include "peer_runner.h"
#include "sfx_wizard.h"
#include "toolstest_support.h"
#include "win_test_util.h"

namespace {

using pelloro::TForm1form;
using pelloro::TMainfrm;
using toolstest::Answers;

constexpr size_t kBlockSize = 682;
constexpr size_t kTitleAt = 2, kProgramAt = 52, kFieldWidth = 50;

std::string ControlFolder() {
  std::string dll = testutil::UnixToWindowsPath(QX30W32_DLL_PATH);
  dll.resize(dll.find_last_of('\\') + 1);
  return dll;
}

size_t StubSize() { return testutil::FileBytes(ControlFolder() + "RAVELIN.32", true).size(); }

std::string Padded(const std::string& text) {
  return text + std::string(kFieldWidth - text.size(), ' ');
}

// A click on a row of a list view as the mouse makes it (posted, so that the list view's drag
// check finds the release in the queue).
void ClickRow(forms::ListView& list, int row) {
  RECT bounds = {};
  bounds.left = LVIR_LABEL;
  SendMessageA(list.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
  const LPARAM at = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
  PostMessageA(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list.Handle(), WM_LBUTTONUP, 0, at);
  guitest::Pump(100);
}

int RowNamed(const forms::ListView& list, const std::string& name) {
  const int count = static_cast<int>(SendMessageA(list.Handle(), LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    if (apptest::ItemText(list.Handle(), row, 0) == name) return row;
  }
  return -1;
}

// The page the wizard shows (1 to 5), 0 for none or more than one.
int VisiblePage(const TForm1form& wizard) {
  int shown = 0;
  int page = 0;
  const forms::Panel* pages[] = {wizard.Page1, wizard.Page2, wizard.Page3, wizard.Page4,
                                 wizard.Page5};
  for (int i = 0; i < 5; ++i) {
    if (pages[i]->Visible()) {
      ++shown;
      page = i + 1;
    }
  }
  return shown == 1 ? page : 0;
}

class SfxWizardTest : public apptest::DialogsWorkTest {
 protected:
  void SetUp() override {
    apptest::DialogsWorkTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_GT(StubSize(), 0u) << "RAVELIN.32 beside the control";
    archive_ = work_ + "sfx.zip";
    ASSERT_TRUE(
        CopyFileA(apptest::FixturePath("sfx folder\\sfx.zip").c_str(), archive_.c_str(), FALSE));
    forms::App().ShellExecuteHook = [this](HWND, const char* verb, const char* file,
                                           const char* parameters, const char* folder, int show) {
      launches_.push_back(std::string(verb) + "|" + file + "|" + parameters + "|" + folder + "|" +
                          std::to_string(show));
      return reinterpret_cast<HINSTANCE>(42);
    };
  }
  void TearDown() override {
    forms::App().ShellExecuteHook = nullptr;
    apptest::DialogsWorkTest::TearDown();
  }
  TMainfrm& OpenMain(const std::string& archive) {
    TMainfrm& main = MakeMain();
    main.Show();
    EXPECT_TRUE(main.OpenByTheRoad(archive)) << archive;
    return main;
  }
  // Runs the wizard from the menu with `drive` inside its modal loop.
  void RunWizard(TMainfrm& main, const std::function<void(TForm1form&)>& drive) {
    bool shown = false;
    guitest::OnModal([&](forms::Form& form) {
      shown = true;
      drive(dynamic_cast<TForm1form&>(form));
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|Make &SFX"));
    EXPECT_TRUE(shown);
    EXPECT_EQ(main.QXCtrl1->CallsInProgress(), 0);
    EXPECT_TRUE(main.Functions1->Enabled()) << "the actions are on again";
  }
  // The self-extractor's settings block.
  std::string Block(const std::string& exe) {
    const std::vector<uint8_t> bytes = testutil::FileBytes(exe);
    const size_t at = StubSize();
    if (bytes.size() < at + kBlockSize) return std::string();
    return std::string(bytes.begin() + at, bytes.begin() + at + kBlockSize);
  }
  // Pages 1 to 3 by Enter and Next, the title typed on page 2.
  void ToPage4(TForm1form& wizard, const std::string& title, bool screenshots = false,
               bool sixteen = false) {
    EXPECT_EQ(VisiblePage(wizard), 1);
    EXPECT_EQ(wizard.NameofFile->Text(), archive_);
    EXPECT_FALSE(wizard.NameofFile->Enabled());
    EXPECT_FALSE(wizard.Backbtn->Enabled());
    if (screenshots) guitest::SaveScreenshot(wizard.Handle(), "pelloro_sfx_page1.bmp");
    guitest::Key(wizard, VK_RETURN);
    EXPECT_EQ(VisiblePage(wizard), 2);
    EXPECT_EQ(wizard.Title->Text(), "My Self-Extracting Zip file");
    guitest::SetText(*wizard.Title, title);
    if (screenshots) guitest::SaveScreenshot(wizard.Handle(), "pelloro_sfx_page2.bmp");
    guitest::Key(*wizard.Title, VK_RETURN);
    EXPECT_EQ(VisiblePage(wizard), 3);
    EXPECT_EQ(wizard.RadioGroup1->ItemIndex(), 1);
    if (sixteen) guitest::Click(*wizard.RadioGroup1->Buttons(0));
    if (screenshots) guitest::SaveScreenshot(wizard.Handle(), "pelloro_sfx_page3.bmp");
    guitest::Click(*wizard.Nextbtn);
    EXPECT_EQ(VisiblePage(wizard), 4);
  }
  std::string PythonView(const std::string& exe) {
    return testutil::RunPeer(work_, "PYTHONIOENCODING=utf-8 python3 - '" + testutil::UnixPath(exe) +
                                        "' <<'PY'\n"
                                        "import sys, zipfile\n"
                                        "z = zipfile.ZipFile(sys.argv[1])\n"
                                        "assert z.testzip() is None\n"
                                        "for i in z.infolist():\n"
                                        "    print('%s|%d' % (i.filename, i.file_size))\n"
                                        "PY\n"
                                        "unzip -tqq '" +
                                        testutil::UnixPath(exe) +
                                        "' >/dev/null 2>&1 </dev/null && echo UNZIP-OK\n"
                                        "7z t -bd '" +
                                        testutil::UnixPath(exe) +
                                        "' >/dev/null 2>&1 </dev/null && echo 7Z-OK\n");
  }
  std::string archive_;
  std::vector<std::string> launches_;
};

TEST_F(SfxWizardTest, BuildsASelfExtractorThePeersReadWithTheFullAutoRunName) {
  TMainfrm& main = OpenMain(archive_);
  std::vector<std::string> texts;
  std::string chosen;
  RunWizard(main, [&](TForm1form& wizard) {
    EXPECT_EQ(wizard.Caption(), "Pelloro Self-Extractor Creator");
    ToPage4(wizard, "Caf\xE9 tools", true);
    EXPECT_TRUE(wizard.CheckBox1->Checked());
    EXPECT_TRUE(wizard.MSListView2->Visible());
    // The entries as the main list shows them, with the size column of the wizard's own.
    const int run = RowNamed(*wizard.MSListView2, "run.bat");
    ASSERT_GE(run, 0);
    EXPECT_EQ(apptest::ItemText(wizard.MSListView2->Handle(), run, 1), "        31");
    EXPECT_EQ(apptest::ItemText(wizard.MSListView2->Handle(), run, 2), "bin\\");
    EXPECT_GE(RowNamed(*wizard.MSListView2,
                       "gr\xFC\xDF"
                       "e caf\xE9.txt"),
              0);
    ClickRow(*wizard.MSListView2, run);
    chosen = wizard.AutoRunEntry();
    EXPECT_TRUE(wizard.Nextbtn->Enabled());
    guitest::SaveScreenshot(wizard.Handle(), "pelloro_sfx_page4.bmp");
    guitest::Click(*wizard.Nextbtn);
    EXPECT_EQ(VisiblePage(wizard), 5);
    EXPECT_TRUE(wizard.CheckBox2->Checked());
    guitest::SaveScreenshot(wizard.Handle(), "pelloro_sfx_page5.bmp");
    // Back from the last page returns to the page before; Next comes back.
    guitest::Click(*wizard.Backbtn);
    EXPECT_EQ(VisiblePage(wizard), 4);
    EXPECT_EQ(wizard.Counter(), 4);
    guitest::Click(*wizard.Nextbtn);
    EXPECT_EQ(VisiblePage(wizard), 5);
    Answers answers({"Yes"});
    answers.before = [&](size_t) {
      guitest::Pump(150);  // painted first
      guitest::SaveScreenshot(nullptr, "pelloro_sfx_run_it_now.bmp");
    };
    guitest::Key(*wizard.CheckBox2, VK_RETURN);
    texts = answers.texts;
  });
  EXPECT_EQ(lstrcmpiA(chosen.c_str(), "bin\\run.bat"), 0) << chosen;
  EXPECT_EQ(texts, std::vector<std::string>{pelloro::kRunItNow});
  const std::string exe = work_ + "sfx.exe";
  ASSERT_EQ(launches_, std::vector<std::string>{"open|" + exe + "||" + "|1"});
  const std::string block = Block(exe);
  ASSERT_EQ(block.size(), kBlockSize);
  EXPECT_EQ(block[0], '1') << "overwrite mode 1";
  EXPECT_EQ(block[1], '1') << "the user chooses the folder";
  EXPECT_EQ(block.substr(kTitleAt, kFieldWidth), Padded("Caf\xE9 tools"));
  EXPECT_EQ(block.substr(kProgramAt, kFieldWidth), Padded(chosen));
  EXPECT_EQ(PythonView(exe),
            testutil::FileText(apptest::FixturePath("sfx folder\\sfx.txt")) + "UNZIP-OK\n7Z-OK\n");
  pelloro::ForceFolder(testutil::BinaryDir() + "app\\pelloro\\peer_check\\");
  EXPECT_TRUE(CopyFileA(
      exe.c_str(), (testutil::BinaryDir() + "app\\pelloro\\peer_check\\sfx_wizard.exe").c_str(),
      FALSE));
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

TEST_F(SfxWizardTest, AnUncheckedAutoRunBoxGivesNoProgramAndNoQuestionOnNo) {
  TMainfrm& main = OpenMain(archive_);
  std::vector<std::string> texts;
  RunWizard(main, [&](TForm1form& wizard) {
    ToPage4(wizard, "Plain");
    ClickRow(*wizard.MSListView2, RowNamed(*wizard.MSListView2, "run.bat"));
    EXPECT_FALSE(wizard.AutoRunEntry().empty());
    guitest::Click(*wizard.CheckBox1);  // off: no entry, Next on, the list hidden
    EXPECT_FALSE(wizard.CheckBox1->Checked());
    EXPECT_TRUE(wizard.AutoRunEntry().empty());
    EXPECT_TRUE(wizard.Nextbtn->Enabled());
    EXPECT_FALSE(wizard.MSListView2->Visible());
    {
      Answers again({"OK"});  // on again: the request to pick one, Next off until a pick
      guitest::Click(*wizard.CheckBox1);
      texts = again.texts;
    }
    EXPECT_FALSE(wizard.Nextbtn->Enabled());
    EXPECT_TRUE(wizard.MSListView2->Visible());
    ClickRow(*wizard.MSListView2, RowNamed(*wizard.MSListView2, "run.bat"));
    EXPECT_TRUE(wizard.Nextbtn->Enabled());
    guitest::Click(*wizard.CheckBox1);  // and off again after the click
    guitest::Click(*wizard.Nextbtn);
    guitest::Click(*wizard.CheckBox2);  // the folder is not asked for
    Answers answers({"No"});
    guitest::Click(*wizard.Nextbtn);
    texts.insert(texts.end(), answers.texts.begin(), answers.texts.end());
  });
  EXPECT_EQ(texts, (std::vector<std::string>{"Please select a file to auto-run from the box below.",
                                             pelloro::kRunItNow}));
  EXPECT_TRUE(launches_.empty()) << "No runs nothing";
  const std::string block = Block(work_ + "sfx.exe");
  ASSERT_EQ(block.size(), kBlockSize);
  EXPECT_EQ(block[1], '0');
  EXPECT_EQ(block.substr(kProgramAt, kFieldWidth), std::string(kFieldWidth, ' '));
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

TEST_F(SfxWizardTest, TheMissingSixteenBitStubAndAnExeInputAreRefusedWithoutTheQuestion) {
  // The 16-bit stub does not ship: CDE-2, nothing written.
  TMainfrm& main = OpenMain(archive_);
  std::vector<std::string> texts, captions;
  const auto build = [&](TForm1form& wizard, bool sixteen) {
    ToPage4(wizard, "Refused", false, sixteen);
    EXPECT_EQ(wizard.RadioGroup1->ItemIndex(), sixteen ? 0 : 1);
    guitest::Click(*wizard.CheckBox1);
    guitest::Click(*wizard.Nextbtn);
    Answers answers({"OK"});
    answers.before = [&](size_t) {
      guitest::Pump(150);  // painted first
      guitest::SaveScreenshot(nullptr, sixteen ? "pelloro_sfx_cde2.bmp" : "pelloro_sfx_cde4.bmp");
    };
    guitest::Click(*wizard.Nextbtn);
    texts.insert(texts.end(), answers.texts.begin(), answers.texts.end());
  };
  RunWizard(main, [&](TForm1form& wizard) { build(wizard, true); });
  EXPECT_EQ(texts, std::vector<std::string>{"Error occured - contact Brindle Corvex!. CDE-2"});
  EXPECT_EQ(GetFileAttributesA((work_ + "sfx.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(launches_.empty());

  // A self-extractor as the input: its own name is the output, which the builder refuses.
  texts.clear();
  RunWizard(main, [&](TForm1form& wizard) {
    ToPage4(wizard, "First");
    guitest::Click(*wizard.Nextbtn);
    Answers answers({"No"});
    guitest::Click(*wizard.Nextbtn);
  });
  const std::string exe = work_ + "sfx.exe";
  ASSERT_NE(GetFileAttributesA(exe.c_str()), INVALID_FILE_ATTRIBUTES);
  TMainfrm& second = OpenMain(exe);
  archive_ = exe;
  const std::vector<uint8_t> before = testutil::FileBytes(exe, true);
  RunWizard(second, [&](TForm1form& wizard) { build(wizard, false); });
  EXPECT_EQ(texts, std::vector<std::string>{"Error occured - contact Brindle Corvex!. CDE-4"});
  EXPECT_TRUE(testutil::FileBytes(exe) == before) << "the input is unchanged";
  EXPECT_TRUE(launches_.empty());
  EXPECT_TRUE(exceptions.empty()) << (exceptions.empty() ? "" : exceptions[0]);
}

}  // namespace
