// Pelloro's main block as a function: splash and idle-instance search, the end after a hand-off,
// the main window and the progress window, the message loop. The program's exit code comes back.
#pragma once

#include <windows.h>

#include <functional>

#include "forms/form.h"

namespace pelloro {

// Exit codes besides 0.
inline constexpr int kExitHandedOff = 1;    // the archive went to the running instance
inline constexpr int kExitStartFailed = 2;  // the main window could not be made (no control)

// control: the control class to create (null: QX30W32; tests give one that is not registered);
// showTipWindow: the tip window of the main window's first show (none when null).
int RunPelloro(const CLSID* control = nullptr,
               std::function<void(forms::Form& owner)> showTipWindow = nullptr);

}  // namespace pelloro
