#include "base/engine_state.h"

namespace {
BOOL g_foreground = TRUE;
}  // namespace

void SetForegroundProcessing(BOOL foreground) { g_foreground = foreground ? TRUE : FALSE; }

BOOL IsForegroundProcessing() { return g_foreground; }
