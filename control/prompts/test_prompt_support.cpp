#include "test_prompt_support.h"

#include <vector>

#include "dialog_prompts.h"
#include "modal_bracket.h"
#include "control_settings.h"
#include "password_settings.h"

namespace prompttest {

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void SetEditText(HWND edit, const std::string& text) {
  // Select everything and replace it, as typing over a selection does: the edit control reports
  // the change to its parent (a combo box passes it on as CBN_EDITCHANGE, which it does not for
  // WM_SETTEXT).
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(edit, EM_SETSEL, 0, -1, SMTO_NORMAL, kWaitLimitMs, &ignored);
  SendMessageTimeoutA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_NORMAL, kWaitLimitMs, &ignored);
}

HWND ComboEdit(HWND dialog, int comboId) {
  return FindWindowExA(GetDlgItem(dialog, comboId), nullptr, "Edit", nullptr);
}

int DefaultButton(HWND dialog) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_NORMAL, kWaitLimitMs, &result);
  return HIWORD(result) == DC_HASDEFID ? LOWORD(result) : 0;
}

bool IsItemEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void PromptTest::SetUp() {
  SetIniFile(IniPath().c_str());
  SetPasswordMode(TRUE, TRUE);
  ResetPromptTexts();
  InstallDialogPrompts();
}

void PromptTest::TearDown() {
  SetCurrentModalBracket(nullptr);
  ResetPromptTexts();
  SetPasswordMode(TRUE, TRUE);
}

}  // namespace prompttest
