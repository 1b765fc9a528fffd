// The replace prompt and the rename dialog it opens, driven as a user would.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "dialog_prompts.h"
#include "base/module_state.h"
#include "prompt_resources.h"
#include "base/prompts.h"
#include "test_prompt_support.h"
#include "win_test_util.h"

namespace {

using namespace prompttest;

class ReplaceDialogTest : public PromptTest {
 protected:
  struct Asking {
    CZText name;
    bool older = false;
    bool renameAllowed = true;
    bool complete = true;
    ReplaceAnswer answer = kReplaceNo;
  };
  static std::function<void()> Ask(Asking* asking) {
    return [asking] {
      asking->answer = GetEnginePrompts()->AskReplace(asking->name, asking->older,
                                                      asking->renameAllowed, asking->complete);
    };
  }
  // The folder in OEM upper case, as the engine names files.
  std::string EngineFolder() const {
    CZText folder(Folder().path().c_str());
    folder.AnsiToOem();
    folder.MakeUpper();
    return folder.str();
  }
};

TEST_F(ReplaceDialogTest, EachButtonGivesItsAnswer) {
  struct Case {
    int button;
    ReplaceAnswer answer;
  };
  const Case cases[] = {{IDC_REPLACE_YES, kReplaceYes},
                        {IDC_REPLACE_NO, kReplaceNo},
                        {IDC_REPLACE_ALWAYS, kReplaceAlways},
                        {IDC_REPLACE_NEVER, kReplaceNever}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    Asking asking;
    asking.name = "C:\\DATA\\A.TXT";
    asking.answer = kReplaceRename;
    PromptThread thread(Ask(&asking));
    HWND dialog = WaitForDialog(thread.Id(), "Replace...");
    ASSERT_NE(nullptr, dialog);
    Press(dialog, c.button);
    ASSERT_TRUE(thread.Wait());
    EXPECT_EQ(c.answer, asking.answer);
    EXPECT_EQ("C:\\DATA\\A.TXT", asking.name.str());
  }
}

TEST_F(ReplaceDialogTest, MessageAndDefaultFollowTheCopiesAges) {
  struct Case {
    bool older, complete;
    const char* ageText;
    int defaultButton;
  };
  const Case cases[] = {{true, true, "The ZIP file version is older.", IDC_REPLACE_YES},
                        {false, true, "The ZIP file version is newer.", IDC_REPLACE_NO},
                        {true, false, "The ZIP file version is older.", IDC_REPLACE_NO},
                        {false, false, "The ZIP file version is newer.", IDC_REPLACE_YES}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "older " << c.older << " complete " << c.complete);
    Asking asking;
    asking.name = c.complete ? "C:\\DATA\\A.TXT" : "A.TXT";
    asking.older = c.older;
    asking.complete = c.complete;
    CZText current;
    current.GetCurrentDir();
    const std::string shown = c.complete ? "C:\\DATA\\A.TXT" : current.str() + "A.TXT";
    PromptThread thread(Ask(&asking));
    HWND dialog = WaitForDialog(thread.Id(), "Replace...");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(
        "The file " + shown + " already exists.\n" + c.ageText + ".\nWould you like to replace it?",
        ItemText(dialog, IDC_REPLACE_MESSAGE));
    EXPECT_EQ(c.defaultButton, DefaultButton(dialog));
    EXPECT_EQ(GetDlgItem(dialog, c.defaultButton), [&] {
      GUITHREADINFO info = {};
      info.cbSize = sizeof(info);
      GetGUIThreadInfo(thread.Id(), &info);
      return info.hwndFocus;
    }());
    EXPECT_EQ("&Yes", ItemText(dialog, IDC_REPLACE_YES));
    EXPECT_EQ("&No", ItemText(dialog, IDC_REPLACE_NO));
    EXPECT_EQ("&Always", ItemText(dialog, IDC_REPLACE_ALWAYS));
    EXPECT_EQ("Ne&ver", ItemText(dialog, IDC_REPLACE_NEVER));
    EXPECT_EQ("&Rename...", ItemText(dialog, IDC_REPLACE_RENAME));
    Press(dialog, IDC_REPLACE_NO);
    ASSERT_TRUE(thread.Wait());
  }
}

TEST_F(ReplaceDialogTest, ReplacedTextsAppearInTheDialog) {
  const char* const texts[] = {"Ersetzen", "&Ja", "&Nein", "&Immer", "Nie", "&Umbenennen"};
  for (int i = 0; i < 6; ++i) SetStringResource(8 + i, texts[i]);
  SetStringResource(5, "%1 gibt es schon (%2)");
  SetStringResource(3, "%1 ist \xe4lter");
  Asking asking;
  asking.name = "C:\\A.TXT";
  asking.older = true;
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Ersetzen");
  ASSERT_NE(nullptr, dialog);
  const int buttons[] = {IDC_REPLACE_YES, IDC_REPLACE_NO, IDC_REPLACE_ALWAYS, IDC_REPLACE_NEVER,
                         IDC_REPLACE_RENAME};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(texts[i + 1], ItemText(dialog, buttons[i]));
  // "%2" is filled first, so a "%1" in its text names the file too.
  EXPECT_EQ("C:\\A.TXT gibt es schon (C:\\A.TXT ist \xe4lter)",
            ItemText(dialog, IDC_REPLACE_MESSAGE));
  Press(dialog, IDC_REPLACE_YES);
  ASSERT_TRUE(thread.Wait());
}

