// The password prompt driven as a user would: texts, the Retry button's state, results, the
// remembered list under each combination of the password flags, and the modal bracket.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_prompts.h"
#include "modal_bracket.h"
#include "base/module_state.h"
#include "password_settings.h"
#include "prompt_resources.h"
#include "base/prompts.h"
#include "test_prompt_support.h"

namespace {

using namespace prompttest;

class PasswordDialogTest : public PromptTest {
 protected:
  // Runs the engine's password question on its own thread.
  struct Asking {
    CZText password;
    CZText name;
    PasswordAnswer answer = kPasswordBypass;
    bool done = false;
  };
  static std::function<void()> Ask(Asking* asking) {
    return [asking] {
      asking->answer = GetEnginePrompts()->AskPassword(asking->password, asking->name);
      asking->done = true;
    };
  }
};

TEST_F(PasswordDialogTest, FirstAskingShowsTheTextsAndBypassIsTheDefault) {
  Asking asking;
  asking.name = "DOCS/README.TXT";
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Password...");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(
      "DOCS\\README.TXT is an encrypted file.\nTo use it you must provide its password."
      "\nWould you like to retry?\n",
      ItemText(dialog, IDC_PASSWORD_MESSAGE));
  EXPECT_EQ("Password:", ItemText(dialog, IDC_PASSWORD_LABEL));
  EXPECT_EQ("&Retry", ItemText(dialog, IDC_PASSWORD_RETRY));
  EXPECT_EQ("&Bypass", ItemText(dialog, IDC_PASSWORD_BYPASS));
  EXPECT_EQ("Ne&ver", ItemText(dialog, IDC_PASSWORD_NEVER));
  EXPECT_FALSE(IsItemEnabled(dialog, IDC_PASSWORD_RETRY));
  EXPECT_EQ(IDC_PASSWORD_BYPASS, DefaultButton(dialog));

  // Typing enables Retry and makes it the default; emptying the box disables it again.
  SetEditText(ComboEdit(dialog, IDC_PASSWORD_COMBO), "a");
  EXPECT_TRUE(IsItemEnabled(dialog, IDC_PASSWORD_RETRY));
  EXPECT_EQ(IDC_PASSWORD_RETRY, DefaultButton(dialog));
  SetEditText(ComboEdit(dialog, IDC_PASSWORD_COMBO), "");
  EXPECT_FALSE(IsItemEnabled(dialog, IDC_PASSWORD_RETRY));
  EXPECT_EQ(IDC_PASSWORD_BYPASS, DefaultButton(dialog));
  SetEditText(ComboEdit(dialog, IDC_PASSWORD_COMBO), "open sesame");
  Press(dialog, IDC_PASSWORD_RETRY);
  ASSERT_TRUE(thread.Wait());
  EXPECT_EQ(kPasswordRetry, asking.answer);
  EXPECT_EQ("open sesame", asking.password.str());
}

TEST_F(PasswordDialogTest, EachButtonGivesItsAnswer) {
  struct Case {
    int button;  // 0: the close box
    PasswordAnswer answer;
  };
  const Case cases[] = {{IDC_PASSWORD_BYPASS, kPasswordBypass},
                        {IDC_PASSWORD_NEVER, kPasswordNever},
                        {0, kPasswordNever}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    Asking asking;
    asking.name = "A.TXT";
    asking.password = "tried";
    asking.answer = kPasswordRetry;
    PromptThread thread(Ask(&asking));
    HWND dialog = WaitForDialog(thread.Id(), "Password...");
    ASSERT_NE(nullptr, dialog);
    if (c.button == 0) {
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    } else {
      Press(dialog, c.button);
    }
    ASSERT_TRUE(thread.Wait());
    EXPECT_EQ(c.answer, asking.answer);
    EXPECT_EQ("tried", asking.password.str());  // only Retry hands a password back
  }
}

