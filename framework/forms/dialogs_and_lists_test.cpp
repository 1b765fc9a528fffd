// The open and save dialogs answered by a watcher, the folder and file lists, and the smaller
// wrappers.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "forms/buttons.h"
#include "forms/common_controls.h"
#include "forms/edits.h"
#include "forms/file_dialogs.h"
#include "forms/form.h"
#include "forms/form_test_fixture.h"
#include "forms/image.h"
#include "forms/lists.h"
#include "forms/panel.h"
#include "gui_driver.h"
#include "win_test_util.h"

namespace {

using namespace forms;
using formstest::FormsTest;

void TypeFileName(HWND dialog, const std::string& path) {
  for (int id : {0x480, 0x47C}) {  // the file-name edit, or the combo box holding it
    if (GetDlgItem(dialog, id) != nullptr) SetDlgItemTextA(dialog, id, path.c_str());
  }
}

TEST_F(FormsTest, OpenDialogGivesTheTypedFileAndCancelGivesFalse) {
  testutil::TempFolder folder;
  const std::string path = folder / "café.zip";
  ASSERT_TRUE(testutil::WriteWholeFile(path, std::string("PK")));
  OpenDialog dialog(nullptr);
  dialog.Title = "Open archive";
  dialog.Filter = "Zip files (*.zip)|*.zip|All files|*.*";
  dialog.Options = ofHideReadOnly | ofFileMustExist | ofPathMustExist;
  dialog.InitialDir = folder.path();
  {
    testutil::DialogAnswerer answer(testutil::ThisThreadsDialog("Open archive"), [&](HWND window) {
      Sleep(200);
      TypeFileName(window, path);
      guitest::Press(window, IDOK);
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_TRUE(answer.found());
  }
  EXPECT_EQ(lstrcmpiA(dialog.FileName.c_str(), path.c_str()), 0) << dialog.FileName;
  EXPECT_EQ(dialog.FilterIndex, 1);
  const std::string before = dialog.FileName;
  {
    testutil::DialogAnswerer answer(testutil::ThisThreadsDialog("Open archive"),
                                    [](HWND window) { guitest::Press(window, IDCANCEL); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(answer.found());
  }
  EXPECT_EQ(dialog.FileName, before);  // unchanged by a cancel
  SaveDialog save(nullptr);
  save.Title = "Save as";
  save.DefaultExt = "zip";
  save.InitialDir = folder.path();
  {
    testutil::DialogAnswerer answer(testutil::ThisThreadsDialog("Save as"), [&](HWND window) {
      Sleep(200);
      TypeFileName(window, folder / "new");
      guitest::Press(window, IDOK);
    });
    EXPECT_TRUE(save.Execute());
  }
  EXPECT_EQ(lstrcmpiA(save.FileName.c_str(), (folder / "new.zip").c_str()), 0) << save.FileName;
}

TEST_F(FormsTest, FolderAndFileListsShowTheTree) {
  testutil::TempFolder folder;
  CreateDirectoryA((folder / "Grüße").c_str(), nullptr);
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "a.zip", std::string("1")));
  ASSERT_TRUE(testutil::WriteWholeFile(folder / "b.txt", std::string("2")));
  Form form(nullptr, FormCreateArgs{"Lists", 50, 50, 400, 300});
  auto* folders = new DirectoryListBox(&form, &form);
  std::string root = folder.path();
  root.pop_back();
  folders->SetDirectory(root);
  bool sawSub = false, sawParent = false;
  for (int i = 0; i < folders->Count(); ++i) {
    if (folders->Item(i) == "[Grüße]") {
      sawSub = true;
      EXPECT_EQ(folders->ItemPath(i), folder / "Grüße");
    }
    if (folders->Item(i) == "[..]") sawParent = true;
  }
  EXPECT_TRUE(sawSub);
  EXPECT_TRUE(sawParent);
  auto* files = new FileListBox(&form, &form);
  files->SetMask("*.zip");
  files->SetDirectory(root);
  ASSERT_EQ(files->Count(), 1);
  EXPECT_EQ(lstrcmpiA(files->Item(0).c_str(), "a.zip"), 0);
  files->SetMask("*.*");
  EXPECT_EQ(files->Count(), 2);
  auto* drives = new DriveComboBox(&form, &form);
  EXPECT_GT(drives->Count(), 0);
  drives->SetDrive('z');
  EXPECT_EQ(drives->Drive(), 'Z');
}

TEST_F(FormsTest, SmallerWrappers) {
  Form form(nullptr, FormCreateArgs{"Smaller wrappers", 50, 50, 400, 300});
  auto* group = new RadioGroup(
      &form, &form, RadioGroupCreateArgs{"&Mode", 8, 8, 150, 100, {"Store", "Fast", "Best"}, 1});
  EXPECT_EQ(group->Count(), 3);
  EXPECT_EQ(group->ItemIndex(), 1);
  int groupClicks = 0;
  group->OnClick = [&](Component&) { ++groupClicks; };
  guitest::Click(*group->Buttons(2));
  EXPECT_EQ(group->ItemIndex(), 2);
  EXPECT_EQ(groupClicks, 1);
  auto* edit = new Edit(&form, &form, EditCreateArgs{"5", 170, 8, 60});
  auto* updown = new UpDown(&form, &form, UpDownCreateArgs{230, 8, 16, 21, 0, 10, 5, edit});
  updown->SetPosition(7);
  EXPECT_EQ(updown->Position(), 7);
  EXPECT_EQ(edit->Text(), "7");
  auto* images = new ImageList(&form);
  Bitmap picture;
  picture.SetSize(16, 16);
  EXPECT_EQ(images->AddMasked(picture, RGB(255, 255, 255)), 0);
  EXPECT_EQ(images->Count(), 1);
  auto* image = new Image(&form, &form, ImageCreateArgs{170, 40, 32, 32});
  image->Picture.SetSize(8, 8);
  EXPECT_FALSE(image->Picture.Empty());
  auto* box = new ScrollBox(&form, &form, ScrollBoxCreateArgs{8, 120, 150, 100});
  auto* inner = new Panel(&form, box, PanelCreateArgs{"far", 0, 300, 100, 40});
  box->UpdateScrollRange();
  box->ScrollTo(SB_VERT, 250);
  EXPECT_GT(box->ScrollPosition(SB_VERT), 0);
  EXPECT_LT(inner->Top(), 300);
  form.Show();
  guitest::SaveScreenshot(form.Handle(), "forms_smaller_wrappers.bmp");
}

TEST_F(FormsTest, LetterGoesToAcceleratorWhenTheFocusTakesNoCharacters) {
  Form form(nullptr, FormCreateArgs{"Letters", 50, 50, 300, 120});
  auto* apply = new Button(&form, &form, ButtonCreateArgs{"&Apply", 8, 8});
  auto* edit = new Edit(&form, &form, EditCreateArgs{"", 8, 40, 120});
  int applied = 0;
  apply->OnClick = [&](Component&) { ++applied; };
  form.Show();
  guitest::Char(*apply, 'a');  // a button takes no characters: the letter is an accelerator
  EXPECT_EQ(applied, 1);
  guitest::Char(*edit, 'a');  // an edit takes it as text
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(edit->Text(), "a");
}

}  // namespace
