// The steps of the automation methods' common call pattern that the reading and the writing
// methods share (dispatch_members.cpp, writer_methods.cpp). Each letter of a method's pattern is
// one step; the engine-specific ones (the cancel flags, the password) stay with their methods.
#pragma once

#include <windows.h>

#include "activex/activex_control.h"
#include "base/engine_state.h"
#include "modal_bracket.h"
#include "zctrl.h"

namespace qx30w32 {

inline CZCtrl& Control(activex::ActiveXControl& control) { return static_cast<CZCtrl&>(control); }

// F: the engine's foreground flag := not background processing.
inline void StepForeground(bool background) { SetForegroundProcessing(background ? FALSE : TRUE); }

// W: progress goes to the control window while processing in the background, else nowhere. A
// control without a window (created by a script host) notifies no one.
inline HWND NotifyWindowFor(activex::ActiveXControl& control, bool background) {
  return background ? control.window() : nullptr;
}

// M: the engine's prompts during the call are bracketed by this control's container.
inline void StepCurrentControl(activex::ActiveXControl& control) {
  SetCurrentModalBracket(&Control(control));
}

}  // namespace qx30w32
