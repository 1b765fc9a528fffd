#include "backup_set_dialog.h"

#include "files/filefind.h"
#include "control_settings.h"
#include "prompt_resources.h"

namespace {

// The volume part of a backup-set file name: ".0_" and the last-volume digit.
constexpr int kVolumeSuffixLength = 4;

// Shows the wait cursor while it lives.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

bool IsFolder(const CZFileFind& find) {
  return (find.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

INT_PTR CZBackupSetDlg::Show(HWND owner) { return Run(owner, IDD_BACKUP_SET); }

void CZBackupSetDlg::FillList() const {
  WaitCursor wait;
  HWND list = Item(IDC_BACKUP_SET_LIST);
  CZFileFind find(searchPattern);
  while (find.FindFirstOrNext()) {
    if (IsFolder(find)) continue;
    CZText name = find.GetFileName();
    // A name too short to carry the volume part names no backup set.
    if (name.GetLength() <= kVolumeSuffixLength) continue;
    name = name.Left(name.GetLength() - kVolumeSuffixLength);
    name.MakeLower();
    name.OemToAnsi();
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
}

BOOL CZBackupSetDlg::OnInit() {
  SetItemText(IDOK, PromptText(kTextOk));
  SetItemText(IDCANCEL, PromptText(kTextCancel));
  SetItemText(0, PromptText(kTextBackupSetCaption));
  FillList();
  SendMessageA(Item(IDC_BACKUP_SET_LIST), LB_SETCURSEL, 0, 0);
  return TRUE;
}

void CZBackupSetDlg::Choose() {
  HWND list = Item(IDC_BACKUP_SET_LIST);
  const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
  const LRESULT length =
      selected == LB_ERR ? LB_ERR : SendMessageA(list, LB_GETTEXTLEN, selected, 0);
  if (length == LB_ERR) {
    MessageBeep(MB_OK);
    return;
  }
  CZText set;
  char* buffer = set.GetBufferMin(static_cast<int>(length) + 1);
  const LRESULT got = SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(buffer));
  set.ReleaseBuffer(got == LB_ERR ? 0 : static_cast<int>(got));
  set.AnsiToOem();
  set.MakeUpper();

  CZText pattern = searchPattern;
  pattern.GetDirPart();
  pattern += set;
  pattern += ".0_?";
  WaitCursor wait;
  CZFileFind find(pattern);
  while (find.FindFirstOrNext()) {
    if (IsFolder(find)) continue;
    searchPattern = find.GetFilePath();
    End(IDOK);
    return;
  }
  MessageBeep(MB_OK);
}

bool CZBackupSetDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDOK) {
    Choose();
    return true;
  }
  return false;
}
