// Fennoway over a tree made on T: (a drive of these tests): which paths each mode lists (each mask
// once, short-name matches not, the temporary-folder markers), the lines for 0, 1, 1,024, 1,025
// bytes and a sparse file, the total; Select All and Delete, a read-only file's Ignore/All
// message, All silencing the rest until page 3 comes again; Close on page 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "captions.h"
#include "gui_driver.h"
#include "main_form.h"
#include "toolstest_support.h"
#include "wasted_space.h"
#include "win_test_util.h"

namespace {

using pelloro::TSnifferfrm;
using toolstest::Answers;

constexpr char kRoot[] = "T:\\";

bool EmptyDrive() {
  if (GetDriveTypeA(kRoot) == DRIVE_NO_ROOT_DIR) return false;
  for (const std::string& name : testutil::FolderNames(kRoot)) {
    const std::string path = std::string(kRoot) + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!testutil::RemoveTree(path)) DeleteFileA(path.c_str());
  }
  return true;
}

void MakeFile(const std::string& relative, size_t size = 1) {
  const std::string path = std::string(kRoot) + relative;
  for (size_t slash = path.find('\\', 3); slash != std::string::npos;
       slash = path.find('\\', slash + 1)) {
    CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
  }
  ASSERT_TRUE(testutil::WriteWholeFile(path, std::string(size, 'w'))) << path;
}

// Paths and whether the standard and the extra search list them.
struct Case {
  const char* path;
  bool standard, extra;
};
const Case kCases[] = {
    {"m\\a.tmp", true, false},
    {"m\\~b.txt", true, false},
    {"m\\c.~xx", true, false},
    {"m\\d.a~b", true, false},
    {"m\\e.aps", true, false},
    {"m\\f.bak", true, false},
    {"m\\g.bk1", true, false},
    {"m\\h.bsc", true, false},
    {"m\\i.dmp", true, false},
    {"m\\j.dsm", true, false},
    {"m\\k.ilk", true, false},
    {"m\\l.pch", true, false},
    {"m\\m.rws", true, false},
    {"m\\n.sbr", true, false},
    {"m\\backup1.wbk", true, false},
    {"m\\o.$$$", true, false},
    {"m\\p.fts", false, true},
    {"m\\q.gid", false, true},
    {"m\\x.tmpl", false, false},
    {"m\\c.bakery", false, false},
    {"m\\plain.txt", false, false},
    {"temp\\keep.txt", false, false},
    {"temp\\sub\\any.dat", true, true},
    {"windows\\temp\\w.txt", true, true},
    {"tmp\\t.txt", true, true},
    {"~tmpdir.tmp\\z.txt", true, true},
    {"docs\\attempt\\sub\\a.txt", false, false},
    {"mytemp\\keep.doc", false, false},
};

class WastedSpaceTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    apptest::AppTest::SetUp();
    if (IsSkipped()) return;
    if (!EmptyDrive())
      GTEST_SKIP() << "drive T: is not mapped in this prefix (scripts/wine-env.sh)";
  }
  // The wizard on page 3 over T: in the mode; answers given to the messages.
  void Scan(TSnifferfrm& form, bool extra) {
    form.Show();
    EXPECT_EQ(form.PageNumber(), 1);
    guitest::Click(*form.Nextbtn);
    EXPECT_EQ(form.PageNumber(), 2);
    form.DriveComboBox2->SetDrive('T');
    guitest::Click(extra ? static_cast<forms::Control&>(*form.btnExtra) : *form.btnNormal);
    guitest::Click(*form.Nextbtn);
    EXPECT_EQ(form.PageNumber(), 3);
    EXPECT_FALSE(form.Running());
  }
  std::set<std::string> Listed(TSnifferfrm& form) {
    std::set<std::string> paths;
    for (int i = 0; i < form.ListBox1->Count(); ++i)
      paths.insert(pelloro::WastePath(form.ListBox1->Item(i)));
    return paths;
  }
};

