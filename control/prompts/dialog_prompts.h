// The control's answer to the engine's questions: each question is shown in its modal dialog,
// bracketed by the current control's PreModalDialog and PostModalDialog.
#pragma once

#include "base/prompts.h"

class DialogPrompts : public EnginePrompts {
 public:
  PasswordAnswer AskPassword(CZText& password, const CZText& entryName) override;
  ReplaceAnswer AskReplace(CZText& fileName, bool archiveCopyOlder, bool renameAllowed,
                           bool nameComplete) override;
  bool AskRename(CZText& name, bool centreOnParent) override;
  bool AskBackupSet(CZText& pattern) override;
  // The volumes' questions: the next disk in a Yes/No message box owned by window, and the
  // chooser telling Cancel from a chooser that could not be made.
  bool AskNextDisk(HWND window, const CZText& title, const CZText& text) override;
  BackupSetChoice ChooseBackupSet(CZText& pattern) override;
  bool AskArchiveName(CZText& name) override;
};

// Makes the dialogs the engine's prompt handler (the module's start-up calls it once).
void InstallDialogPrompts();

// SetStringResource of the control: replaces replaceable text iStringID (0..21 except 18) with
// szValue (null gives ""), for every instance and the life of the module.
void SetStringResource(int iStringID, const char* szValue);
