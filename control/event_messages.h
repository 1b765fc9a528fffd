// The event interface _DQXEvents and the engine's progress messages that fire its events: one
// table of events (for the type library check and the sinks) and one message map.
#pragma once

#include <windows.h>

#include <span>

#include "activex/activex_control.h"
#include "activex/dispatch_table.h"

namespace qx30w32 {

std::span<const activex::EventMember> EventMembers();

// Fires the event of a progress message (base/progress_messages.h); false for any other message
// (progress::kVolumeJoined and progress::kEntriesRead included: they fire nothing).
bool FireEventForMessage(activex::ActiveXControl& control, UINT message, WPARAM wParam,
                         LPARAM lParam);

}  // namespace qx30w32