TEST(WastedSpaceLines, LinesAndMarkers) {
  EXPECT_EQ(pelloro::WasteLine(0, "C:\\A.TMP"), "    0  c:\\a.tmp");
  EXPECT_EQ(pelloro::WasteLine(1, "c:\\b"), "    1  c:\\b");
  EXPECT_EQ(pelloro::WasteLine(1024, "c:\\b"), "    1  c:\\b");
  EXPECT_EQ(pelloro::WasteLine(1025, "c:\\b"), "    2  c:\\b");
  EXPECT_EQ(pelloro::WasteLine(300000000ull, "c:\\s"), "292969  c:\\s");
  EXPECT_EQ(pelloro::WasteLine(5ull << 32, "c:\\big"), "20971520  c:\\big");
  EXPECT_EQ(pelloro::WastePath("292969  c:\\s 1.tmp"), "c:\\s 1.tmp");
  EXPECT_EQ(pelloro::WastePath("    0  c:\\12 a.tmp"), "c:\\12 a.tmp");
  ASSERT_EQ(pelloro::StandardMasks().size(), 16u);
  EXPECT_EQ(pelloro::StandardMasks().front(), "*.tmp");
  EXPECT_EQ(pelloro::StandardMasks().back(), "*.$$$");
  EXPECT_EQ(pelloro::ExtraMasks(), (std::vector<std::string>{"*.fts", "*.gid"}));
  const struct {
    const char* path;
    bool temporary;
  } markers[] = {{"c:\\temp", false},         {"c:\\temp\\sub", true},
                 {"c:\\windows\\temp", true}, {"c:\\tmp", true},
                 {"c:\\~tmpdir.tmp", true},   {"c:\\docs\\attempt\\sub", false},
                 {"c:\\mytemp\\x", false},    {"C:\\TEMP\\SUB", true}};
  for (const auto& m : markers)
    EXPECT_EQ(pelloro::IsTemporaryFolder(m.path), m.temporary) << m.path;
}

TEST_F(WastedSpaceTest, EachModeListsItsPaths) {
  for (const Case& c : kCases) MakeFile(c.path);
  for (bool extra : {false, true}) {
    TSnifferfrm form(nullptr);
    Scan(form, extra);
    std::set<std::string> expected;
    for (const Case& c : kCases) {
      if (extra ? c.extra : c.standard) expected.insert(std::string("t:\\") + c.path);
    }
    EXPECT_EQ(Listed(form), expected) << extra;
    EXPECT_EQ(form.ListBox1->Count(), static_cast<int>(expected.size())) << "each file once";
    EXPECT_EQ(form.lblSize->Caption(), std::to_string(expected.size()) + " KB");
    EXPECT_FALSE(form.Search->Visible());
    EXPECT_TRUE(form.btnSelectAll->Enabled());
    EXPECT_FALSE(form.btnDelete->Enabled());
    guitest::SaveScreenshot(form.Handle(),
                            extra ? "fennoway_page3_extra.bmp" : "fennoway_page3.bmp");
  }
}

