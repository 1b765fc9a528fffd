// The item-list, image-list, viewing and delete-by-selection methods of _DQX. Each prepares the
// engine object as its call pattern says and returns its worker's result; the dispatch table
// (dispatch_members.cpp) names them and refuses the archive operations while another one runs.
#pragma once

#include "activex/dispatch_table.h"

namespace qx30w32::itemlist {

// The accessors GetZIPITEMIsDir .. GetZIPITEMCrc (13..29) and the two texts (67, 68).
void GetIsDir(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetIsEncrypted(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetIsArchive(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetIsHidden(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetIsSystem(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetIsReadOnly(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetIsAnnotated(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetMethod(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetDay(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetMonth(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetYear(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetHour(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetMin(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetRate(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetIconIndex(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetOriginalSize(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetCrc(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetName(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetDir(activex::ActiveXControl& control, activex::DispatchCall& call);

void BuildImageList(activex::ActiveXControl& control, activex::DispatchCall& call);
void DestroyImageList(activex::ActiveXControl& control, activex::DispatchCall& call);
void DestroyLParam(activex::ActiveXControl& control, activex::DispatchCall& call);
void GetHImageList(activex::ActiveXControl& control, activex::DispatchCall& call);
void DeleteTempFolders(activex::ActiveXControl& control, activex::DispatchCall& call);
void SetListViewImages(activex::ActiveXControl& control, activex::DispatchCall& call);

void SortList(activex::ActiveXControl& control, activex::DispatchCall& call);
void BuildList(activex::ActiveXControl& control, activex::DispatchCall& call);
void View(activex::ActiveXControl& control, activex::DispatchCall& call);
void DeleteWithSelection(activex::ActiveXControl& control, activex::DispatchCall& call);

}  // namespace qx30w32::itemlist
