#include "control_settings.h"

#include <array>

namespace {

const char* const kDefaultTexts[kPromptTextCount] = {
    "%1 is an encrypted file.\nTo use it you must provide its password.\nWould you like to "
    "retry?\n",
    "%1 is an encrypted file.\n%2 is not the good password.\nWould you like to retry?\n",
    "Rename %1...",
    "The ZIP file version is older.",
    "The ZIP file version is newer.",
    "The file %1 already exists.\n%2.\nWould you like to replace it?",
    "Ok",
    "Cancel",
    "Replace...",
    "&Yes",
    "&No",
    "&Always",
    "Ne&ver",
    "&Rename...",
    "Password...",
    "Password:",
    "&Retry",
    "&Bypass",
    "",
    "Please choose backup set...",
    "ZIP files|*.ZIP|All|*.*||",
    "Build a new ZIP file...",
};

struct SettingsState {
  CZText iniName;
  BOOL showPasswords = TRUE;
  BOOL savePasswords = TRUE;
  std::array<CZText, kPromptTextCount> texts;

  SettingsState() {
    for (int i = 0; i < kPromptTextCount; ++i) texts[i] = kDefaultTexts[i];
  }
};

// Built on first use, so other start-up code may reach it in any order.
SettingsState& State() {
  static SettingsState state;
  return state;
}

const CZText& EmptyText() {
  static const CZText empty;
  return empty;
}

}  // namespace

const CZText& IniName() { return State().iniName; }

void SetIniName(const char* name) { State().iniName = name != nullptr ? name : ""; }

void ResetSettingsForNewControl() {
  SettingsState& state = State();
  state.showPasswords = TRUE;
  state.savePasswords = TRUE;
  CZText folder;
  folder.LocateFile(nullptr);
  // The folder is OEM like every engine path; the profile functions take ANSI.
  folder.OemToAnsi();
  state.iniName = folder + "QX30.INI";
}

BOOL ShowPasswords() { return State().showPasswords; }
BOOL SavePasswords() { return State().savePasswords; }

void SetPasswordFlags(BOOL show, BOOL save) {
  State().showPasswords = show ? TRUE : FALSE;
  State().savePasswords = save ? TRUE : FALSE;
}

const CZText& PromptText(int index) {
  if (index < 0 || index >= kPromptTextCount) return EmptyText();
  return State().texts[index];
}

void SetPromptText(int index, const char* value) {
  if (index < 0 || index >= kPromptTextCount || index == kUnusedPromptText) return;
  State().texts[index] = value != nullptr ? value : "";
}

void ResetPromptTexts() {
  for (int i = 0; i < kPromptTextCount; ++i) State().texts[i] = kDefaultTexts[i];
}
