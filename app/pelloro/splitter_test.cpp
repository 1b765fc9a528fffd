// The splitter windows in process, over seams for the free space, the disk prompt, writes and the
// source's attributes: part sizes from each disk's capacity, the parts (and the copied Kobu, run as
// a process) giving the source back, DATA.EXT, parts .099 and .100, the copy offered to a file
// that fits, every stop writing nothing and giving the attributes back, the failures reported with
// no completion, the refusals; then the rebuilder check of the main window's three Kobu items.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "captions.h"
#include "forms/label.h"
#include "forms/message_dialogs.h"
#include "gui_driver.h"
#include "splitter.h"
#include "tool_commands.h"
#include "toolstest_support.h"
#include "win_test_util.h"

namespace {

using pelloro::Splitter;
using pelloro::TSplitMainfrm;
using pelloro::TSplitWizardfrm;
using toolstest::Answers;

constexpr uint64_t kDisk = 1457664;  // a 1.44 MB diskette's free space

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
  std::vector<uint8_t> data(size);
  uint32_t x = seed;
  for (auto& b : data) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
  }
  return data;
}

uint64_t Size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return UINT64_MAX;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class SplitterTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    apptest::AppTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(CopyFileA(toolstest::BuiltKobu().c_str(), (program_ / "Kobu").c_str(), FALSE))
        << toolstest::BuiltKobu();
    pelloro::SetProgramFolder(program_.path());
    kobuSize_ = Size(program_ / "Kobu");
    InstallSeams();
  }
  void InstallSeams() {
    pelloro::ResetSplitterSeams();
    // Disk n (from 1) has free[n - 1] bytes, the last value for every further disk.
    Splitter().FreeSpace = [this](char) -> std::optional<uint64_t> {
      ++freeCalls_;
      return free_[std::min(disk_, free_.size()) - 1];
    };
    Splitter().InsertDisk = [this](const std::string& text) {
      prompts_.push_back(text);
      ++disk_;
    };
  }
  void TearDown() override {
    pelloro::ResetSplitterSeams();
    pelloro::SetProgramFolder("");
    apptest::AppTest::TearDown();
  }
  // The single-page splitter shown with the source and target typed.
  std::unique_ptr<TSplitMainfrm> MainSplitter(const std::string& source,
                                              const std::string& target) {
    auto form = std::make_unique<TSplitMainfrm>(nullptr);
    form->Show();
    guitest::SetText(*form->Edit1, source);
    guitest::Key(*form->Edit1, VK_END);
    guitest::SetText(*form->Edit2, target);
    return form;
  }
  std::vector<std::string> Parts(const std::string& folder, const std::string& base) {
    std::vector<std::string> parts;
    for (int n = 0;; ++n) {
      const std::string part = pelloro::PartName(folder, base, n);
      if (GetFileAttributesA(part.c_str()) == INVALID_FILE_ATTRIBUTES) break;
      parts.push_back(part);
    }
    return parts;
  }

  testutil::TempFolder program_, work_;
  uint64_t kobuSize_ = 0;
  std::vector<uint64_t> free_ = {kDisk};
  size_t disk_ = 1;
  int freeCalls_ = 0;
  std::vector<std::string> prompts_;
};

TEST(SplitterNames, PartNamesAndTheExtensionLine) {
  const struct {
    const char* source;
    const char* extension;
    int n;
    const char* part;
  } cases[] = {
      {"C:\\d\\x.txt", ".txt", 0, "A:\\x.000"},
      {"C:\\d\\noext", "", 1, "A:\\noext.001"},
      {"C:\\d\\a.b.c", ".c", 99, "A:\\a.b.099"},
      {"C:\\d.x\\plain", "", 100, "A:\\plain.100"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pelloro::SourceExtension(c.source), c.extension) << c.source;
    EXPECT_EQ(pelloro::PartName("A:\\", c.source, c.n), c.part) << c.source;
  }
}

