// The descriptor table of the automation interface _DQX: every method with its DISPID, parameter
// names and types, result type, handler and failure value. It drives Invoke and the test that
// compares it with the type library.
#pragma once

#include <span>

#include "activex/dispatch_table.h"

namespace qx30w32 {

std::span<const activex::DispatchMember> DispatchMembers();

}  // namespace qx30w32
