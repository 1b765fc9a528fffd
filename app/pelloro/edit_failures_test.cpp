// The editing commands with the echo control in place of QX30W32, every call of it failing with
// an exception (as a broken control would): each command ends with one message, no call left in
// progress, the progress window and its dialogs closed, the main window enabled and " - Idle"
// (the closed look when the listing itself failed), and the next command works.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "add_files_form.h"
#include "app_test_support.h"
#include "archive_list_display.h"
#include "captions.h"
#include "dialog_robot.h"
#include "echo_control_test_support.h"
#include "forms/label.h"
#include "gui_driver.h"
#include "move_copy_form.h"
#include "new_zip_form.h"
#include "tool_commands.h"
#include "unzip_now_form.h"
#include "wildcard_remove_form.h"
#include "win_test_util.h"

namespace {

using pelloro::TMainfrm;

constexpr wchar_t kFailure[] = L"The archive cannot be read";

class EditFailuresTest : public apptest::DialogsWorkTest {
 protected:
  void SetUp() override {
    DialogsWorkTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(server_.registered());
    pelloro::TMainfrmOptions options;
    options.ControlClass = &echotest::kEchoClassId;
    main = &MakeMain(options);
    main->Show();
    archive = work_ + "echo.zip";
    input = work_ + "caf\xe9.txt";
    ASSERT_TRUE(testutil::WriteWholeFile(input, std::string("input")));
    record.Name[0] = '\0';
    lstrcpyA(record.Name, "note.txt");
  }
  // The archive listed by the working echo, with one row (the listing's record) selected.
  void OpenWithOneRow() {
    server_.state.answer = nullptr;
    ASSERT_TRUE(
        testutil::WriteWholeFile(archive, std::string("PK\x05\x06", 4) + std::string(18, '\0')));
    ASSERT_TRUE(main->OpenByTheRoad(archive));
    const HWND list = main->MSListview1->Handle();
    ListView_DeleteAllItems(list);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.pszText = const_cast<char*>("note.txt");
    item.lParam = reinterpret_cast<LPARAM>(&record);
    ASSERT_EQ(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), 0);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_TRUE(main->Functions1->Enabled());
    ASSERT_TRUE(exceptions.empty());
  }
  void Fail() {
    server_.state.answer = [](const echotest::RawCall&, VARIANT*, EXCEPINFO* exception) {
      exception->bstrDescription = SysAllocString(kFailure);
      return DISP_E_EXCEPTION;
    };
  }
  // Runs the dialog the command shows through act; a dialog the failed call left open is
  // closed as the user would (Cancel).
  void InDialog(std::function<void(forms::Form&)> act) {
    guitest::OnModal([act](forms::Form& form) {
      act(form);
      if (form.ModalResult() == forms::mrNone) form.SetModalResult(forms::mrCancel);
    });
  }
  // Answers the command's message dialogs with Yes (the exception's own message does not come
  // here: the test's handler keeps it).
  void AnswerYes() {
    guitest::OnModal([this](forms::Form& dialog) {
      questions.push_back(guitest::Get<forms::Label>(dialog, "Message").Caption());
      AnswerYes();
      guitest::Click(dialog, "Yes");
    });
  }
  // The windows of this thread still visible besides the main window.
  int OtherVisibleWindows() {
    struct Count {
      HWND main;
      int n;
    } count{main->Handle(), 0};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) CALLBACK -> BOOL {
          auto* c = reinterpret_cast<Count*>(p);
          char name[64] = {};
          GetClassNameA(w, name, sizeof name);
          if (w != c->main && IsWindowVisible(w) && lstrcmpA(name, "tooltips_class32") != 0) {
            ++c->n;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.n;
  }

  echotest::EchoServer server_;
  TMainfrm* main = nullptr;
  std::string archive, input;
  pelloro::ZipItemRecord record = {};
  std::vector<std::string> questions;
};

// The common open dialog of this thread (by caption) given a path.
testutil::DialogAnswerer PickInOpenDialog(const std::string& caption, const std::string& path) {
  return testutil::DialogAnswerer(testutil::ThisThreadsDialog(caption), [path](HWND dialog) {
    Sleep(200);
    HWND edit = GetDlgItem(dialog, 0x47C);
    if (edit == nullptr) edit = GetDlgItem(dialog, 0x480);
    HWND inner = FindWindowExA(edit, nullptr, "Edit", nullptr);
    SetWindowTextA(inner != nullptr ? inner : edit, path.c_str());
    guitest::Press(dialog, IDOK);
  });
}

TEST_F(EditFailuresTest, EachCommandEndsWithOneMessageAndTheNextWorks) {
  const struct Case {
    const char* command;
    bool listedAfter;  // false: the listing failed, the closed look stays
    int messages;      // the exception's messages (the archive's deletion calls no control)
    std::function<void()> run;
  } cases[] = {
      {"new", true, 1,
       [this] {
         InDialog([this](forms::Form& form) {
           auto& dialog = dynamic_cast<pelloro::TNewZipFrm&>(form);
           guitest::SetText(*dialog.Directory, work_ + "new");
           guitest::SetText(*dialog.FileName, "made");
           guitest::Click(*dialog.Createbtn);
         });
         ASSERT_TRUE(guitest::ClickMenu(*main, "&File|&Create New Zip"));
       }},
      {"add", true, 1,
       [this] {
         InDialog([this](forms::Form& form) {
           auto& add = dynamic_cast<pelloro::TAddFilesfrm&>(form);
           testutil::DialogAnswerer open(
               testutil::ThisThreadsDialog("Select files to add to your Zip"), [this](HWND dialog) {
                 Sleep(200);
                 for (int id : {1148, 1152}) {
                   if (HWND edit = GetDlgItem(dialog, id)) {
                     SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(input.c_str()));
                   }
                 }
                 guitest::Press(dialog, IDOK);
               });
           guitest::Click(*add.Bitbtn1);
           EXPECT_TRUE(open.found());
         });
         ASSERT_TRUE(guitest::ClickMenu(*main, "A&ctions|&Add files"));
       }},
      {"extract", true, 1,
       [this] {
         InDialog([this](forms::Form& form) {
           auto& dialog = dynamic_cast<pelloro::Tunzipnow&>(form);
           guitest::SetText(*dialog.Edit1, work_ + "out");
           guitest::Click(*dialog.Bitbtn3);
         });
         ASSERT_TRUE(guitest::ClickMenu(*main, "A&ctions|E&xtract Files"));
       }},
      {"properties", true, 1,
       [this] {
         InDialog([](forms::Form&) {});
         ASSERT_TRUE(guitest::ClickMenu(*main, "A&ctions|&Properties"));
       }},
      {"move/copy", false, 1,
       [this] {
         InDialog([this](forms::Form& form) {
           auto& dialog = dynamic_cast<pelloro::TMoveCopyfrm&>(form);
           guitest::SetText(*dialog.Edit2, work_ + "copied\\");
           guitest::Click(*dialog.Copybtn);
         });
         ASSERT_TRUE(guitest::ClickMenu(*main, "&Send to...|&Move/Copy Zip"));
         EXPECT_TRUE(testutil::FileBytes(work_ + "copied\\echo.zip", true).size() > 0);
       }},
      {"delete selected", true, 1,
       [this] {
         AnswerYes();
         ASSERT_TRUE(guitest::ClickMenu(*main, "A&ctions|&Remove files|&Remove selected Files"));
       }},
      {"delete the archive", false, 0,
       [this] {
         AnswerYes();
         testutil::DialogAnswerer shell(testutil::ThisThreadsDialog(""),
                                        [](HWND dialog) { guitest::Press(dialog, IDYES); });
         ASSERT_TRUE(guitest::ClickMenu(*main, "&Send to...|&Recycling Bin (Delete Zip file)"));
         EXPECT_TRUE(shell.Wait());
       }},
      {"refresh", false, 1,
       [this] {
         AnswerYes();
         ASSERT_TRUE(guitest::ClickMenu(*main, "A&ctions|Re&fresh"));
       }},
      {"repair", true, 1,
       [this] {
         auto pick = PickInOpenDialog("Select a Zip file to Open...", archive);
         ASSERT_TRUE(guitest::ClickMenu(*main, "&File|&Repair Corrupt Zip file"));
         EXPECT_TRUE(pick.Wait());
       }},
      {"drop", true, 1,
       [this] {
         AnswerYes();
         guitest::DropFiles(main->Handle(), {input});
         guitest::Pump(100);
       }},
      {"rename", true, 1,
       [this] {
         main->MSListview1->SetFocus();
         HWND edit = reinterpret_cast<HWND>(
             SendMessageA(main->MSListview1->Handle(), LVM_EDITLABELA, 0, 0));
         ASSERT_NE(edit, nullptr);
         guitest::Pump(30);
         SetWindowTextA(edit, "renamed.txt");
         PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
         PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
         guitest::Pump(300);
       }},
      {"wildcard remove", true, 1,
       [this] {
         InDialog([](forms::Form& form) {
           auto& dialog = dynamic_cast<pelloro::TWildcardremove&>(form);
           guitest::SetText(*dialog.Edit1, "*.txt");
           guitest::Click(*dialog.Bitbtn2);
         });
         ASSERT_TRUE(guitest::ClickMenu(*main, "A&ctions|&Remove files|Remove with &wildcard"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    OpenWithOneRow();
    Fail();
    c.run();
    forms::App().SetModalHook(nullptr);
    ASSERT_EQ(exceptions.size(), static_cast<size_t>(c.messages));
    if (c.messages > 0) {
      const std::string text = exceptions[0];
      EXPECT_NE(text.find("The archive cannot be read"), std::string::npos) << text;
    }
    EXPECT_EQ(main->QXCtrl1->CallsInProgress(), 0);
    EXPECT_FALSE(main->Op()->Visible());
    EXPECT_EQ(OtherVisibleWindows(), 0);
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
    EXPECT_EQ(main->Listed(), c.listedAfter);
    EXPECT_EQ(main->Functions1->Enabled(), c.listedAfter);
    EXPECT_EQ(main->MSListview1->Visible(), c.listedAfter);
    if (!c.listedAfter) EXPECT_EQ(main->StatusBar1->PanelText(0), "(no open file)");
    exceptions.clear();
    questions.clear();
  }
  // The next command works: with the control answering again, the archive opens and refreshes.
  OpenWithOneRow();
  AnswerYes();
  ASSERT_TRUE(guitest::ClickMenu(*main, "A&ctions|Re&fresh"));
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(exceptions.empty());
  EXPECT_TRUE(main->Listed());
  EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
}

}  // namespace