TEST_F(SplitterTest, PartsFollowEachDiskAndGiveTheSourceBack) {
  const std::string source = work_ / "big.txt";
  const std::vector<uint8_t> data = Pattern(3 * kDisk + 12345, 7);
  ASSERT_TRUE(testutil::WriteWholeFile(source, data));
  const std::string target = work_ / "out\\";  // created by the split
  auto form = MainSplitter(source, target);
  EXPECT_TRUE(form->Nextbtn->Enabled());
  {
    Answers answers({"OK", "OK"});  // ready to begin; the completion
    guitest::Click(*form->Nextbtn);
    ASSERT_EQ(answers.texts.size(), 2u);
    EXPECT_EQ(answers.texts[0], "When you are ready to begin click ok.");
    EXPECT_EQ(answers.texts[1],
              "The file " + source +
                  " has been split\r\n\r\nYou can Rebuild the split file file by running "
                  "KOBU on the first disk.");
  }
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(testutil::FileText(target + "DATA.EXT"), ".txt\r\n");
  EXPECT_EQ(testutil::FileBytes(target + "Kobu"), testutil::FileBytes(program_ / "Kobu"));
  const std::vector<std::string> parts = Parts(target, source);
  ASSERT_EQ(parts.size(), 4u);
  ASSERT_EQ(prompts_.size(), 3u);
  EXPECT_EQ(prompts_[0], "Please insert disk number 2 and click OK when ready");
  EXPECT_EQ(prompts_[2], "Please insert disk number 4 and click OK when ready");
  std::vector<uint8_t> joined;
  for (size_t n = 0; n < parts.size(); ++n) {
    const std::vector<uint8_t> bytes = testutil::FileBytes(parts[n], true);
    if (n + 1 < parts.size()) {
      const uint64_t capacity = n == 0 ? kDisk - (kobuSize_ + 10000) : kDisk - 10000;
      EXPECT_EQ(bytes.size(), (capacity + 4095) / 4096 * 4096) << parts[n];
    }
    joined.insert(joined.end(), bytes.begin(), bytes.end());
  }
  EXPECT_TRUE(joined == data);
  const std::vector<std::string> log = form->Memo1->Lines();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "Preparing to copy rebuilder to " + target + " drive/folder...");
  EXPECT_EQ(log.back(), "** Done **");
  EXPECT_EQ(form->ProgressBar1->Position(), 100);

  // Kobu, run from the folder of the set, puts the file together again.
  testutil::TempFolder rebuilt;
  toolstest::KobuRun kobu(target + "Kobu");
  ASSERT_TRUE(kobu.Started());
  EXPECT_TRUE(kobu.Choose(rebuilt.path()));
  EXPECT_EQ(kobu.Answer("Kobu", IDOK), "The file " + rebuilt.path() + "big.txt has been rebuilt.");
  EXPECT_EQ(kobu.Ended(), 0);
  EXPECT_TRUE(testutil::FileBytes(rebuilt / "big.txt", true) == data);
}

TEST_F(SplitterTest, KobuAsksForAMissingPartAndCancelLeavesNothing) {
  const std::string source = work_ / "gone.bin";
  ASSERT_TRUE(testutil::WriteWholeFile(source, Pattern(2 * kDisk + 100, 3)));
  const std::string target = work_ / "set\\";
  auto form = MainSplitter(source, target);
  {
    Answers answers({"OK", "OK"});
    guitest::Click(*form->Nextbtn);
  }
  ASSERT_EQ(Parts(target, source).size(), 3u);
  ASSERT_TRUE(DeleteFileA(pelloro::PartName(target, source, 1).c_str()));
  testutil::TempFolder rebuilt;
  toolstest::KobuRun kobu(target + "Kobu");
  ASSERT_TRUE(kobu.Choose(rebuilt.path()));
  EXPECT_EQ(kobu.Answer("Kobu", IDCANCEL), "Please insert disk number 2 and click OK when ready");
  EXPECT_NE(kobu.Answer("Kobu", IDOK).find("cancelled"), std::string::npos);
  EXPECT_NE(kobu.Ended(), 0);
  EXPECT_TRUE(testutil::FolderNames(rebuilt.path()).empty());
}

