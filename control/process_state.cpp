#include "process_state.h"

namespace qx30w32 {
namespace {

bool g_operationRunning = false;

}  // namespace

ProcessState& Process() {
  static ProcessState state;
  return state;
}

OperationGuard::OperationGuard() : entered_(!g_operationRunning) {
  if (entered_) g_operationRunning = true;
}

OperationGuard::~OperationGuard() {
  if (entered_) g_operationRunning = false;
}

}  // namespace qx30w32
