#include "password_dialog.h"

#include <string>

#include "control_settings.h"
#include "password_settings.h"
#include "prompt_resources.h"

RememberedPosition CZPasswordDlg::position_;

namespace {

constexpr int kNameDisplayLength = 28;
constexpr int kPasswordLimit = 80;

}  // namespace

INT_PTR CZPasswordDlg::Show(HWND owner) { return Run(owner, IDD_PASSWORD); }

HWND CZPasswordDlg::EditPart() const {
  return FindWindowExA(Item(IDC_PASSWORD_COMBO), nullptr, "Edit", nullptr);
}

void CZPasswordDlg::LoadList() const {
  HWND combo = Item(IDC_PASSWORD_COMBO);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  // Stored as typed: the list shows each password exactly as it was entered.
  for (const std::string& remembered : LoadRememberedPasswords()) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(remembered.c_str()));
  }
}

CZText CZPasswordDlg::Message() const {
  CZText name(entryName);
  name.Replace("/", "\\");
  name.CompactPath(kNameDisplayLength, FALSE);
  name = OemToWindowText(name);
  CZText message;
  if (password.IsEmpty()) {
    message = PromptText(kTextPasswordAsk);
    message.Replace("%1", name);
  } else {
    CZText tried = OemToWindowText(password);
    if (!ShowPasswords()) tried.Fill('*', tried.GetLength());
    message = PromptText(kTextPasswordWrong);
    // One pass each: a name or password holding "%1" or "%2" is shown as it is.
    message.Replace("%1", name);
    message.Replace("%2", tried);
  }
  return message;
}

BOOL CZPasswordDlg::OnInit() {
  RestorePosition(Handle(), position_);
  HWND combo = Item(IDC_PASSWORD_COMBO);
  // The list first: emptying it (CB_RESETCONTENT) empties the edit part too.
  if (ShowPasswords() && SavePasswords()) LoadList();
  SetItemText(IDC_PASSWORD_COMBO, OemToWindowText(password));
  HWND edit = EditPart();
  if (edit != nullptr) {
    SendMessageA(edit, EM_SETPASSWORDCHAR, ShowPasswords() ? 0 : '*', 0);
    InvalidateRect(edit, nullptr, TRUE);
  }
  SendMessageA(combo, CB_LIMITTEXT, kPasswordLimit, 0);

  SetItemText(IDC_PASSWORD_MESSAGE, Message());
  SetItemText(0, PromptText(kTextPasswordCaption));
  SetItemText(IDC_PASSWORD_LABEL, PromptText(kTextPasswordLabel));
  SetItemText(IDC_PASSWORD_RETRY, PromptText(kTextRetry));
  SetItemText(IDC_PASSWORD_BYPASS, PromptText(kTextBypass));
  SetItemText(IDC_PASSWORD_NEVER, PromptText(kTextNever));
  UpdateRetry(OemToWindowText(password));

  SetFocus(combo);
  SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  return FALSE;
}

void CZPasswordDlg::UpdateRetry(const CZText& text) const {
  const bool any = !text.IsEmpty();
  EnableWindow(Item(IDC_PASSWORD_RETRY), any ? TRUE : FALSE);
  SetDefaultButton(any ? IDC_PASSWORD_RETRY : IDC_PASSWORD_BYPASS);
}

void CZPasswordDlg::Confirm() {
  const CZText typed = ItemText(IDC_PASSWORD_COMBO);
  HWND combo = Item(IDC_PASSWORD_COMBO);
  if (ShowPasswords() && SavePasswords()) {
    const int listed = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    // A settings file that cannot be written only leaves the list as it was.
    RememberPassword(typed.str(), listed > 0 ? listed : 0);
  }
  CZText oem(typed);
  oem.AnsiToOem();
  if (SavePasswords()) WriteLastPassword(oem.str());
  password = oem;
  End(kRetry);
}

bool CZPasswordDlg::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_PASSWORD_COMBO:
      if (code == CBN_EDITCHANGE) {
        UpdateRetry(ItemText(IDC_PASSWORD_COMBO));
      } else if (code == CBN_SELCHANGE) {
        HWND combo = Item(IDC_PASSWORD_COMBO);
        const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        CZText text;
        const LRESULT length =
            selected == CB_ERR ? CB_ERR : SendMessageA(combo, CB_GETLBTEXTLEN, selected, 0);
        if (length != CB_ERR) {
          char* buffer = text.GetBufferMin(static_cast<int>(length) + 1);
          const LRESULT got =
              SendMessageA(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(buffer));
          text.ReleaseBuffer(got == CB_ERR ? 0 : static_cast<int>(got));
        } else {
          text = ItemText(IDC_PASSWORD_COMBO);
        }
        UpdateRetry(text);
      }
      return true;
    case IDC_PASSWORD_RETRY:
      Confirm();
      return true;
    case IDC_PASSWORD_BYPASS:
      End(kBypass);
      return true;
    case IDC_PASSWORD_NEVER:
      End(kNever);
      return true;
    default:
      return false;
  }
}

void CZPasswordDlg::OnDestroy() { RememberPosition(Handle(), &position_); }
