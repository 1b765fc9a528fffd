// The reader's message pump. It dispatches what the thread's queue holds, as the engine's pump
// does (a quit request handed back, a window left invalid validated). It runs once per 24,576-byte
// block, and the queue is nearly always empty then: it asks first whether anything waits (one
// cheap question) and peeks only then, and never lets the peek yield the processor. Under Wine an
// empty peek costs several round trips to the server and a yield, on a busy machine the rest of
// the time slice.
#include <windows.h>

#include "reading/czunzip.h"
#include "reading/unzip_pump.h"

namespace {
void (*pumpHook)(const CZUnzip&) = nullptr;
}  // namespace

void SetUnzipPumpHookForTesting(void (*hook)(const CZUnzip& unzip)) { pumpHook = hook; }

void CZUnzip::PumpIfAllowed() {
  if (!pump_) return;
  if (pumpHook != nullptr) pumpHook(*this);
  if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) return;  // nothing of any kind waits
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
    if (msg.message == WM_QUIT) {
      // The host's loop must still end: hand the request back and stop pumping.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    // WM_PAINT is made again for as long as the window has an update region; a window procedure
    // that leaves it invalid would keep the queue from ever being empty.
    if (msg.message == WM_PAINT && msg.hwnd != nullptr && IsWindow(msg.hwnd) &&
        GetUpdateRect(msg.hwnd, nullptr, FALSE)) {
      ValidateRect(msg.hwnd, nullptr);
    }
  }
}
