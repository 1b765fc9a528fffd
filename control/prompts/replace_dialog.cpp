#include "replace_dialog.h"

#include "control_settings.h"
#include "prompt_resources.h"
#include "rename_dialog.h"

RememberedPosition CZReplaceDlg::position_;

INT_PTR CZReplaceDlg::Show(HWND owner) { return Run(owner, IDD_REPLACE); }

CZText CZReplaceDlg::FullName() const {
  if (nameComplete) return fileName;
  CZText folder;
  folder.GetCurrentDir();
  return folder + fileName;
}

BOOL CZReplaceDlg::OnInit() {
  RestorePosition(Handle(), position_);
  CZText message = PromptText(kTextReplaceMessage);
  message.Replace("%2", PromptText(archiveCopyOlder ? kTextArchiveOlder : kTextArchiveNewer));
  message.Replace("%1", OemToWindowText(FullName()));
  SetItemText(IDC_REPLACE_MESSAGE, message);
  if (!renameAllowed) EnableWindow(Item(IDC_REPLACE_RENAME), FALSE);

  SetItemText(0, PromptText(kTextReplaceCaption));
  SetItemText(IDC_REPLACE_YES, PromptText(kTextYes));
  SetItemText(IDC_REPLACE_NO, PromptText(kTextNo));
  SetItemText(IDC_REPLACE_ALWAYS, PromptText(kTextAlways));
  SetItemText(IDC_REPLACE_NEVER, PromptText(kTextNever));
  SetItemText(IDC_REPLACE_RENAME, PromptText(kTextRenameButton));

  // Which answer Enter gives depends on how the caller names the file and which copy is older.
  const bool keepFile = (!nameComplete && archiveCopyOlder) || (nameComplete && !archiveCopyOlder);
  const int focus = keepFile ? IDC_REPLACE_NO : IDC_REPLACE_YES;
  SetDefaultButton(focus);
  SetFocus(Item(focus));
  return FALSE;
}

void CZReplaceDlg::Rename() {
  // The rename dialog gets the whole name: a name relative to the current folder would otherwise
  // be read from the root of the current drive.
  CZRenameDlg rename;
  rename.centreOnParent = FALSE;
  rename.currentName = FullName();
  if (rename.Show(Handle()) != IDOK) return;
  fileName = rename.newName;
  End(kRename);
}

bool CZReplaceDlg::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_REPLACE_YES:
      End(kYes);
      return true;
    case IDC_REPLACE_NO:
      End(kNo);
      return true;
    case IDC_REPLACE_NEVER:
      End(kNever);
      return true;
    case IDC_REPLACE_ALWAYS:
      End(kAlways);
      return true;
    case IDC_REPLACE_RENAME:
      // A disabled button cannot be pressed; a forged command must not rename either.
      if (renameAllowed) Rename();
      return true;
    default:
      return false;
  }
}

void CZReplaceDlg::OnDestroy() { RememberPosition(Handle(), &position_); }