TEST_F(PasswordDialogTest, WrongPasswordIsShownPlainOrAsAsterisks) {
  struct Case {
    BOOL show;
    const char* shown;
    char passwordChar;
  };
  const Case cases[] = {{TRUE, "secret is not the good password.", 0},
                        {FALSE, "****** is not the good password.", '*'}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.show);
    SetPasswordMode(c.show, TRUE);
    Asking asking;
    asking.name = "A.TXT";
    asking.password = "secret";
    PromptThread thread(Ask(&asking));
    HWND dialog = WaitForDialog(thread.Id(), "Password...");
    ASSERT_NE(nullptr, dialog);
    EXPECT_NE(std::string::npos, ItemText(dialog, IDC_PASSWORD_MESSAGE).find(c.shown));
    EXPECT_EQ(c.passwordChar, static_cast<char>(SendMessageA(ComboEdit(dialog, IDC_PASSWORD_COMBO),
                                                             EM_GETPASSWORDCHAR, 0, 0)));
    EXPECT_EQ("secret", WindowText(ComboEdit(dialog, IDC_PASSWORD_COMBO)));
    EXPECT_TRUE(IsItemEnabled(dialog, IDC_PASSWORD_RETRY));
    EXPECT_EQ(IDC_PASSWORD_RETRY, DefaultButton(dialog));
    Press(dialog, IDC_PASSWORD_BYPASS);
    ASSERT_TRUE(thread.Wait());
  }
}

TEST_F(PasswordDialogTest, PercentSignsInNameAndPasswordFinishInTime) {
  Asking asking;
  asking.name = "%1%2/%1.TXT";
  asking.password = "%2%1";
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Password...", 5000);
  ASSERT_NE(nullptr, dialog);
  const std::string message = ItemText(dialog, IDC_PASSWORD_MESSAGE);
  // Each mark is filled once, "%1" before "%2": the "%2" of the name shows the password tried.
  EXPECT_EQ(0u, message.find("%1%2%1\\%1.TXT is an encrypted file.")) << message;
  EXPECT_NE(std::string::npos, message.find("%2%1 is not the good password.")) << message;
  Press(dialog, IDC_PASSWORD_BYPASS);
  EXPECT_TRUE(thread.Wait(5000));
  EXPECT_TRUE(asking.done);
}

TEST_F(PasswordDialogTest, ReplacedTextsAppearInTheDialog) {
  SetStringResource(14, "Kennwort");
  SetStringResource(15, "Wort:");
  SetStringResource(16, "Nochmal");
  SetStringResource(17, "Weiter");
  SetStringResource(12, "Nie");
  SetStringResource(0, "Datei %1 ist verschl\xfcsselt");
  Asking asking;
  asking.name = "X.BIN";
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Kennwort");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("Kennwort", WindowText(dialog));
  EXPECT_EQ("Wort:", ItemText(dialog, IDC_PASSWORD_LABEL));
  EXPECT_EQ("Nochmal", ItemText(dialog, IDC_PASSWORD_RETRY));
  EXPECT_EQ("Weiter", ItemText(dialog, IDC_PASSWORD_BYPASS));
  EXPECT_EQ("Nie", ItemText(dialog, IDC_PASSWORD_NEVER));
  EXPECT_EQ("Datei X.BIN ist verschl\xfcsselt", ItemText(dialog, IDC_PASSWORD_MESSAGE));
  Press(dialog, IDC_PASSWORD_NEVER);
  ASSERT_TRUE(thread.Wait());
}

// What Retry shows and stores under each combination of the two flags.
TEST_F(PasswordDialogTest, FlagMatrix) {
  struct Case {
    BOOL show, save;
    int listed;        // entries the list offers
    bool lastWritten;  // "szExtractPassword" written
    bool remembered;   // the new password joins the list
  };
  const Case cases[] = {{TRUE, TRUE, 1, true, true},
                        {FALSE, TRUE, 0, true, false},
                        {TRUE, FALSE, 0, false, false},
                        {FALSE, FALSE, 0, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "show " << c.show << " save " << c.save);
    DeletePasswords();
    ASSERT_TRUE(RememberPassword("older", 0));
    SetPasswordMode(c.show, c.save);
    Asking asking;
    asking.name = "A.TXT";
    PromptThread thread(Ask(&asking));
    HWND dialog = WaitForDialog(thread.Id(), "Password...");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(c.listed, static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_PASSWORD_COMBO),
                                                      CB_GETCOUNT, 0, 0)));
    SetEditText(ComboEdit(dialog, IDC_PASSWORD_COMBO), "newer");
    Press(dialog, IDC_PASSWORD_RETRY);
    ASSERT_TRUE(thread.Wait());
    EXPECT_EQ(kPasswordRetry, asking.answer);
    EXPECT_EQ("newer", asking.password.str());
    EXPECT_EQ(c.lastWritten ? "newer" : "", ReadPasswordKey("szExtractPassword"));
    const std::vector<std::string> expected = c.remembered
                                                  ? std::vector<std::string>{"newer", "older"}
                                                  : std::vector<std::string>{"older"};
    EXPECT_EQ(expected, LoadRememberedPasswords());
  }
}