TEST_F(SplitterTest, SmallDisksReachParts99And100AndNamesWithoutOrWithDots) {
  // Disk 1 just enough for Kobu; every later disk one block.
  free_ = {kobuSize_ + 200000, 10000 + 4096};
  const uint64_t firstPart = (kobuSize_ + 200000 - (kobuSize_ + 10000) + 4095) / 4096 * 4096;
  const struct {
    const char* name;
    const char* line;
  } names[] = {{"a.b.c", ".c\r\n"}, {"noext", "\r\n"}};
  int round = 0;
  for (const auto& n : names) {
    disk_ = 1;
    prompts_.clear();
    const std::string source = work_ / n.name;
    const std::vector<uint8_t> data = Pattern(firstPart + 100 * 4096 - 10, round);
    ASSERT_TRUE(testutil::WriteWholeFile(source, data));
    const std::string target = work_ / ("small" + std::to_string(round++) + "\\");
    auto form = MainSplitter(source, target);
    Answers answers({"OK", "OK"});
    guitest::Click(*form->Nextbtn);
    EXPECT_EQ(testutil::FileText(target + "DATA.EXT"), n.line);
    const std::vector<std::string> parts = Parts(target, source);
    ASSERT_EQ(parts.size(), 101u) << n.name;
    EXPECT_EQ(parts[99].substr(parts[99].size() - 4), ".099");
    EXPECT_EQ(parts[100].substr(parts[100].size() - 4), ".100");
    EXPECT_EQ(Size(parts[100]), 4096u - 10);
  }
}

TEST_F(SplitterTest, AFileThatFitsIsCopiedOrLeftIdle) {
  free_ = {100000};
  const std::string source = work_ / "small.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(source, std::string(5000, 'x')));
  const std::string target = work_ / "copy\\";
  {
    auto form = MainSplitter(source, target);
    Answers answers({"No"});
    guitest::Click(*form->Nextbtn);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0],
              "This file would fit on the disk selected, it does not require "
              "splitting.\r\n\r\nWould you like "
              "to copy it instead?");
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_TRUE(form->Page3->Visible());
    EXPECT_TRUE(form->Exitbtn->Enabled());
    EXPECT_TRUE(testutil::FolderNames(target).empty());
  }
  {
    auto form = MainSplitter(source, target);
    Answers answers({"Yes"});
    guitest::Click(*form->Nextbtn);
    EXPECT_EQ(testutil::FileText(target + "small.txt"), std::string(5000, 'x'));
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
  }
}

TEST_F(SplitterTest, WinesRealFreeSpaceOffersTheCopy) {
  pelloro::ResetSplitterSeams();
  const std::string source = work_ / "real.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(source, std::string(70000, 'r')));
  auto form = MainSplitter(source, work_.path() + "real\\");
  Answers answers({"No"});
  guitest::Click(*form->Nextbtn);
  ASSERT_EQ(answers.texts.size(), 1u);
  EXPECT_NE(answers.texts[0].find("does not require splitting"), std::string::npos);
}

