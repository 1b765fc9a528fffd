#include "dialog_prompts.h"

#include "backup_set_dialog.h"
#include "modal_bracket.h"
#include "control_settings.h"
#include "password_dialog.h"
#include "rename_dialog.h"
#include "replace_dialog.h"
#include "save_archive_dialog.h"

// A dialog that cannot be shown (-1) gets the cautious answer: the entry or file is left alone.

PasswordAnswer DialogPrompts::AskPassword(CZText& password, const CZText& entryName) {
  CZPasswordDlg dialog;
  dialog.password = password;
  dialog.entryName = entryName;
  INT_PTR result = -1;
  {
    ModalScope scope;
    result = dialog.Show(scope.Owner());
  }
  switch (result) {
    case CZPasswordDlg::kRetry:
      password = dialog.password;
      return kPasswordRetry;
    case CZPasswordDlg::kNever:
      return kPasswordNever;
    default:
      return kPasswordBypass;
  }
}

ReplaceAnswer DialogPrompts::AskReplace(CZText& fileName, bool archiveCopyOlder, bool renameAllowed,
                                        bool nameComplete) {
  CZReplaceDlg dialog;
  dialog.fileName = fileName;
  dialog.archiveCopyOlder = archiveCopyOlder ? TRUE : FALSE;
  dialog.renameAllowed = renameAllowed ? TRUE : FALSE;
  dialog.nameComplete = nameComplete ? TRUE : FALSE;
  INT_PTR result = -1;
  {
    ModalScope scope;
    result = dialog.Show(scope.Owner());
  }
  switch (result) {
    case CZReplaceDlg::kYes:
      return kReplaceYes;
    case CZReplaceDlg::kNever:
      return kReplaceNever;
    case CZReplaceDlg::kAlways:
      return kReplaceAlways;
    case CZReplaceDlg::kRename:
      fileName = dialog.fileName;
      return kReplaceRename;
    default:
      return kReplaceNo;
  }
}

bool DialogPrompts::AskRename(CZText& name, bool centreOnParent) {
  CZRenameDlg dialog;
  dialog.centreOnParent = centreOnParent ? TRUE : FALSE;
  dialog.currentName = name;
  INT_PTR result = -1;
  {
    ModalScope scope;
    result = dialog.Show(scope.Owner());
  }
  if (result != IDOK) return false;
  name = dialog.newName;
  return true;
}

bool DialogPrompts::AskBackupSet(CZText& pattern) {
  CZBackupSetDlg dialog;
  dialog.searchPattern = pattern;
  INT_PTR result = -1;
  {
    ModalScope scope;
    result = dialog.Show(scope.Owner());
  }
  if (result != IDOK) return false;
  pattern = dialog.searchPattern;
  return true;
}

bool DialogPrompts::AskNextDisk(HWND window, const CZText& title, const CZText& text) {
  return MessageBoxA(window, text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

EnginePrompts::BackupSetChoice DialogPrompts::ChooseBackupSet(CZText& pattern) {
  CZBackupSetDlg dialog;
  dialog.searchPattern = pattern;
  INT_PTR result = -1;
  {
    ModalScope scope;
    result = dialog.Show(scope.Owner());
  }
  if (result == -1) return BackupSetChoice::kUnavailable;
  if (result != IDOK) return BackupSetChoice::kCancelled;
  pattern = dialog.searchPattern;
  return BackupSetChoice::kChosen;
}
// Shown as the engine showed it before it asked: without owner and outside the container's modal
// bracket.
bool DialogPrompts::AskArchiveName(CZText& name) { return ShowSaveArchiveDialog(name); }

void InstallDialogPrompts() {
  static DialogPrompts prompts;
  SetEnginePrompts(&prompts);
}

void SetStringResource(int iStringID, const char* szValue) { SetPromptText(iStringID, szValue); }
