// Where the control module lies, shared by every control instance in the process: the module's
// instance handle (recorded by the DLL's start-up) and the control folder. The control's own
// settings are the control's (control/prompts/control_settings.h).
#pragma once

#include <windows.h>

#include "base/cztext.h"

// ---- module ------------------------------------------------------------------------------------
// Records the module's instance handle and sets the control folder from it (LocateFile without a
// name). Null forgets the handle: the control folder becomes "".
void RecordModuleInstance(HINSTANCE instance);
HINSTANCE ModuleInstance();  // null when none was recorded
// The module that holds the dialog templates: the recorded one, else the program itself.
HINSTANCE ResourceModule();
// Folder of the control's module file, OEM, ending in '\'; "" when no module is recorded.
const CZText& ControlFolder();
// Tests: the control folder is folder (OEM, ending in '\') while the object lives.
class ScopedControlFolder {
 public:
  explicit ScopedControlFolder(const char* folder);
  ~ScopedControlFolder();
  ScopedControlFolder(const ScopedControlFolder&) = delete;
  ScopedControlFolder& operator=(const ScopedControlFolder&) = delete;

 private:
  CZText saved_;
};
