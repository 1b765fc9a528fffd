// State of QX30W32 shared by every control instance in the process, besides its settings (settings
// file, password flags, prompt texts: prompts/control_settings.h), the current control
// (modal_bracket.h) and the engine's foreground flag (engine_state.h).
#pragma once

#include <string>

class CZCtrl;

namespace qx30w32 {

struct ProcessState {
  std::string helpFile;  // the module's help file path, from the last SetHelpFile
};

ProcessState& Process();

// One archive operation at a time: the engine objects and the module-wide engine state are not
// reentrant, and a running operation lets the host's messages (and so its event handlers) run.
// The first guard of a call enters; a guard made while one is held does not.
class OperationGuard {
 public:
  OperationGuard();
  ~OperationGuard();
  OperationGuard(const OperationGuard&) = delete;
  OperationGuard& operator=(const OperationGuard&) = delete;
  bool entered() const { return entered_; }

 private:
  bool entered_;
};

}  // namespace qx30w32
