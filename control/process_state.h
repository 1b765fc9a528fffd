// State of QX30W32 shared by every control instance in the process: the settings-file name, the
// two password-mode flags, the foreground flag and the current control (the instance on whose
// behalf the engine's prompts are shown).
#pragma once

#include <string>

class CZCtrl;

namespace qx30w32 {

struct ProcessState {
  std::string iniName;          // full name of the settings file
  bool showPasswords = true;
  bool savePasswords = true;
  bool foreground = false;      // set by the methods to the negation of their background flag
  std::string helpFile;         // the module's help file path, from the last SetHelpFile
};

ProcessState& Process();

// The instance whose container brackets the engine's prompts; null when none.
CZCtrl* CurrentControl();
void SetCurrentControl(CZCtrl* control);
// Called by a control that goes: no prompt may reach a destroyed control.
void ForgetControl(CZCtrl* control);

}  // namespace qx30w32
