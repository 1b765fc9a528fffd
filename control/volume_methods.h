// The _DQX methods for self-extractors, volumes and drives: MakeEXEFile, Split, Backup, Join,
// Restore and the three drive tests. Each prepares its engine object as its call pattern says
// and returns the engine operation's result unchanged; the dispatch table
// (dispatch_members.cpp) names them and refuses them while another operation runs.
#pragma once

#include "activex/dispatch_table.h"

namespace qx30w32::volume_methods {

void Split(activex::ActiveXControl& control, activex::DispatchCall& call);
void MakeExeFile(activex::ActiveXControl& control, activex::DispatchCall& call);
void Join(activex::ActiveXControl& control, activex::DispatchCall& call);
void Restore(activex::ActiveXControl& control, activex::DispatchCall& call);
void Backup(activex::ActiveXControl& control, activex::DispatchCall& call);
void IsDisketteReady(activex::ActiveXControl& control, activex::DispatchCall& call);
void IsDriveWriteable(activex::ActiveXControl& control, activex::DispatchCall& call);
void IsWriteable(activex::ActiveXControl& control, activex::DispatchCall& call);

}  // namespace qx30w32::volume_methods