TEST_F(ReplaceDialogTest, RenameForbiddenCannotRename) {
  Asking asking;
  asking.name = "C:\\DATA\\A.TXT";
  asking.renameAllowed = false;
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Replace...");
  ASSERT_NE(nullptr, dialog);
  EXPECT_FALSE(IsItemEnabled(dialog, IDC_REPLACE_RENAME));
  Press(dialog, IDC_REPLACE_RENAME);  // a forged click opens nothing
  Sleep(300);
  EXPECT_EQ(nullptr, WaitForDialog(thread.Id(), "Rename", 200));
  Press(dialog, IDC_REPLACE_NO);
  ASSERT_TRUE(thread.Wait());
  EXPECT_EQ(kReplaceNo, asking.answer);
}

TEST_F(ReplaceDialogTest, RenameChecksTheNameAndHandsTheNewOneOn) {
  ASSERT_TRUE(testutil::WriteWholeFile(Folder() / "A.TXT", std::string("a")));
  ASSERT_TRUE(testutil::WriteWholeFile(Folder() / "TAKEN.TXT", std::string("t")));
  Asking asking;
  asking.name = (EngineFolder() + "A.TXT").c_str();
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Replace...");
  ASSERT_NE(nullptr, dialog);

  // Cancel in the rename dialog keeps the replace prompt open.
  Press(dialog, IDC_REPLACE_RENAME);
  HWND rename = WaitForDialog(thread.Id(), "Rename");
  ASSERT_NE(nullptr, rename);
  EXPECT_EQ("Rename A.TXT...", WindowText(rename));
  EXPECT_EQ("CST001.TXT", ItemText(rename, IDC_RENAME_EDIT));
  EXPECT_TRUE(IsItemEnabled(rename, IDOK));
  EXPECT_EQ("Ok", ItemText(rename, IDOK));
  EXPECT_EQ("Cancel", ItemText(rename, IDCANCEL));
  Press(rename, IDCANCEL);
  for (int i = 0; i < 100 && IsWindow(rename); ++i) Sleep(20);
  EXPECT_FALSE(IsWindow(rename));
  EXPECT_TRUE(IsWindowVisible(dialog));

  Press(dialog, IDC_REPLACE_RENAME);
  rename = WaitForDialog(thread.Id(), "Rename");
  ASSERT_NE(nullptr, rename);
  HWND edit = GetDlgItem(rename, IDC_RENAME_EDIT);
  SetEditText(edit, "taken.txt");  // an existing file, in any letter case
  EXPECT_FALSE(IsItemEnabled(rename, IDOK));
  EXPECT_EQ(IDCANCEL, DefaultButton(rename));
  Press(rename, IDOK);  // refused: the dialog stays
  Sleep(300);
  EXPECT_TRUE(IsWindow(rename));
  SetEditText(edit, "b?.txt");  // no canonical name
  EXPECT_FALSE(IsItemEnabled(rename, IDOK));
  SetEditText(edit, "B.TXT");
  EXPECT_TRUE(IsItemEnabled(rename, IDOK));
  EXPECT_EQ(IDOK, DefaultButton(rename));
  Press(rename, IDOK);
  ASSERT_TRUE(thread.Wait());
  EXPECT_EQ(kReplaceRename, asking.answer);
  EXPECT_EQ(0, asking.name.CompareNoCase((EngineFolder() + "B.TXT").c_str())) << asking.name.str();
}

TEST_F(ReplaceDialogTest, RenameDialogAloneEndsWithTheNewNameOrNothing) {
  ASSERT_TRUE(testutil::WriteWholeFile(Folder() / "DATA.ZIP", std::string("z")));
  const std::string current = EngineFolder() + "DATA.ZIP";
  for (bool accept : {false, true}) {
    SCOPED_TRACE(accept);
    CZText name(current.c_str());
    bool renamed = true;
    PromptThread thread([&] { renamed = GetEnginePrompts()->AskRename(name, true); });
    HWND rename = WaitForDialog(thread.Id(), "Rename DATA.ZIP...");
    ASSERT_NE(nullptr, rename);
    SetEditText(GetDlgItem(rename, IDC_RENAME_EDIT), "OTHER.ZIP");
    Press(rename, accept ? IDOK : IDCANCEL);
    ASSERT_TRUE(thread.Wait());
    EXPECT_EQ(accept, renamed);
    EXPECT_EQ(accept ? EngineFolder() + "OTHER.ZIP" : current, name.str());
  }
}

// A remembered position whose right edge lies 50 pixels beyond the screen comes back 60 pixels
// further left; one above the screen comes back at 30.
TEST_F(ReplaceDialogTest, RememberedPositionIsPulledOntoTheScreen) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int width = 0;
  int left = 0;
  {
    Asking asking;
    asking.name = "C:\\A.TXT";
    PromptThread thread(Ask(&asking));
    HWND dialog = WaitForDialog(thread.Id(), "Replace...");
    ASSERT_NE(nullptr, dialog);
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    width = rect.right - rect.left;
    left = screenWidth - width + 50;
    SetWindowPos(dialog, nullptr, left, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Press(dialog, IDC_REPLACE_NO);
    ASSERT_TRUE(thread.Wait());
  }
  Asking asking;
  asking.name = "C:\\A.TXT";
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Replace...");
  ASSERT_NE(nullptr, dialog);
  RECT rect = {};
  GetWindowRect(dialog, &rect);
  EXPECT_EQ(left - 60, rect.left);
  EXPECT_EQ(100, rect.top);
  Press(dialog, IDC_REPLACE_NO);
  ASSERT_TRUE(thread.Wait());
}

}  // namespace
