// Archive search over a tree made on T: (a drive of these tests): the search function's order,
// lower case, folders and long-name checks, its stop; the window's search, "No files found!",
// Enter and the close box stopping a search, and Open listing an archive in the main window (a
// truncated one leaving the closed state).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "archive_search.h"
#include "captions.h"
#include "gui_driver.h"
#include "main_form.h"
#include "toolstest_support.h"
#include "win_test_util.h"

namespace {

using pelloro::TForm1;
using toolstest::Answers;

constexpr char kRoot[] = "T:\\";

// Empties T: and makes the tree of the search cases; false when T: is not mapped.
bool MakeTree(bool& hiddenFolder) {
  if (GetDriveTypeA(kRoot) == DRIVE_NO_ROOT_DIR) return false;
  for (const std::string& name : testutil::FolderNames(kRoot)) {
    const std::string path = std::string(kRoot) + name;
    if (!testutil::RemoveTree(path)) DeleteFileA(path.c_str());
  }
  for (const char* folder : {"x.zip", "Sub", "Sub\\Deep", "Hid.zip"}) {
    CreateDirectoryA((std::string(kRoot) + folder).c_str(), nullptr);
  }
  SetFileAttributesA("T:\\Hid.zip", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  hiddenFolder = (GetFileAttributesA("T:\\Hid.zip") & FILE_ATTRIBUTE_HIDDEN) != 0;
  for (const char* file : {"A.zip", "b.ZIP", "a.zipx", "note.txt", "Sub\\C.Zip", "Sub\\Deep\\d.zip",
                           "Sub\\e.zipper"}) {
    testutil::WriteWholeFile(std::string(kRoot) + file, std::string("x"));
  }
  return true;
}

class ArchiveSearchTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    apptest::AppTest::SetUp();
    if (IsSkipped()) return;
    if (!MakeTree(hidden_))
      GTEST_SKIP() << "drive T: is not mapped in this prefix (scripts/wine-env.sh)";
  }
  std::vector<std::string> Lines(forms::ListBox& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Item(i));
    return lines;
  }
  bool hidden_ = false;
};

TEST_F(ArchiveSearchTest, AFoldersMatchesComeBeforeItsSubfoldersInLowerCase) {
  std::vector<std::string> found;
  const int count = pelloro::SearchFolder(
      kRoot, "*.Zip", [] { return false; },
      [&](const std::string& path) { found.push_back(path); });
  EXPECT_EQ(count, static_cast<int>(found.size()));
  std::vector<std::string> top = {"t:\\a.zip", "t:\\b.zip"};
  if (hidden_) top.push_back("t:\\hid.zip");  // a folder with more than the directory bit
  ASSERT_EQ(found.size(), top.size() + 2) << ::testing::PrintToString(found);
  std::vector<std::string> first(found.begin(), found.begin() + static_cast<long>(top.size()));
  std::sort(first.begin(), first.end());
  EXPECT_EQ(first, top);
  EXPECT_EQ(found[top.size()], "t:\\sub\\c.zip");
  EXPECT_EQ(found[top.size() + 1], "t:\\sub\\deep\\d.zip");
  // x.zip (a plain folder), a.zipx and e.zipper (short-name matches only) are not listed.
  for (const char* absent : {"t:\\x.zip", "t:\\a.zipx", "t:\\sub\\e.zipper"}) {
    EXPECT_EQ(std::count(found.begin(), found.end(), absent), 0) << absent;
  }
}

TEST_F(ArchiveSearchTest, PatternsMatchLongNames) {
  const struct {
    const char* name;
    const char* pattern;
    bool match;
  } cases[] = {{"a.zip", "*.Zip", true},     {"a.zipx", "*.Zip", false}, {"x.tmpl", "*.tmp", false},
               {"c.bakery", "*.bak", false}, {"noext", "*.*", true},     {"noext", "noext.*", true},
               {"~x.tmp", "~*.*", true},     {"a.b1k", "*.b?k", true},   {"a.bk", "*.b?k", false}};
  for (const auto& c : cases)
    EXPECT_EQ(pelloro::MatchesPattern(c.name, c.pattern), c.match) << c.name;
}

TEST_F(ArchiveSearchTest, StopKeepsWhatWasFound) {
  std::vector<std::string> found;
  const int count = pelloro::SearchFolder(
      kRoot, "*.zip", [&] { return found.size() >= 2; },
      [&](const std::string& path) { found.push_back(path); });
  EXPECT_EQ(count, 2);
  EXPECT_EQ(found.size(), 2u);
}

