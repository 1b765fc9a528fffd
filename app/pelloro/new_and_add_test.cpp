// The new-archive and add-files dialogs in process with the real control: an archive made in a
// missing folder, the replace question for an existing file, a creation that fails, the add
// dialog's defaults and its mapping of choices to the control's arguments (judged by python),
// and Cancel with the add box checked.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "add_files_form.h"
#include "app_test_support.h"
#include "captions.h"
#include "dialog_robot.h"
#include "forms/label.h"
#include "forms/menus.h"
#include "forms/message_dialogs.h"
#include "gui_driver.h"
#include "new_zip_form.h"
#include "peer_runner.h"
#include "qxctrl.h"
#include "win_test_util.h"

namespace {

using pelloro::TAddFilesfrm;
using pelloro::TMainfrm;
using pelloro::TNewZipFrm;

class NewAndAddTest : public apptest::DialogsWorkTest {
 protected:
  // A file of the working folder with that text.
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = work_ + name;
    EXPECT_TRUE(testutil::WriteWholeFile(path, text)) << path;
    return path;
  }
};

bool SameText(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// Python's view of an archive: "OK" and one line per entry (name, method, size), or its error.
std::string PythonEntries(const std::string& archive) {
  const std::string folder = testutil::BinaryDir() + "app\\pelloro\\dialogs_work\\";
  return testutil::RunPeer(
      folder, "python3 - '" + testutil::UnixPath(archive) +
                  "' <<'PY'\n"
                  "import sys, zipfile\n"
                  "z = zipfile.ZipFile(sys.argv[1])\n"
                  "assert z.testzip() is None\n"
                  "print('OK')\n"
                  "for i in z.infolist(): print(i.filename, i.compress_type, i.file_size)\n"
                  "PY\n");
}

// Keeps the archive for the peers' judgement after the run.
void KeepForPeers(const std::string& archive, const std::string& name) {
  const std::string folder = testutil::BinaryDir() + "app\\pelloro\\peer_check\\";
  pelloro::ForceFolder(folder);
  EXPECT_TRUE(CopyFileA(archive.c_str(), (folder + name).c_str(), FALSE)) << name;
}

// The message dialog's text (its "Message" label) and a click on its button of that name.
void AnswerMessage(std::string* text, const std::string& button) {
  guitest::OnModal([text, button](forms::Form& dialog) {
    *text = guitest::Get<forms::Label>(dialog, "Message").Caption();
    guitest::Click(dialog, button);
  });
}

TEST_F(NewAndAddTest, MakesTheFolderAndListsTheNewEmptyArchive) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string folder = work_ + "one\\two\\three";  // no trailing backslash, none exists
  std::string complete;
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<TNewZipFrm&>(form);
    EXPECT_EQ(dialog.Caption(), "New Zip file");
    EXPECT_EQ(dialog.FileName->Text(), "My Zip file");
    // Made from the program's folder with the upper-case ending.
    EXPECT_EQ(dialog.CompleteZip->Text(), dialog.Directory->Text() + "My Zip file.Zip");
    guitest::SetText(*dialog.Directory, folder);
    EXPECT_EQ(dialog.CompleteZip->Text(), folder + "My Zip file.zip");
    guitest::SetText(*dialog.FileName, "fresh");
    EXPECT_EQ(dialog.Directory->Text(), folder + "\\");
    complete = dialog.CompleteZip->Text();
    guitest::SaveScreenshot(dialog.Handle(), "pelloro_new_zip_dialog.bmp");
    guitest::Key(*dialog.FileName, VK_RETURN);  // Enter creates
  });
  guitest::Click(main, "ExplorerButton2");
  EXPECT_EQ(complete, folder + "\\fresh.zip");
  EXPECT_NE(GetFileAttributesA(complete.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(SameText(main.CurrentArchive(), complete)) << main.CurrentArchive();
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(main.Functions1->Enabled());
  EXPECT_EQ(PythonEntries(complete), "OK\n");
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(NewAndAddTest, AnExistingFileIsReplacedOnlyOnYes) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string listed = apptest::FixturePath("list folder\\list.zip");
  const std::string existing = work_ + "old.zip";
  ASSERT_TRUE(CopyFileA(listed.c_str(), existing.c_str(), FALSE));
  const std::vector<uint8_t> before = testutil::FileBytes(existing, true);
  for (const char* answer : {"No", "Yes"}) {
    SCOPED_TRACE(answer);
    std::string question;
    bool stillOpen = false;
    guitest::OnModal([&](forms::Form& form) {
      auto& dialog = dynamic_cast<TNewZipFrm&>(form);
      guitest::SetText(*dialog.Directory, work_);
      guitest::SetText(*dialog.FileName, "old");
      AnswerMessage(&question, answer);
      guitest::Click(*dialog.Createbtn);
      stillOpen = dialog.ModalResult() == forms::mrNone;
      if (stillOpen) guitest::Click(*dialog.Cancel);
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "&File|&Create New Zip"));
    EXPECT_EQ(question, "The file " + existing +
                            " already exists.\r\n\r\nReplace it with a new, empty Zip file?");
    if (std::string(answer) == "No") {
      EXPECT_TRUE(stillOpen);
      EXPECT_EQ(testutil::FileBytes(existing, true), before);
      EXPECT_NE(main.CurrentArchive(), existing);
    } else {
      EXPECT_EQ(PythonEntries(existing), "OK\n");
      EXPECT_TRUE(SameText(main.CurrentArchive(), existing));
    }
  }
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(NewAndAddTest, AFailedCreationSaysSoAndKeepsTheCurrentArchive) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string listed = apptest::FixturePath("list folder\\list.zip");
  ASSERT_TRUE(main.OpenByTheRoad(listed));
  // A folder of the archive's name: no file can be made there.
  ASSERT_TRUE(pelloro::ForceFolder(work_ + "taken.zip"));
  std::string error;
  bool stillOpen = false;
  guitest::OnModal([&](forms::Form& form) {
    auto& dialog = dynamic_cast<TNewZipFrm&>(form);
    guitest::SetText(*dialog.Directory, work_);
    guitest::SetText(*dialog.FileName, "taken");
    AnswerMessage(&error, "OK");
    guitest::Click(*dialog.Createbtn);
    stillOpen = dialog.ModalResult() == forms::mrNone;
    dialog.CheckBox1->SetChecked(true);
    guitest::Click(*dialog.Cancel);  // Cancel with the box checked adds nothing
  });
  const int listings = main.ListingCount();
  ASSERT_TRUE(guitest::ClickMenu(main, "&File|&Create New Zip"));
  EXPECT_EQ(error, "Error: Could not create the Zip file " + work_ + "taken.zip.");
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(main.CurrentArchive(), listed);
  EXPECT_EQ(main.ListingCount(), listings);
  EXPECT_TRUE(main.Functions1->Enabled());
  EXPECT_EQ(main.Caption(), pelloro::kCaptionIdle);
  EXPECT_TRUE(exceptions.empty());
}

TEST(AddFilesMapping, ChoicesBecomeTheControlsArguments) {
  const struct {
    int item;
    short previous;
    short mode;
  } overwrite[] = {{0, 9, 3}, {1, 9, 0}, {2, 9, 2}, {-1, 9, 9}};
  for (const auto& c : overwrite)
    EXPECT_EQ(pelloro::OverwriteModeOfItem(c.item, c.previous), c.mode) << c.item;
  const struct {
    int position;
    short mode;
    int setting;
  } positions[] = {{0, 3, 2}, {1, 0, 0}, {2, 2, 1}};
  for (const auto& c : positions) {
    EXPECT_EQ(pelloro::CompressionModeOfPosition(c.position), c.mode) << c.position;
    EXPECT_EQ(pelloro::CompressionSettingOfPosition(c.position), c.setting) << c.position;
    EXPECT_EQ(pelloro::PositionOfCompressionSetting(c.setting), c.position) << c.position;
  }
  EXPECT_EQ(pelloro::PositionOfCompressionSetting(7), 0);
}

// The new archive with the add box checked, then the add dialog's open dialog given three files,
// once per track bar position and folder-name choice: python reads the methods and names.
TEST_F(NewAndAddTest, NewThenAddMapsTheSettingsToTheEntries) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string big(4000, 'a');
  // The files lie in a folder below the archive's: names stored with folders are relative to it,
  // in upper case as the archive writer stores every name.
  ASSERT_TRUE(pelloro::ForceFolder(work_ + "in"));
  Write("in\\a.txt", big);
  Write("in\\b.txt", big + "b");
  Write("in\\c.dat", big + "c");
  const struct {
    int position;
    int paths;
    const char* archive;
    int method;
  } cases[] = {{0, 0, "min", 0}, {1, 1, "middle", 8}, {2, 0, "max", 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    guitest::OnModal([&](forms::Form& form) {
      auto& dialog = dynamic_cast<TNewZipFrm&>(form);
      guitest::SetText(*dialog.Directory, work_);
      guitest::SetText(*dialog.FileName, c.archive);
      guitest::Click(*dialog.CheckBox1);
      guitest::OnModal([&](forms::Form& addForm) {
        auto& add = dynamic_cast<TAddFilesfrm&>(addForm);
        EXPECT_EQ(add.Height(), 111);
        guitest::Click(*add.Bitbtn2);
        EXPECT_EQ(add.Height(), 340);
        EXPECT_FALSE(add.Bitbtn2->Enabled());
        add.TrackBar1->SetPosition(c.position);
        add.ComboBox2->SetItemIndex(c.paths);
        add.OpenDialog1->InitialDir = work_ + "in";
        if (c.position == 1) guitest::SaveScreenshot(add.Handle(), "pelloro_add_files_dialog.bmp");
        testutil::DialogAnswerer open("Select files to add to your Zip", IDOK, [](HWND dialog) {
          const char names[] = "\"a.txt\" \"b.txt\" \"c.dat\"";
          for (int id : {1148, 1152}) {
            if (HWND edit = GetDlgItem(dialog, id))
              SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names));
          }
        });
        guitest::Click(*add.Bitbtn1);
        EXPECT_TRUE(open.found());
        EXPECT_EQ(add.ModalResult(), forms::mrOk);
        EXPECT_EQ(add.LastResult(), 0);
      });
      guitest::Click(*dialog.Createbtn);
    });
    ASSERT_TRUE(guitest::ClickMenu(main, "&File|&Create New Zip"));
    const std::string archive = work_ + c.archive + ".zip";
    std::string expected = "OK\n";
    for (const std::string& name :
         {std::string("A.TXT 4000"), std::string("B.TXT 4001"), std::string("C.DAT 4001")}) {
      const size_t space = name.find(' ');
      expected += (c.paths ? "IN/" : "") + name.substr(0, space) + " " + std::to_string(c.method) +
                  name.substr(space) + "\n";
    }
    EXPECT_EQ(PythonEntries(archive), expected);
    EXPECT_EQ(static_cast<int>(SendMessageA(main.MSListview1->Handle(), LVM_GETITEMCOUNT, 0, 0)),
              3);
    KeepForPeers(archive, std::string("dialogs_new_add_") + c.archive + ".zip");
  }
  EXPECT_TRUE(exceptions.empty());
}

