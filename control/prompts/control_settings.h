// The control's settings shared by every control instance in the process: the settings-file name,
// the two password-mode flags and the 22 replaceable prompt texts. A second instance in the same
// process sees what the first one set.
#pragma once

#include <windows.h>

#include "base/cztext.h"

// ---- settings file and password modes -----------------------------------------------------------
// Full name of the settings file, in the ANSI form the profile functions take.
const CZText& IniName();
void SetIniName(const char* name);  // null gives ""
// What a new control sets up: both flags on, the settings file "QX30.INI" beside the module (the
// bare name when the module folder is unknown).
void ResetSettingsForNewControl();

BOOL ShowPasswords();
BOOL SavePasswords();
void SetPasswordFlags(BOOL show, BOOL save);

// ---- replaceable texts -------------------------------------------------------------------------
constexpr int kPromptTextCount = 22;
constexpr int kUnusedPromptText = 18;
// The texts by what they show (the number is the index SetStringResource takes); defaults in
// control_settings.cpp.
enum PromptTextId : int {
  kTextPasswordAsk = 0,     // the password question ("%1 is an encrypted file...")
  kTextPasswordWrong = 1,   // the same after a wrong password (%2)
  kTextRenameCaption = 2,   // the rename dialog's caption ("Rename %1...")
  kTextArchiveOlder = 3,    // the replace question's %2 when the archive's copy is older
  kTextArchiveNewer = 4,    // ... when it is newer
  kTextReplaceMessage = 5,  // the replace question ("The file %1 already exists...")
  kTextOk = 6,
  kTextCancel = 7,
  kTextReplaceCaption = 8,  // "Replace..."
  kTextYes = 9,
  kTextNo = 10,
  kTextAlways = 11,
  kTextNever = 12,            // the replace and the password dialogs' "Never" button
  kTextRenameButton = 13,     // "&Rename..."
  kTextPasswordCaption = 14,  // "Password..."
  kTextPasswordLabel = 15,    // "Password:"
  kTextRetry = 16,
  kTextBypass = 17,
  kTextBackupSetCaption = 19,  // "Please choose backup set..."
  kTextSaveFilter = 20,        // the new archive's save dialog: filter with '|' separators
  kTextSaveTitle = 21,         // ... and its title
};
// The text of index (0..21); "" for any other index.
const CZText& PromptText(int index);
// Replaces a text for the life of the module; index 18 and indexes outside 0..21 change nothing.
// Null gives "".
void SetPromptText(int index, const char* value);
// Puts every text back to its default (the state when the module loads).
void ResetPromptTexts();
