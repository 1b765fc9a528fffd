// TShellAddfrm in process with the real control: the form as created and shown, the list table
// from the command line, the list editing and dropping, Browse and Create New through the
// system's dialogs, Go! on a fixture tree in every compression mode with and without recursion
// (entry names and methods read by python, the archives kept for the peers), the status panels
// following the control's events, an empty list, and the failures that end the program after
// their message: a target that is no archive or is held open, a listed folder that is gone.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "dialog_robot.h"
#include "forms/label.h"
#include "gui_driver.h"
#include "shell_add_form.h"
#include "shell_add_rules.h"
#include "shell_add_texts.h"
#include "vantrel_test_support.h"
#include "win_test_util.h"

namespace {

using vantrel::TShellAddfrm;
using vantreltest::VantrelTest;

std::vector<std::string> Items(forms::ListBox& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

// The next message form's text and caption, then a click on its button of that name.
void AnswerMessage(std::string* text, std::string* caption, const std::string& button,
                   const std::string& screenshot = "") {
  guitest::OnModal([=](forms::Form& dialog) {
    *text = guitest::Get<forms::Label>(dialog, "Message").Caption();
    if (caption != nullptr) *caption = dialog.Caption();
    if (!screenshot.empty()) guitest::SaveScreenshot(dialog.Handle(), screenshot);
    guitest::Click(dialog, button);
  });
}

// The file name box of the system's open and save dialogs (a combo box, or an edit).
void TypeFileName(HWND dialog, const std::string& name) {
  HWND box = GetDlgItem(dialog, 0x47C);
  if (box == nullptr) box = GetDlgItem(dialog, 0x480);
  if (box != nullptr) SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

std::vector<bool> InputsEnabled(TShellAddfrm& form) {
  return {form.Bitbtn1->Enabled(),   form.Bitbtn2->Enabled(), form.Bitbtn3->Enabled(),
          form.Bitbtn4->Enabled(),   form.Edit1->Enabled(),   form.ComboBox1->Enabled(),
          form.ComboBox2->Enabled(), form.ListBox1->Enabled()};
}

TEST_F(VantrelTest, CreatedWithItsInputsOffShownWithTheCommandLinesItems) {
  // The list table: a drive root, a folder with blanks, several folders each an item, in order.
  struct Row {
    std::vector<std::string> folders;
    std::vector<std::string> items;
  };
  const Row rows[] = {
      {{"C:\\"}, {"C:\\*.*"}},
      {{"C:\\My Documents\\Old Letters"}, {"C:\\My Documents\\Old Letters\\*.*"}},
      {{"D:\\one", "E:\\", "C:\\two words\\caf\xe9"},
       {"D:\\one\\*.*", "E:\\*.*", "C:\\two words\\caf\xe9\\*.*"}},
      {{}, {}},
  };
  for (const Row& row : rows) {
    TShellAddfrm& form = MakeForm(row.folders);
    EXPECT_EQ(form.Caption(), "Pelloro '95 Tavrell Folder Compress");
    EXPECT_EQ(form.Edit1->Text(), "C:\\Windows\\Desktop\\Myzip.zip");
    EXPECT_EQ(InputsEnabled(form), std::vector<bool>(8, false));
    EXPECT_TRUE(form.Bitbtn5->Enabled());
    EXPECT_TRUE(form.Bitbtn6->Enabled());
    EXPECT_FALSE(form.FileDrag1->EnableDrop());
    for (auto* button :
         {form.Bitbtn1, form.Bitbtn2, form.Bitbtn3, form.Bitbtn4, form.Bitbtn5, form.Bitbtn6}) {
      EXPECT_TRUE(button->OlderBuild()) << button->Caption();
    }
    form.Show();
    guitest::Pump();
    EXPECT_EQ(Items(*form.ListBox1), row.items);
    EXPECT_EQ(InputsEnabled(form), std::vector<bool>(8, true));
    EXPECT_TRUE(form.FileDrag1->EnableDrop());
    EXPECT_EQ(form.ComboBox1->Count(), 3);
    EXPECT_EQ(form.ComboBox1->Item(0), "Normal Compression");
    EXPECT_EQ(form.ComboBox1->Item(1), "No Compression");
    EXPECT_EQ(form.ComboBox1->Item(2), "Maximum Compression");
    EXPECT_EQ(form.ComboBox1->Text(), "Normal Compression");
    EXPECT_EQ(form.ComboBox2->Count(), 2);
    EXPECT_EQ(form.ComboBox2->Text(), "No");
    EXPECT_EQ(form.StatusBar1->PanelText(0), "(Idle)");
    EXPECT_EQ(form.StatusBar1->PanelText(1), "(complete)");
    if (row.folders.size() == 3) guitest::SaveScreenshot(form.Handle(), "vantrel_form.bmp");
  }
  EXPECT_EQ(forms::App().Title, "Application");  // the program sets its own (the process test)
  EXPECT_EQ(terminateRequests, 0);
}

TEST_F(VantrelTest, RemoveTakesTheSelectionRemoveAllEverythingExitEndsTheProgram) {
  TShellAddfrm& form = MakeForm({"C:\\a", "C:\\b", "C:\\c"});
  form.Show();
  guitest::Click(*form.Bitbtn5);  // no selection: nothing happens
  EXPECT_EQ(form.ListBox1->Count(), 3);
  form.ListBox1->SetItemIndex(1);
  guitest::Click(*form.Bitbtn5);
  EXPECT_EQ(Items(*form.ListBox1), (std::vector<std::string>{"C:\\a\\*.*", "C:\\c\\*.*"}));
  guitest::Click(*form.Bitbtn6);
  EXPECT_EQ(form.ListBox1->Count(), 0);
  EXPECT_EQ(terminateRequests, 0);
  guitest::Click(*form.Bitbtn2);
  EXPECT_EQ(terminateRequests, 1);
}

TEST_F(VantrelTest, DroppedNamesAskWhetherEachIsAFolder) {
  TShellAddfrm& form = MakeForm({});
  form.Show();
  std::string first, second, caption;
  guitest::OnModal([&](forms::Form& dialog) {
    first = guitest::Get<forms::Label>(dialog, "Message").Caption();
    caption = dialog.Caption();
    guitest::SaveScreenshot(dialog.Handle(), "vantrel_drop_question.bmp");
    AnswerMessage(&second, nullptr, "No");
    guitest::Click(dialog, "Yes");
  });
  guitest::DropFiles(form.Handle(), {"C:\\Gr\xfc\xdf"
                                     "e",
                                     "C:\\notes\\caf\xe9.txt"});
  guitest::Pump();
  EXPECT_EQ(first, "Is this a directory/folder?");
  EXPECT_EQ(second, "Is this a directory/folder?");
  EXPECT_EQ(caption, "Confirm");
  EXPECT_EQ(Items(*form.ListBox1), (std::vector<std::string>{"C:\\Gr\xfc\xdf"
                                                             "e\\*.*",
                                                             "C:\\notes\\caf\xe9.txt"}));
}

TEST_F(VantrelTest, BrowseTakesTheChosenNameAndCancelKeepsTheOld) {
  TShellAddfrm& form = MakeForm({});
  form.Show();
  const std::string chosen = work_ + "chosen.zip";
  std::string caption;
  {
    testutil::DialogAnswerer answer("", IDOK, [&](HWND dialog) {
      caption = testutil::WindowText(dialog);
      guitest::SaveScreenshot(dialog, "vantrel_browse.bmp");
      TypeFileName(dialog, chosen);
    });
    guitest::Click(*form.Bitbtn1);
    ASSERT_TRUE(answer.found());
  }
  EXPECT_EQ(lstrcmpiA(form.Edit1->Text().c_str(), chosen.c_str()), 0) << form.Edit1->Text();
  {
    testutil::DialogAnswerer answer("", IDCANCEL);
    guitest::Click(*form.Bitbtn1);
    ASSERT_TRUE(answer.found());
  }
  EXPECT_EQ(lstrcmpiA(form.Edit1->Text().c_str(), chosen.c_str()), 0) << form.Edit1->Text();
}

TEST_F(VantrelTest, CreateNewTakesTheControlsNameAndCancelledEmptiesIt) {
  TShellAddfrm& form = MakeForm({});
  form.Show();
  guitest::SetText(*form.Edit1, work_ + "proposed.zip");
  {
    testutil::DialogAnswerer answer("", IDOK, [&](HWND dialog) {
      guitest::SaveScreenshot(dialog, "vantrel_create_new.bmp");
      TypeFileName(dialog, "made new.zip");
    });
    guitest::Click(*form.Bitbtn4);
    ASSERT_TRUE(answer.found());
  }
  std::string expected = work_ + "MADE NEW.ZIP";
  CharUpperA(expected.data());
  EXPECT_EQ(form.Edit1->Text(), expected);
  EXPECT_EQ(testutil::FileBytes(expected, true).size(), 22u);
  {
    testutil::DialogAnswerer answer("", IDCANCEL);
    guitest::Click(*form.Bitbtn4);
    ASSERT_TRUE(answer.found());
  }
  EXPECT_EQ(form.Edit1->Text(), "");
  EXPECT_EQ(terminateRequests, 0);
}

// ---- Go! ---------------------------------------------------------------------------------------

struct GoCase {
  int mode;  // the "Compression Mode" entry
  bool recurse;
  bool besideTree;  // the archive in the tree's parent folder, else in a folder of its own
  const char* name;
};

class VantrelGoTest : public VantrelTest {
 protected:
  void SetUp() override {
    VantrelTest::SetUp();
    if (IsSkipped()) return;
    tree_ = work_ + "tree\\";
    ASSERT_NO_FATAL_FAILURE(vantreltest::MakeTree(tree_));
  }
  // Go! on the form; the completion question's text when it came (answered No), else "".
  std::string Go(TShellAddfrm& form) {
    std::string question;
    AnswerMessage(&question, nullptr, "No");
    guitest::Click(*form.Bitbtn3);
    forms::App().SetModalHook(nullptr);
    return question;
  }
  // Go! that fails: the message's text and caption (answered OK); no other message may follow.
  void GoFails(TShellAddfrm& form, const std::string& screenshot = "") {
    std::string text, caption;
    AnswerMessage(&text, &caption, "OK", screenshot);
    guitest::Click(*form.Bitbtn3);
    forms::App().SetModalHook(nullptr);
    EXPECT_EQ(text, "Error occured. Check you have write access and the drive is not full.");
    EXPECT_EQ(caption, forms::App().Title);  // a plain message: the program's title
    EXPECT_EQ(terminateRequests, 1);
  }
  std::string tree_;
};

TEST_F(VantrelGoTest, AddsTheTreeInEveryModeWithAndWithoutRecursion) {
  const GoCase cases[] = {
      {0, false, false, "normal_flat"},  {0, true, true, "normal_recursed"},
      {1, false, true, "stored_flat"},   {1, true, false, "stored_recursed"},
      {2, false, false, "maximum_flat"}, {2, true, true, "maximum_recursed"},
  };
  for (const GoCase& c : cases) {
    SCOPED_TRACE(c.name);
    TShellAddfrm& form = MakeForm({work_ + "tree"});
    form.Show();
    // Beside the tree the names are relative to the archive's folder; in a folder of its own
    // (missing until Go! makes it) they keep the tree's whole path without the drive.
    const std::string archive =
        (c.besideTree ? work_ : work_ + "made\\" + c.name + "\\") + c.name + ".zip";
    const std::string prefix =
        c.besideTree ? std::string("TREE/") : vantreltest::StoredFormOf(tree_);
    guitest::SetText(*form.Edit1, archive);
    form.ComboBox1->SetItemIndex(c.mode);
    form.ComboBox2->SetItemIndex(c.recurse ? 1 : 0);

    // Every event leaves its text in the panels.
    int zipping = 0, zipped = 0;
    std::vector<std::string> mismatches;
    auto onZipping = form.QXCtrl1->OnZNZipping;
    form.QXCtrl1->OnZNZipping = [&, onZipping](TQXCtrl& sender, const std::string& file, short kb) {
      onZipping(sender, file, kb);
      ++zipping;
      if (form.StatusBar1->PanelText(0) != "Adding " + file ||
          form.StatusBar1->PanelText(1) != std::to_string(kb) + "kb done") {
        mismatches.push_back(form.StatusBar1->PanelText(0) + " / " + form.StatusBar1->PanelText(1));
      }
      if (zipping == 1) {
        EXPECT_EQ(InputsEnabled(form), std::vector<bool>(8, false));
      }
    };
    auto onZipped = form.QXCtrl1->OnZNFileZipped;
    form.QXCtrl1->OnZNFileZipped = [&, onZipped](TQXCtrl& sender, const std::string& file,
                                                 short rate) {
      onZipped(sender, file, rate);
      ++zipped;
      if (form.StatusBar1->PanelText(0) != "Adding " + file ||
          form.StatusBar1->PanelText(1) != std::to_string(rate) + "% done") {
        mismatches.push_back(form.StatusBar1->PanelText(0) + " / " + form.StatusBar1->PanelText(1));
      }
      if (zipped == 2 && c.mode == 0 && c.recurse) {
        guitest::SaveScreenshot(form.Handle(), "vantrel_go_progress.bmp");
      }
    };

    EXPECT_EQ(Go(form), "File(s)/Folder(s) compressed to " + archive + "\n\rExit now?");
    EXPECT_EQ(terminateRequests, 0);
    EXPECT_EQ(mismatches, std::vector<std::string>());
    EXPECT_EQ(form.StatusBar1->PanelText(0), "(Idle)");
    EXPECT_EQ(form.StatusBar1->PanelText(1), "(complete)");
    EXPECT_EQ(InputsEnabled(form), std::vector<bool>(8, true));

    const std::vector<std::string> names = vantreltest::ExpectedNames(tree_, prefix, c.recurse);
    const std::vector<std::string> entries = vantreltest::PythonEntries(archive);
    ASSERT_FALSE(entries.empty());
    ASSERT_EQ(entries[0], "OK") << entries.size();
    EXPECT_EQ(vantreltest::NamesOf(entries), names);
    EXPECT_EQ(zipped, static_cast<int>(names.size()));
    if (c.mode == 0) {
      EXPECT_GT(zipping, 0);
    }
    bool deflated = false;
    for (size_t i = 1; i < entries.size(); ++i) {
      const std::string method = entries[i].substr(entries[i].find('|') + 1, 1);
      if (c.mode == 1) {
        EXPECT_EQ(method, "0") << entries[i];
      }
      deflated = deflated || method == "8";
    }
    EXPECT_EQ(deflated, c.mode != 1);
    // Without recursion nothing of a subfolder: only its own entry.
    if (!c.recurse) {
      for (const std::string& name : names) {
        std::string below = name.substr(prefix.size());
        if (!below.empty() && below.back() == '/') below.pop_back();
        EXPECT_EQ(below.find('/'), std::string::npos) << name;
      }
    }
    vantreltest::KeepForPeers(archive, std::string(c.name) + ".zip", names);
  }
}

TEST_F(VantrelGoTest, SeveralItemsGoIntoOneArchiveInListOrder) {
  TShellAddfrm& form = MakeForm({work_ + "tree\\Gr\xfc\xdf"
                                         "e",
                                 work_ + "tree"});
  form.Show();
  const std::string archive = work_ + "two items.zip";
  guitest::SetText(*form.Edit1, archive);
  EXPECT_EQ(Go(form), vantrel::CompletionQuestion(archive));
  std::vector<std::string> names = vantreltest::ExpectedNames(tree_ +
                                                                  "Gr\xfc\xdf"
                                                                  "e\\",
                                                              "TREE/GR\xdc\xdf"
                                                              "E/",
                                                              false);
  // The first item's mask names the subfolder's contents, not its own entry: the second item's
  // scan adds that entry after the first item's.
  for (const std::string& name : vantreltest::ExpectedNames(tree_, "TREE/", false)) {
    names.push_back(name);
  }
  const std::vector<std::string> entries = vantreltest::PythonEntries(archive);
  ASSERT_FALSE(entries.empty());
  ASSERT_EQ(entries[0], "OK");
  EXPECT_EQ(vantreltest::NamesOf(entries), names);
  vantreltest::KeepForPeers(archive, "two_items.zip", names);
}

TEST_F(VantrelGoTest, AnEmptyListStillAsksAndYesEndsTheProgram) {
  TShellAddfrm& form = MakeForm({});
  form.Show();
  const std::string archive = work_ + "new folder\\empty.zip";
  guitest::SetText(*form.Edit1, archive);
  std::string question;
  AnswerMessage(&question, nullptr, "Yes", "vantrel_exit_question.bmp");
  guitest::Click(*form.Bitbtn3);
  EXPECT_EQ(question, "File(s)/Folder(s) compressed to " + archive + "\n\rExit now?");
  EXPECT_EQ(terminateRequests, 1);
  // The archive was made empty before the (no) items.
  EXPECT_EQ(testutil::FileBytes(archive, true).size(), 22u);
}

TEST_F(VantrelGoTest, ATargetThatIsNoArchiveShowsTheMessageAndStaysAsItWas) {
  const std::string target = work_ + "letter.zip";
  const std::string text =
      "Dear Gr\xfc\xdf"
      "e, this is no archive at all.\r\n";
  ASSERT_TRUE(testutil::WriteWholeFile(target, text));
  TShellAddfrm& form = MakeForm({work_ + "tree", work_ + "tree\\Gr\xfc\xdf"
                                                         "e"});
  form.Show();
  guitest::SetText(*form.Edit1, target);
  int zipped = 0;
  form.QXCtrl1->OnZNFileZipped = [&](TQXCtrl&, const std::string&, short) { ++zipped; };
  GoFails(form, "vantrel_error_message.bmp");
  EXPECT_EQ(testutil::FileText(target, true), text);
  EXPECT_EQ(zipped, 0);
  // The program ends: the inputs stay off.
  EXPECT_FALSE(form.Bitbtn3->Enabled());
}

TEST_F(VantrelGoTest, ATargetHeldOpenWithoutSharingShowsTheMessageAndStaysAsItWas) {
  const std::string target = work_ + "held.zip";
  {
    TShellAddfrm& form = MakeForm({work_ + "tree\\Gr\xfc\xdf"
                                           "e"});
    form.Show();
    guitest::SetText(*form.Edit1, target);
    Go(form);
  }
  const std::vector<uint8_t> before = testutil::FileBytes(target, true);
  ASSERT_GT(before.size(), 22u);
  HANDLE held = CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TShellAddfrm& form = MakeForm({work_ + "tree"});
  form.Show();
  guitest::SetText(*form.Edit1, target);
  GoFails(form);
  CloseHandle(held);
  EXPECT_EQ(testutil::FileBytes(target, true), before);
}

TEST_F(VantrelGoTest, AListedFolderThatIsGoneShowsTheMessage) {
  TShellAddfrm& form = MakeForm({work_ + "gone", work_ + "tree"});
  form.Show();
  const std::string archive = work_ + "out.zip";
  guitest::SetText(*form.Edit1, archive);
  int zipped = 0;
  form.QXCtrl1->OnZNFileZipped = [&](TQXCtrl&, const std::string&, short) { ++zipped; };
  GoFails(form);
  // The next item was not added.
  EXPECT_EQ(zipped, 0);
}

}  // namespace