TEST_F(WastedSpaceTest, LinesForSizesASparseFileAndTheTotal) {
  MakeFile("s\\zero.tmp", 0);
  MakeFile("s\\one.tmp", 1);
  MakeFile("s\\k.tmp", 1024);
  MakeFile("s\\k1.tmp", 1025);
  const std::string sparse = "T:\\s\\sparse.tmp";
  {
    HANDLE file = CreateFileA(sparse.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at;
    at.QuadPart = 300000000;
    EXPECT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
  }
  TSnifferfrm form(nullptr);
  Scan(form, false);
  std::set<std::string> lines;
  for (int i = 0; i < form.ListBox1->Count(); ++i) lines.insert(form.ListBox1->Item(i));
  EXPECT_EQ(lines, (std::set<std::string>{"    0  t:\\s\\zero.tmp", "    1  t:\\s\\one.tmp",
                                          "    1  t:\\s\\k.tmp", "    2  t:\\s\\k1.tmp",
                                          "292969  t:\\s\\sparse.tmp"}));
  EXPECT_EQ(form.TotalKilobytes(), 292973u);
  EXPECT_EQ(form.lblSize->Caption(), "292973 KB");
  // The sparse file deleted by its line.
  for (int i = 0; i < form.ListBox1->Count(); ++i) {
    form.ListBox1->SetSelected(i, form.ListBox1->Item(i) == "292969  t:\\s\\sparse.tmp");
  }
  form.ListBox1->Click();
  EXPECT_TRUE(form.btnDelete->Enabled());
  guitest::Click(*form.btnDelete);
  EXPECT_EQ(GetFileAttributesA(sparse.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(form.ListBox1->Count(), 4);
  EXPECT_EQ(form.lblSize->Caption(), "Kbytes");
}

TEST_F(WastedSpaceTest, DeleteRemovesFilesAndAReadOnlyOneAsksIgnoreOrAll) {
  for (const char* name : {"d\\a.tmp", "d\\b.bak", "d\\ro1.tmp", "d\\ro2.bak", "d\\c.dmp"})
    MakeFile(name);
  ASSERT_TRUE(SetFileAttributesA("T:\\d\\ro1.tmp", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesA("T:\\d\\ro2.bak", FILE_ATTRIBUTE_READONLY));
  if (DeleteFileA("T:\\d\\ro1.tmp")) GTEST_SKIP() << "DeleteFileA removes read-only files here";
  TSnifferfrm form(nullptr);
  Scan(form, false);
  ASSERT_EQ(form.ListBox1->Count(), 5);
  guitest::Click(*form.btnSelectAll);
  EXPECT_TRUE(form.btnDelete->Enabled());
  {
    Answers answers({"All"});  // the first read-only file; the second is skipped silently
    guitest::Click(*form.btnDelete);
    ASSERT_EQ(answers.texts.size(), 1u);
    const std::string path = pelloro::WastePath(form.ListBox1->Item(form.ListBox1->Count() - 1));
    EXPECT_EQ(
        answers.texts[0],
        "Unable to delete the file: \r\n\r\n" +
            std::string(answers.texts[0].find("ro2") != std::string::npos ? "t:\\d\\ro2.bak"
                                                                          : "t:\\d\\ro1.tmp") +
            "\r\n\r\nPerhaps this file is still in use, or is write-protected?\r\nClick "
            "\"Ignore\" to ignore the error, or \"All\" to Ignore this and all future errors.");
    (void)path;
  }
  EXPECT_EQ(Listed(form), (std::set<std::string>{"t:\\d\\ro1.tmp", "t:\\d\\ro2.bak"}));
  for (const char* gone : {"T:\\d\\a.tmp", "T:\\d\\b.bak", "T:\\d\\c.dmp"}) {
    EXPECT_EQ(GetFileAttributesA(gone), INVALID_FILE_ATTRIBUTES) << gone;
  }
  // Silenced for the rest of this page.
  guitest::Click(*form.btnSelectAll);
  {
    Answers answers({});
    guitest::Click(*form.btnDelete);
    EXPECT_TRUE(answers.texts.empty());
  }
  // Page 3 again: the messages come back.
  guitest::Click(*form.Backbtn);
  EXPECT_EQ(form.PageNumber(), 2);
  guitest::Click(*form.Nextbtn);
  ASSERT_EQ(form.ListBox1->Count(), 2);
  guitest::Click(*form.btnSelectAll);
  {
    Answers answers({"Ignore", "Ignore"});
    guitest::Click(*form.btnDelete);
    EXPECT_EQ(answers.texts.size(), 2u);
  }
  EXPECT_EQ(form.ListBox1->Count(), 2);
  SetFileAttributesA("T:\\d\\ro1.tmp", FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA("T:\\d\\ro2.bak", FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WastedSpaceTest, NothingFoundAndClosingOnPage2) {
  MakeFile("keep\\a.tmp");
  {
    TSnifferfrm form(nullptr);
    form.Show();
    guitest::SaveScreenshot(form.Handle(), "fennoway_page1.bmp");
    guitest::Click(*form.Nextbtn);
    guitest::SaveScreenshot(form.Handle(), "fennoway_page2.bmp");
    guitest::Click(*form.Cancelbtn);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
  }
  EXPECT_NE(GetFileAttributesA("T:\\keep\\a.tmp"), INVALID_FILE_ATTRIBUTES);
  DeleteFileA("T:\\keep\\a.tmp");
  {
    TSnifferfrm form(nullptr);
    Answers answers({"OK"});
    Scan(form, false);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], "No wasted space found!");
    EXPECT_FALSE(form.btnSelectAll->Enabled());
    // Exit (page 4) closes.
    guitest::Click(*form.Nextbtn);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
  }
}

TEST_F(WastedSpaceTest, TheToolbarButtonShowsTheWizardModally) {
  pelloro::TMainfrm& main = MakeMain();
  main.Show();
  std::string caption, during;
  guitest::OnModal([&](forms::Form& form) {
    caption = form.Caption();
    during = main.Caption();
    form.Close();
  });
  ASSERT_TRUE(static_cast<bool>(main.ExplorerButton3->OnClick));
  main.ExplorerButton3->Click();
  guitest::Pump(50);
  EXPECT_TRUE(exceptions.empty()) << ::testing::PrintToString(exceptions);
  EXPECT_EQ(caption, "Fennoway");
  EXPECT_EQ(during, pelloro::kCaptionBusy);
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
}

}  // namespace
