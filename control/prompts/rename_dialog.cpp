#include "rename_dialog.h"

#include "base/engine_utils.h"
#include "control_settings.h"
#include "prompt_resources.h"

namespace {

constexpr int kNameLimit = 256;

// The part after the last '\' (the whole text when it has none).
CZText LastPart(const CZText& path) {
  const int slash = path.ReverseFind('\\');
  return slash < 0 ? path : path.Mid(slash + 1);
}

}  // namespace

INT_PTR CZRenameDlg::Show(HWND owner) { return Run(owner, IDD_RENAME); }

CZText CZRenameDlg::TypedName() const {
  CZText typed = ItemText(IDC_RENAME_EDIT);
  typed.AnsiToOem();
  return folder_ + typed;
}

bool CZRenameDlg::IsAcceptable(const CZText& name) {
  return name.IsNormalizedPath(TRUE) && !name.FileExists();
}

bool CZRenameDlg::CheckName() const {
  const bool acceptable = IsAcceptable(TypedName());
  EnableWindow(Item(IDOK), acceptable ? TRUE : FALSE);
  SetDefaultButton(acceptable ? IDOK : IDCANCEL);
  return acceptable;
}

BOOL CZRenameDlg::OnInit() {
  if (centreOnParent) CenterDialog(Handle(), FALSE);
  SendMessageA(Item(IDC_RENAME_EDIT), EM_LIMITTEXT, kNameLimit, 0);
  folder_ = currentName;
  folder_.GetDirPart();

  CZText caption = PromptText(kTextRenameCaption);
  caption.Replace("%1", OemToWindowText(LastPart(currentName)));
  SetItemText(0, caption);

  CZText proposal;
  proposal.MakeUniqueName(currentName, TRUE, "CST");
  const CZText shown = OemToWindowText(LastPart(proposal));
  SetItemText(IDC_RENAME_EDIT, shown);

  SetItemText(IDOK, PromptText(kTextOk));
  SetItemText(IDCANCEL, PromptText(kTextCancel));
  shown.CaretToEndInDlgItem(Handle(), IDC_RENAME_EDIT);
  CheckName();
  return FALSE;
}

bool CZRenameDlg::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_RENAME_EDIT:
      if (code == EN_CHANGE) CheckName();
      return true;
    case IDOK: {
      const CZText typed = TypedName();
      if (!IsAcceptable(typed)) {
        MessageBeep(MB_OK);
        return true;
      }
      newName = typed;
      End(IDOK);
      return true;
    }
    default:
      return false;
  }
}