TEST_F(ArchiveSearchTest, TheWindowSearchesTheDriveAndSaysWhenNothingIsFound) {
  pelloro::TMainfrm& main = MakeMain();
  main.Show();
  TForm1 form(nullptr, main);
  form.Show();
  EXPECT_EQ(form.Height(), 200);
  EXPECT_EQ(form.Edit1->Text(), "*.Zip");
  EXPECT_FALSE(form.Stopbtn->Enabled());
  guitest::SaveScreenshot(form.Handle(), "archive_search_start.bmp");
  form.DriveComboBox1->SetDrive('T');
  ASSERT_EQ(form.DriveComboBox1->Drive(), 'T');
  guitest::Click(*form.Findbtn);
  EXPECT_EQ(form.Height(), 360);
  EXPECT_EQ(form.ListBox1->Count(), hidden_ ? 5 : 4);
  EXPECT_EQ(form.ListBox1->Item(form.ListBox1->Count() - 1), "t:\\sub\\deep\\d.zip");
  EXPECT_TRUE(form.Findbtn->Enabled());
  EXPECT_FALSE(form.Stopbtn->Enabled());
  EXPECT_FALSE(form.Openbtn->Enabled());
  guitest::SaveScreenshot(form.Handle(), "archive_search_results.bmp");

  guitest::SetText(*form.Edit1, "*.nothing");
  Answers answers({"OK"});
  guitest::Click(*form.Findbtn);
  ASSERT_EQ(answers.texts.size(), 1u);
  EXPECT_EQ(answers.texts[0], "No files found!");
  EXPECT_EQ(form.ListBox1->Count(), 0);
}

TEST_F(ArchiveSearchTest, EnterAndTheCloseBoxStopARunningSearch) {
  pelloro::TMainfrm& main = MakeMain();
  for (bool enter : {true, false}) {
    TForm1 form(nullptr, main);
    form.Show();
    form.DriveComboBox1->SetDrive('T');
    // Waiting when the search starts: handled by its first look at the messages.
    if (enter) {
      PostMessageA(form.Edit1->Handle(), WM_KEYDOWN, VK_RETURN, 0);
    } else {
      PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
    }
    Answers answers({"OK"});
    form.Findbtn->Click();  // the click's own handler: no message handled before the search
    EXPECT_EQ(form.ListBox1->Count(), 0) << enter;
    EXPECT_FALSE(form.Running());
    // Enter: nothing found by the stopped search; the close box: the window is gone, no message.
    EXPECT_EQ(answers.texts.size(), enter ? 1u : 0u) << enter;
    if (!enter) {
      EXPECT_FALSE(IsWindowVisible(form.Handle()));
    }
    forms::App().SetModalHook(nullptr);
  }
}

TEST_F(ArchiveSearchTest, OpenListsTheArchiveOrLeavesTheClosedState) {
  ASSERT_TRUE(CreateDirectoryA("T:\\Open", nullptr));
  ASSERT_TRUE(CopyFileA(apptest::FixturePath("list folder\\list.zip").c_str(), "T:\\Open\\List.zip",
                        FALSE));
  ASSERT_TRUE(CopyFileA(apptest::FixturePath("truncated.zip").c_str(), "T:\\Open\\Cut.zip", FALSE));
  pelloro::TMainfrm& main = MakeMain();
  main.Show();
  const struct {
    const char* pattern;
    bool listed;
  } cases[] = {{"list.zip", true}, {"cut.zip", false}};
  for (const auto& c : cases) {
    TForm1 form(nullptr, main);
    form.Show();
    form.DriveComboBox1->SetDrive('T');
    guitest::SetText(*form.Edit1, c.pattern);
    guitest::Click(*form.Findbtn);
    ASSERT_EQ(form.ListBox1->Count(), 1) << c.pattern;
    form.ListBox1->SetItemIndex(0);
    form.ListBox1->Click();
    EXPECT_TRUE(form.Openbtn->Enabled());
    Answers answers(c.listed ? std::vector<std::string>{} : std::vector<std::string>{"OK"});
    guitest::Click(*form.Openbtn);
    const std::string path = std::string("t:\\open\\") + c.pattern;
    EXPECT_EQ(main.CurrentArchive(), path);
    EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle) << c.pattern;
    EXPECT_EQ(IsWindowVisible(main.MSListview1->Handle()) != FALSE, c.listed) << c.pattern;
    EXPECT_EQ(main.FileDrag1->EnableDrop(), c.listed) << c.pattern;
    const int rows =
        static_cast<int>(SendMessageA(main.MSListview1->Handle(), LVM_GETITEMCOUNT, 0, 0));
    if (c.listed) {
      EXPECT_GT(rows, 0);
    }
    ASSERT_GT(main.MRUFileList1->Items().Count(), 0);
    EXPECT_EQ(main.MRUFileList1->Items().Get(0), path);
    EXPECT_FALSE(IsWindowVisible(form.Handle())) << c.pattern;
  }
}

TEST_F(ArchiveSearchTest, TheToolbarButtonShowsTheWindowModally) {
  pelloro::TMainfrm& main = MakeMain();
  main.Show();
  std::string caption;
  guitest::OnModal([&](forms::Form& form) {
    caption = form.Caption();
    form.Close();
  });
  guitest::Click(*main.ExplorerButton12);
  guitest::Pump(50);
  EXPECT_EQ(caption, "Find Compressed Files");
}

}  // namespace