// Runs "&Add files" with the given "If file exists" item, the open dialog given the names (in
// the folder); the add dialog's last result.
short AddThroughDialog(TMainfrm& main, const std::string& folder, const std::string& names,
                       int exists) {
  short result = -1;
  guitest::OnModal([&](forms::Form& form) {
    auto& add = dynamic_cast<TAddFilesfrm&>(form);
    add.ComboBox4->SetItemIndex(exists);
    add.OpenDialog1->InitialDir = folder;
    testutil::DialogAnswerer open("Select files to add to your Zip", IDOK, [names](HWND dialog) {
      for (int id : {1148, 1152}) {
        if (HWND edit = GetDlgItem(dialog, id))
          SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
      }
    });
    guitest::Click(*add.Bitbtn1);
    EXPECT_TRUE(open.found());
    result = add.LastResult();
  });
  EXPECT_TRUE(guitest::ClickMenu(main, "A&ctions|&Add files"));
  return result;
}

// Sets a file's text and its last-write time, days from now.
void WriteDated(const std::string& path, const std::string& text, int days) {
  ASSERT_TRUE(testutil::WriteWholeFile(path, text));
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
  t.QuadPart += static_cast<long long>(days) * 864000000000LL;
  const FILETIME when{t.LowPart, t.HighPart};
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &when));
  CloseHandle(file);
}

