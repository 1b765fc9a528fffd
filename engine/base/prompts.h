// The questions the engine asks while an operation runs. The engine never shows a window itself:
// it asks through the process-wide prompt handler, which the control implements with its modal
// dialogs (bracketed by its container's PreModalDialog/PostModalDialog) and tests implement with
// scripted answers. With no handler installed every question gets its cautious answer.
#pragma once

#include <windows.h>

#include "base/cztext.h"

enum PasswordAnswer { kPasswordRetry = 0, kPasswordBypass = 1, kPasswordNever = 2 };

enum ReplaceAnswer {
  kReplaceYes = 0,
  kReplaceNo = 1,
  kReplaceNever = 2,
  kReplaceAlways = 3,
  kReplaceRename = 4,
};

class EnginePrompts {
 public:
  virtual ~EnginePrompts() = default;

  // password: the password tried so far ("" at the first asking); on Retry it receives the typed
  // password. entryName: the archive entry's name (OEM).
  virtual PasswordAnswer AskPassword(CZText& password, const CZText& entryName) = 0;

  // fileName: the existing file; on Rename it receives the new name. nameComplete FALSE means the
  // current folder belongs in front of the name for display.
  virtual ReplaceAnswer AskReplace(CZText& fileName, bool archiveCopyOlder, bool renameAllowed,
                                   bool nameComplete) = 0;

  // name: the current full name (OEM); on true it receives the new name.
  virtual bool AskRename(CZText& name, bool centreOnParent) = 0;

  // pattern: the backup folder and the pattern of backup-set files; on true it receives the
  // chosen set's first file.
  virtual bool AskBackupSet(CZText& pattern) = 0;

  // ---- volumes: the next disk and the backup-set chooser's three outcomes ----------------------
  // The disk prompt of split, join and restore: title and text with the disk numbers filled in,
  // owned by window. true for Yes (the disk is in the drive), false for No (give up).
  virtual bool AskNextDisk(HWND window, const CZText& title, const CZText& text) {
    (void)window, (void)title, (void)text;
    return false;
  }
  // The chooser as Restore asks it: chosen (pattern receives the set's first file), cancelled,
  // or not shown at all because it could not be made.
  enum class BackupSetChoice { kChosen, kCancelled, kUnavailable };
  virtual BackupSetChoice ChooseBackupSet(CZText& pattern) {
    return AskBackupSet(pattern) ? BackupSetChoice::kChosen : BackupSetChoice::kCancelled;
  }
  // The name of a new archive, asked in a save dialog that starts in the current folder. name:
  // the proposed name (ANSI; "" for none); on true it receives the chosen name as typed (ANSI,
  // possibly without a folder). A handler that offers no such dialog answers false, as a cancel.
  virtual bool AskArchiveName(CZText& name) { return false; }
};

// The handler the engine asks; null when none is installed. Not owned.
EnginePrompts* GetEnginePrompts();
void SetEnginePrompts(EnginePrompts* prompts);
