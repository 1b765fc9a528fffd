// The writing methods of _DQX: adding files, deleting entries, comments, repair, blank archives.
// Each one prepares the writer (cancel flag, options, notification window, the current control
// for prompts) and returns its engine operation's result unchanged; the dispatch table
// (dispatch_members.cpp) names them and refuses them while another operation runs.
#pragma once

#include "activex/dispatch_table.h"

namespace qx30w32::writing {

void ZipCancel(activex::ActiveXControl& control, activex::DispatchCall& call);
void ZipGetReplaceFlag(activex::ActiveXControl& control, activex::DispatchCall& call);
void SetGlobalComment(activex::ActiveXControl& control, activex::DispatchCall& call);
void SetLocalComment(activex::ActiveXControl& control, activex::DispatchCall& call);
void Repare(activex::ActiveXControl& control, activex::DispatchCall& call);
void DeleteWithMask(activex::ActiveXControl& control, activex::DispatchCall& call);
void CreateBlankZipFile(activex::ActiveXControl& control, activex::DispatchCall& call);
void ZipFiles(activex::ActiveXControl& control, activex::DispatchCall& call);

}  // namespace qx30w32::writing