// Each stop before the first part: nothing written, the attributes of the dropped hidden,
// read-only source back, no completion message.
TEST_F(SplitterTest, StopsWriteNothingAndGiveTheAttributesBack) {
  const DWORD kHiddenReadOnly = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
  const struct {
    const char* what;
    std::vector<std::string> answers;
    const char* lastText;  // part of the last message
  } cases[] = {
      {"missing Kobu", {"Cancel"}, "Could not locate the Rebuilder"},
      {"abort at disk 1", {"OK", "Abort", "OK"}, "Aborting at user request."},
      {"cancel at the empty drive", {"OK", "Cancel", "OK"}, "Aborting at user request."},
  };
  for (const auto& c : cases) {
    const std::string source = work_ / "drop.dat";
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(testutil::WriteWholeFile(source, Pattern(2 * kDisk, 1)));
    ASSERT_TRUE(SetFileAttributesA(source.c_str(), kHiddenReadOnly));
    const DWORD before = GetFileAttributesA(source.c_str());
    const std::string target = work_ / "stop\\";
    testutil::RemoveTree(target);
    const std::string what = c.what;
    if (what == "missing Kobu") DeleteFileA((program_ / "Kobu").c_str());
    disk_ = 1;
    free_ = {what == "abort at disk 1" ? 1000 : kDisk};
    bool emptyDrive = what == "cancel at the empty drive";
    if (emptyDrive) {
      // Disk 1 too small, then no disk at all.
      free_ = {1000};
      Splitter().FreeSpace = [this, calls = 0](char) mutable -> std::optional<uint64_t> {
        if (++calls == 1) return 1000;
        return std::nullopt;
      };
    }
    TSplitMainfrm form(nullptr);
    form.Show();
    guitest::SetText(*form.Edit2, target);
    guitest::DropFiles(form.Handle(), {source});
    guitest::Pump(50);
    ASSERT_EQ(form.Edit1->Text(), source) << what;
    EXPECT_EQ(GetFileAttributesA(source.c_str()) & kHiddenReadOnly, 0u) << what;
    {
      std::vector<std::string> script = c.answers;
      if (emptyDrive)
        script = {"OK", "OK", "Cancel", "OK"};  // ready; too small: OK; no disk: Cancel
      Answers answers(script);
      guitest::Click(*form.Nextbtn);
      ASSERT_FALSE(answers.texts.empty()) << what;
      EXPECT_NE(answers.texts.back().find(c.lastText), std::string::npos)
          << what << ": " << answers.texts.back();
      for (const std::string& text : answers.texts)
        EXPECT_EQ(text.find("has been split"), std::string::npos);
    }
    EXPECT_FALSE(IsWindowVisible(form.Handle())) << what;
    EXPECT_EQ(GetFileAttributesA(source.c_str()), before) << what;
    EXPECT_TRUE(testutil::FolderNames(target).empty()) << what;
    if (what == "missing Kobu") {
      ASSERT_TRUE(CopyFileA(toolstest::BuiltKobu().c_str(), (program_ / "Kobu").c_str(), FALSE));
    }
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(SplitterTest, ADroppedSourceGetsItsAttributesBackAfterASplitAndAfterClose) {
  const DWORD kHiddenReadOnly = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
  const std::string source = work_ / "hidden.dat";
  ASSERT_TRUE(testutil::WriteWholeFile(source, Pattern(kDisk + 5000, 9)));
  ASSERT_TRUE(SetFileAttributesA(source.c_str(), kHiddenReadOnly));
  const DWORD before = GetFileAttributesA(source.c_str());
  for (bool split : {true, false}) {
    TSplitMainfrm form(nullptr);
    form.Show();
    guitest::SetText(*form.Edit2, work_ / (split ? "hsplit\\" : "hclose\\"));
    guitest::DropFiles(form.Handle(), {source});
    guitest::Pump(50);
    EXPECT_EQ(GetFileAttributesA(source.c_str()) & kHiddenReadOnly, 0u);
    if (split) {
      disk_ = 1;
      Answers answers({"OK", "OK"});
      guitest::Click(*form.Nextbtn);
      ASSERT_EQ(answers.texts.size(), 2u);
    } else {
      guitest::Click(*form.Exitbtn);
    }
    EXPECT_EQ(GetFileAttributesA(source.c_str()), before) << split;
  }
  SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SplitterTest, FailuresAreReportedWithoutCompletion) {
  const std::string source = work_ / "fail.dat";
  const struct {
    const char* what;
    const char* text;  // the error's start
  } cases[] = {
      {"write fails mid-part", "Error: Could not write "},
      {"folder named like part 0", "Error: Could not write "},
      {"source removed", "Error: Could not read "},
  };
  for (const auto& c : cases) {
    const std::string what = c.what;
    ASSERT_TRUE(testutil::WriteWholeFile(source, Pattern(2 * kDisk, 5)));
    const std::string target = work_ / ("fail" + std::to_string(&c - cases) + "\\");
    CreateDirectoryA(target.c_str(), nullptr);
    disk_ = 1;
    if (what == "write fails mid-part") {
      Splitter().Write = [calls = 0](HANDLE file, const void* data, DWORD size,
                                     DWORD& written) mutable {
        if (size == 4096 && ++calls == 10) {
          WriteFile(file, data, size / 2, &written, nullptr);
          return true;
        }
        return WriteFile(file, data, size, &written, nullptr) != FALSE;
      };
    } else {
      pelloro::ResetSplitterSeams();
      Splitter().FreeSpace = [](char) -> std::optional<uint64_t> { return kDisk; };
      Splitter().InsertDisk = [](const std::string&) {};
    }
    if (what == "folder named like part 0") {
      ASSERT_TRUE(CreateDirectoryA(pelloro::PartName(target, source, 0).c_str(), nullptr));
    }
    auto form = MainSplitter(source, target);
    if (what == "source removed") {
      ASSERT_TRUE(DeleteFileA(source.c_str()));
    }
    Answers answers(what == "source removed" ? std::vector<std::string>{"OK"}
                                             : std::vector<std::string>{"OK", "OK"});
    guitest::Click(*form->Nextbtn);
    ASSERT_FALSE(answers.texts.empty()) << what;
    EXPECT_EQ(answers.texts.back().rfind(c.text, 0), 0u) << what << ": " << answers.texts.back();
    EXPECT_NE(answers.texts.back().find("The file has not been split completely."),
              std::string::npos);
    EXPECT_TRUE(IsWindowVisible(form->Handle())) << what;  // idle again
    EXPECT_TRUE(form->Page3->Visible()) << what;
    EXPECT_TRUE(form->Exitbtn->Enabled()) << what;
    InstallSeams();
  }
}

// Refused before anything is written: the window stays as it was.
TEST_F(SplitterTest, RefusalsLeaveEverythingUnchanged) {
  const std::string own = work_ / "own\\";
  ASSERT_TRUE(CreateDirectoryA(own.c_str(), nullptr));
  const std::string part0 = own + "data.000";
  ASSERT_TRUE(testutil::WriteWholeFile(part0, Pattern(2 * kDisk, 2)));
  const std::string plain = work_ / "plain.bin";
  ASSERT_TRUE(testutil::WriteWholeFile(plain, Pattern(2 * kDisk, 4)));
  const struct {
    const char* what;
    std::string source, target;
    const char* text;
  } cases[] = {
      {"data.000 into its own folder", part0, own,
       "Error: The split files would overwrite the file you are splitting.\r\n\r\nPlease choose "
       "another "
       "folder."},
      {"a missing drive", plain, "Q:\\x\\",
       "The drive that you entered does not exist.\r\n\r\nPlease enter "
       "another drive"},
      {"a read-only source", plain, work_ / "ro\\", "Error: You have selected a Read-Only file."},
  };
  for (const auto& c : cases) {
    const std::string what = c.what;
    if (what == "a read-only source") {
      Splitter().Attributes = [](const std::string&) -> DWORD { return FILE_ATTRIBUTE_READONLY; };
    }
    const std::vector<std::string> before = testutil::FolderNames(work_.path());
    const std::vector<uint8_t> bytes = testutil::FileBytes(c.source);
    auto form = MainSplitter(c.source, c.target);
    Answers answers({"Cancel"});
    guitest::Click(*form->Nextbtn);
    ASSERT_EQ(answers.texts.size(), 1u) << what;
    EXPECT_EQ(answers.texts[0].rfind(c.text, 0), 0u) << what << ": " << answers.texts[0];
    EXPECT_TRUE(IsWindowVisible(form->Handle())) << what;
    EXPECT_TRUE(form->Page3->Visible()) << what;
    EXPECT_EQ(testutil::FolderNames(work_.path()), before) << what;
    EXPECT_EQ(testutil::FolderNames(own), std::vector<std::string>{"data.000"}) << what;
    EXPECT_TRUE(testutil::FileBytes(c.source) == bytes) << what;
  }
}

TEST_F(SplitterTest, WizardPagesSplitAndWizardOffWritesNothing) {
  const std::string source = work_ / "wiz.txt";
  const std::vector<uint8_t> data = Pattern(kDisk + 777, 11);
  ASSERT_TRUE(testutil::WriteWholeFile(source, data));
  ASSERT_TRUE(SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_HIDDEN));
  const DWORD before = GetFileAttributesA(source.c_str());
  for (bool off : {true, false}) {
    const std::string target = work_ / (off ? "wizoff\\" : "wiz\\made\\deep\\");
    TSplitWizardfrm wizard(nullptr);
    wizard.Show();
    EXPECT_EQ(wizard.PageNumber(), 1);
    EXPECT_TRUE(wizard.Page1->Visible());
    EXPECT_FALSE(wizard.Nextbtn->Enabled());
    EXPECT_FALSE(wizard.Backbtn->Enabled());
    guitest::SaveScreenshot(wizard.Handle(), "splitter_wizard_page1.bmp");
    // The open dialog's choice as its Execute leaves it.
    wizard.OpenDialog1->FileName = source;
    wizard.Edit1->SetText(source);
    wizard.Nextbtn->SetEnabled(true);
    guitest::Click(*wizard.Nextbtn);
    EXPECT_TRUE(wizard.Page2->Visible());
    EXPECT_EQ(wizard.Edit2->Text(), "A:\\");
    guitest::SaveScreenshot(wizard.Handle(), "splitter_wizard_page2.bmp");
    guitest::SetText(*wizard.Edit2, target);
    guitest::Click(*wizard.Nextbtn);
    EXPECT_TRUE(wizard.Page3->Visible());
    guitest::SaveScreenshot(wizard.Handle(), "splitter_wizard_page3.bmp");
    guitest::Click(*wizard.Backbtn);
    EXPECT_TRUE(wizard.Page2->Visible());
    guitest::SetText(*wizard.Edit2, target);
    guitest::Click(*wizard.Nextbtn);
    if (off) {
      guitest::Click(*wizard.Wizardoffbtn);
      EXPECT_FALSE(IsWindowVisible(wizard.Handle()));
      EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
      continue;
    }
    disk_ = 1;
    Answers answers({"OK", "OK"});
    bool page4 = false;
    answers.before = [&](size_t index) {
      if (index != 1) return;
      page4 = wizard.Page4->Visible();
      guitest::SaveScreenshot(wizard.Handle(), "splitter_wizard_page4.bmp");
    };
    guitest::Click(*wizard.Nextbtn);
    ASSERT_EQ(answers.texts.size(), 2u);
    EXPECT_NE(answers.texts[1].find("has been split"), std::string::npos);
    EXPECT_TRUE(page4);
    EXPECT_EQ(testutil::FileText(target + "DATA.EXT"), ".txt\r\n");
    std::vector<uint8_t> joined;
    for (const std::string& part : Parts(target, source)) {
      const std::vector<uint8_t> bytes = testutil::FileBytes(part, true);
      joined.insert(joined.end(), bytes.begin(), bytes.end());
    }
    EXPECT_TRUE(joined == data);
  }
  EXPECT_EQ(GetFileAttributesA(source.c_str()), before);
  SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SplitterTest, ScreenshotsOfTheSingleSplitter) {
  TSplitMainfrm form(nullptr);
  form.Show();
  guitest::SaveScreenshot(form.Handle(), "splitter_main_page.bmp");
  form.Page3->SetVisible(false);
  form.Panel1->SetVisible(true);
  form.Memo1->SetLines(
      {"Preparing to copy rebuilder to A:\\ drive/folder...", "Copy completed..."});
  form.ProgressBar1->SetPosition(40);
  guitest::SaveScreenshot(form.Handle(), "splitter_main_status.bmp");
}

// The main window's three Kobu items: without Kobu each one's text, then idle; with it the
// splitter windows open modally, and "Jossan IT&!" starts Kobu (by CreateProcessA when
// ShellExecute gives 31).
TEST_F(SplitterTest, RebuilderCheckOfTheMainWindowsItems) {
  pelloro::TMainfrm& main = MakeMain();
  main.Show();
  const std::string kSplit =
      "Error: Kobu file was not found.\r\n\r\nThis file is needed to Rebuild split files.  You "
      "must obtain a "
      "copy from Brindle Corvex before you can use this function.If you have deleted this file, "
      "you can "
      "just re-install Pelloro '95 as it should have been included in the original Pelloro '95 "
      "package.";
  const std::string kOther =
      "Error, the Kobu file was not found.\r\n\r\nThis file is needed to Rebuild split files.  You "
      "must "
      "obtain a copy from Brindle Corvex before you can use this function.If you have deleted this "
      "file, "
      "you can just re-install Pelloro '95 as it should have been included in the Pelloro '95 "
      "package.";
  const struct {
    const char* item;
    std::string text;
    const char* form;
  } items[] = {{"&Plugins|&Dorrel IT!", kSplit, "Dorrel for Windows '95"},
               {"&Plugins|&Dorrel IT! - Wizard", kOther, "Dorrel '95 - Splitting Wizard"},
               {"&Plugins|Jossan IT&!", kOther, nullptr}};
  ASSERT_TRUE(DeleteFileA((program_ / "Kobu").c_str()));
  for (const auto& i : items) {
    Answers answers({"Cancel"});
    ASSERT_TRUE(guitest::ClickMenu(main, i.item)) << i.item;
    guitest::Pump(50);
    ASSERT_EQ(answers.texts.size(), 1u) << i.item;
    EXPECT_EQ(answers.texts[0], i.text) << i.item;
    EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle) << i.item;
  }
  ASSERT_TRUE(CopyFileA(toolstest::BuiltKobu().c_str(), (program_ / "Kobu").c_str(), FALSE));
  for (const auto& i : items) {
    if (i.form == nullptr) continue;
    std::string caption;
    bool busy = false;
    guitest::OnModal([&](forms::Form& form) {
      caption = form.Caption();
      busy = main.Caption() == pelloro::kCaptionBusy;
      guitest::SaveScreenshot(
          form.Handle(),
          std::string("splitter_from_menu_") +
              (std::string(i.form).find("Wizard") != std::string::npos ? "wizard" : "main") +
              ".bmp");
      form.Close();
    });
    ASSERT_TRUE(guitest::ClickMenu(main, i.item)) << i.item;
    guitest::Pump(50);
    EXPECT_EQ(caption, i.form) << i.item;
    EXPECT_TRUE(busy) << i.item;
    EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle) << i.item;
  }
  // Jossan: ShellExecute gives 31 (no association for a file without extension): Kobu is started
  // as a program, and finds no DATA.EXT in the program's folder.
  std::vector<std::string> shelled;
  forms::App().ShellExecuteHook = [&](HWND, const char* verb, const char* file,
                                      const char* parameters, const char* folder, int show) {
    shelled.push_back(std::string(verb) + "|" + file + "|" + parameters + "|" + folder + "|" +
                      std::to_string(show));
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(31));
  };
  ASSERT_TRUE(guitest::ClickMenu(main, "&Plugins|Jossan IT&!"));
  forms::App().ShellExecuteHook = nullptr;
  ASSERT_EQ(shelled.size(), 1u);
  EXPECT_EQ(shelled[0], "open|" + program_.path() + "Kobu||" + program_.path() + "|" +
                            std::to_string(SW_SHOWNORMAL));
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  const HWND box = guitest::WaitForWindow("Kobu", 15000);
  ASSERT_NE(box, nullptr) << "Kobu was not started";
  DWORD pid = 0;
  GetWindowThreadProcessId(box, &pid);
  EXPECT_NE(pid, GetCurrentProcessId());
  testutil::Press(box, IDOK);
}
}  // namespace
