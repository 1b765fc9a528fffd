// The extract dialog in process with the real control over python's list.zip: the proposed
// folder, "&New Folder" (made with its parents), "Never" and "Always" against an existing file,
// and rebuild "No" putting every file into the one folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app_test_support.h"
#include "captions.h"
#include "forms/edits.h"
#include "forms/menus.h"
#include "gui_driver.h"
#include "new_zip_form.h"
#include "unzip_now_form.h"
#include "win_test_util.h"

namespace {

using pelloro::TMainfrm;
using pelloro::Tunzipnow;

class UnzipNowTest : public apptest::DialogsWorkTest {
 protected:
};

std::string ListPath() { return apptest::FixturePath("list folder\\list.zip"); }

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(ExtractOverwriteMapping, ItemsBecomeTheControlsModes) {
  EXPECT_EQ(pelloro::ExtractOverwriteModeOfItem(0), 2);
  EXPECT_EQ(pelloro::ExtractOverwriteModeOfItem(1), 1);
  EXPECT_EQ(pelloro::ExtractOverwriteModeOfItem(2), 0);
  EXPECT_EQ(pelloro::ExtractOverwriteModeOfItem(-1), 2);
}

TEST_F(UnzipNowTest, ProposesTheArchivesFolderAndMakesANewOne) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  const std::string made = work_ + "made\\two\\three";
  std::string proposed, offered;
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<Tunzipnow&>(form);
    proposed = dialog.Edit1->Text();
    guitest::SaveScreenshot(dialog.Handle(), "pelloro_unzip_dialog.bmp");
    guitest::OnModal([&](forms::Form& query) {
      auto& value = guitest::Get<forms::Edit>(query, "Value");
      offered = value.Text();
      guitest::SetText(value, made);
      guitest::Click(query, "OK");
    });
    guitest::Click(*dialog.Bitbtn1);
    EXPECT_EQ(dialog.Edit1->Text(), made);
    guitest::Click(*dialog.Bitbtn2);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|E&xtract Files"));
  EXPECT_EQ(proposed, "C:\\Windows\\Desktop\\Unzips\\list");
  EXPECT_EQ(offered, "C:\\Windows\\Desktop\\Unzips\\list.zip");
  EXPECT_TRUE(Exists(made));
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty());
}

// Runs the extract dialog into the folder with the overwrite item and the rebuild item.
void Extract(TMainfrm& main, const std::string& folder, int overwrite, int rebuild) {
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<Tunzipnow&>(form);
    guitest::SetText(*dialog.Edit1, folder);
    dialog.ComboBox3->SetItemIndex(overwrite);
    dialog.Combobox2->SetItemIndex(rebuild);
    guitest::Key(*dialog.Edit1, VK_RETURN);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|E&xtract Files"));
}

TEST_F(UnzipNowTest, NeverKeepsAndAlwaysReplacesAnExistingFile) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  const std::string top = work_ + "top.txt";
  ASSERT_TRUE(testutil::WriteWholeFile(top, std::string("mine")));
  Extract(main, work_, 2, 0);  // "Never", rebuilt
  EXPECT_EQ(testutil::FileText(top, true), "mine");
  EXPECT_TRUE(Exists(work_ + "docs\\deep\\nested note.txt"));
  Extract(main, work_, 1, 0);  // "Always"
  EXPECT_NE(testutil::FileText(top, true), "mine");
  EXPECT_EQ(testutil::FileText(top, true).size(), 11u);
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(main.Functions1->Enabled());
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(UnzipNowTest, RebuildNoPutsEveryFileIntoTheFolder) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(ListPath()));
  const std::string folder = work_ + "flat\\out";  // missing: made
  Extract(main, folder, 1, 1);
  EXPECT_TRUE(Exists(folder + "\\nested note.txt"));
  EXPECT_TRUE(Exists(folder + "\\top.txt"));
  EXPECT_FALSE(Exists(folder + "\\docs"));
  EXPECT_TRUE(exceptions.empty());
}

}  // namespace