// Python's text of an entry.
std::string EntryText(const std::string& archive, const std::string& name) {
  const std::string folder = testutil::BinaryDir() + "app\\pelloro\\dialogs_work\\";
  return testutil::RunPeer(
      folder,
      "python3 -c 'import sys, zipfile; "
      "sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]).decode())' '" +
          testutil::UnixPath(archive) + "' '" + name + "'");
}

TEST_F(NewAndAddTest, UpdateReplacesOnlyOlderEntriesAndOverwriteAlways) {
  TMainfrm& main = MakeMain();
  main.Show();
  const std::string folder = work_ + "in\\";
  ASSERT_TRUE(pelloro::ForceFolder(folder));
  const std::string archive = work_ + "modes.zip";
  {
    TQXCtrl::CallScope call(*main.QXCtrl1);
    ASSERT_TRUE(main.QXCtrl1->CreateBlankZIPFile(archive, false));
  }
  ASSERT_TRUE(main.OpenByTheRoad(archive));
  WriteDated(folder + "a.txt", "first", -10);
  EXPECT_EQ(AddThroughDialog(main, folder, "a.txt", 0), 0);  // absent: added
  EXPECT_EQ(EntryText(archive, "A.TXT"), "first");
  const struct {
    const char* text;
    int days;
    int exists;
    const char* after;
  } steps[] = {
      {"older", -20, 0, "first"},  // "Update it", file older than the entry: kept
      {"newer", -2, 0, "newer"},   // "Update it", file newer: replaced
      {"again", -30, 1, "again"},  // "Overwrite it": replaced whatever its age
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.text);
    WriteDated(folder + "a.txt", step.text, step.days);
    AddThroughDialog(main, folder, "a.txt", step.exists);
    EXPECT_EQ(EntryText(archive, "A.TXT"), step.after);
  }
  KeepForPeers(archive, "dialogs_modes.zip");
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(NewAndAddTest, SavedDefaultsAreShownAgain) {
  TMainfrm& main = MakeMain();
  main.Show();
  ASSERT_TRUE(main.OpenByTheRoad(apptest::FixturePath("list folder\\list.zip")));
  guitest::OnModal([&](forms::Form& form) {
    auto& add = dynamic_cast<TAddFilesfrm&>(form);
    EXPECT_EQ(add.ComboBox1->ItemIndex(), 0);
    EXPECT_EQ(add.TrackBar1->Position(), 1);
    guitest::Click(*add.Bitbtn2);
    add.ComboBox1->SetItemIndex(1);
    add.ComboBox2->SetItemIndex(1);
    add.ComboBox4->SetItemIndex(2);
    add.TrackBar1->SetPosition(2);
    guitest::SetText(*add.Edit1, "secret");
    std::string question, saved;
    guitest::OnModal([&](forms::Form& dialog) {
      question = guitest::Get<forms::Label>(dialog, "Message").Caption();
      AnswerMessage(&saved, "OK");
      guitest::Click(dialog, "Yes");
    });
    guitest::Click(*add.Bitbtn4);
    EXPECT_EQ(question.substr(0, 58), "Are you sure that you wish to include a password as defaul");
    EXPECT_EQ(saved, "Defaults saved...");
    guitest::Click(*add.Bitbtn3);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|&Add files"));
  EXPECT_EQ(apptest::ReadSetting("Recurse"), "1");
  EXPECT_EQ(apptest::ReadSetting("Compression"), "1");
  EXPECT_EQ(apptest::ReadSetting("Exists"), "2");
  EXPECT_EQ(apptest::ReadSetting("Password"), "secret");
  guitest::OnModal([&](forms::Form& form) {
    auto& add = dynamic_cast<TAddFilesfrm&>(form);
    EXPECT_EQ(add.ComboBox1->ItemIndex(), 1);
    EXPECT_EQ(add.ComboBox2->ItemIndex(), 1);
    EXPECT_EQ(add.ComboBox4->ItemIndex(), 2);
    EXPECT_EQ(add.TrackBar1->Position(), 2);
    EXPECT_EQ(add.Edit1->Text(), "secret");
    guitest::Click(*add.Bitbtn3);
  });
  ASSERT_TRUE(guitest::ClickMenu(main, "A&ctions|&Add files"));
  EXPECT_TRUE(exceptions.empty());
}

}  // namespace
