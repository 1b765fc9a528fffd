// The control's settings file: the user's extraction passwords in the section "ZipUnzipPasswords".
// "szExtractPassword_01" to "szExtractPassword_12" hold the remembered passwords, most recent
// first, exactly as typed; "szExtractPassword" the last confirmed password in the OEM form the
// prompt hands on. Values are stored without any escape; a value the profile functions would
// trim (blanks at its ends, enclosing quotes) is written inside one pair of double quotes, which
// reading removes again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

constexpr int kRememberedPasswordCount = 12;

// The automation methods of the control.
void SetIniFile(const char* fileName);       // taken exactly as passed: a bare name means the
                                             // platform's default INI folder
void SetPasswordMode(BOOL show, BOOL save);  // the two process-wide flags
void DeletePasswords();                      // empties all 13 keys

// The non-empty remembered passwords, most recent first.
std::vector<std::string> LoadRememberedPasswords();
// Puts a newly typed password first; the oldest falls off when 12 are remembered. Nothing
// changes for an empty password or one remembered already (case-sensitive). listCount is the
// number of entries the prompt's list shows. False when a write failed.
bool RememberPassword(const std::string& typed, int listCount);
// Writes "szExtractPassword". False when the write failed.
bool WriteLastPassword(const std::string& oemPassword);

// The value of a key of the password section as it was written ("" when missing).
std::string ReadPasswordKey(const char* key);
bool WritePasswordKey(const char* key, const std::string& value);
// "szExtractPassword_01" .. "szExtractPassword_12".
std::string RememberedPasswordKey(int position);
