#include "process_state.h"

namespace qx30w32 {
namespace {

CZCtrl* g_current = nullptr;

}  // namespace

ProcessState& Process() {
  static ProcessState state;
  return state;
}

CZCtrl* CurrentControl() { return g_current; }

void SetCurrentControl(CZCtrl* control) { g_current = control; }

void ForgetControl(CZCtrl* control) {
  if (g_current == control) g_current = nullptr;
}

}  // namespace qx30w32