TEST_F(PasswordDialogTest, RememberedPasswordChosenFromTheListIsHandedOn) {
  ASSERT_TRUE(RememberPassword("first", 0));
  ASSERT_TRUE(RememberPassword("second", 1));
  Asking asking;
  asking.name = "A.TXT";
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Password...");
  ASSERT_NE(nullptr, dialog);
  HWND combo = GetDlgItem(dialog, IDC_PASSWORD_COMBO);
  ASSERT_EQ(2, SendMessageA(combo, CB_GETCOUNT, 0, 0));
  char item[32] = {};
  SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_STREQ("second", item);  // the most recent first
  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PASSWORD_COMBO, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_TRUE(IsItemEnabled(dialog, IDC_PASSWORD_RETRY));
  Press(dialog, IDC_PASSWORD_RETRY);
  ASSERT_TRUE(thread.Wait());
  EXPECT_EQ("first", asking.password.str());
  EXPECT_EQ((std::vector<std::string>{"second", "first"}), LoadRememberedPasswords());
}

// The list keeps what was typed; the engine receives the OEM form, in which it also hands a
// tried password back for showing.
TEST_F(PasswordDialogTest, NonAsciiPasswordIsRememberedAsTypedAndHandedOnInOem) {
  const std::string typed = "caf\xe9 \xfc";
  std::string oem(typed.size(), '\0');
  CharToOemBuffA(typed.c_str(), oem.data(), static_cast<DWORD>(typed.size()));
  ASSERT_NE(typed, oem);
  Asking asking;
  asking.name = "A.TXT";
  asking.password = oem.c_str();
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Password...");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(typed, WindowText(ComboEdit(dialog, IDC_PASSWORD_COMBO)));
  EXPECT_NE(std::string::npos, ItemText(dialog, IDC_PASSWORD_MESSAGE).find(typed));
  Press(dialog, IDC_PASSWORD_RETRY);
  ASSERT_TRUE(thread.Wait());
  EXPECT_EQ(kPasswordRetry, asking.answer);
  EXPECT_EQ(oem, asking.password.str());
  EXPECT_EQ(std::vector<std::string>{typed}, LoadRememberedPasswords());
  EXPECT_EQ(oem, ReadPasswordKey("szExtractPassword"));
}

TEST_F(PasswordDialogTest, AfterDeletePasswordsTheListIsEmpty) {
  ASSERT_TRUE(RememberPassword("gone", 0));
  DeletePasswords();
  Asking asking;
  asking.name = "A.TXT";
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Password...");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(0, SendMessageA(GetDlgItem(dialog, IDC_PASSWORD_COMBO), CB_GETCOUNT, 0, 0));
  Press(dialog, IDC_PASSWORD_BYPASS);
  ASSERT_TRUE(thread.Wait());
}

// A control that counts the bracket calls around each prompt.
class CountingControl : public ModalBracket {
 public:
  void PreModalDialog() override { ++pre; }
  void PostModalDialog() override { ++post; }
  HWND DialogOwner() override { return nullptr; }
  int pre = 0;
  int post = 0;
};

TEST_F(PasswordDialogTest, EveryPromptIsBracketedByTheCurrentControl) {
  CountingControl control;
  SetCurrentModalBracket(&control);
  Asking asking;
  asking.name = "A.TXT";
  PromptThread thread(Ask(&asking));
  HWND dialog = WaitForDialog(thread.Id(), "Password...");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(1, control.pre);
  EXPECT_EQ(0, control.post);
  Press(dialog, IDC_PASSWORD_BYPASS);
  ASSERT_TRUE(thread.Wait());
  EXPECT_EQ(1, control.pre);
  EXPECT_EQ(1, control.post);
}

TEST_F(PasswordDialogTest, DestroyedControlIsNoLongerCurrent) {
  CountingControl first;
  CountingControl second;
  SetCurrentModalBracket(&first);
  ForgetModalBracket(&second);  // another control going leaves the current one
  EXPECT_EQ(&first, CurrentModalBracket());
  ForgetModalBracket(&first);
  EXPECT_EQ(nullptr, CurrentModalBracket());
}

TEST_F(PasswordDialogTest, ControlDestroyedDuringItsDialogGetsNoPostCall) {
  CountingControl control;
  SetCurrentModalBracket(&control);
  {
    ModalScope outer;
    {
      ModalScope inner;
      ForgetModalBracket(&control);
    }
  }
  EXPECT_EQ(2, control.pre);
  EXPECT_EQ(0, control.post);
  EXPECT_EQ(nullptr, CurrentModalBracket());
}

}  // namespace
