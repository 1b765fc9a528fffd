// The reader's message pump. It dispatches what the thread's queue holds, as the engine's pump
// does (a quit request handed back, a window left invalid validated), but asks the system not to
// yield the processor when the queue is empty: the pump runs once per 24,576-byte block, and on a
// busy machine each yield would hand the rest of the time slice to another program.
#include <windows.h>

#include "base/engine_utils.h"
#include "reading/czunzip.h"
#include "reading/unzip_pump.h"

namespace {
void (*pumpHook)(const CZUnzip&) = nullptr;
}  // namespace

void SetUnzipPumpHookForTesting(void (*hook)(const CZUnzip& unzip)) { pumpHook = hook; }

void CZUnzip::PumpIfAllowed() {
  if (!pump_) return;
  if (pumpHook != nullptr) pumpHook(*this);
  PumpMessages(nullptr);
}
