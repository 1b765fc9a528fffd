// setup's main block as a function: the application's title, the forms in their order
// (TBackgroundfrm, TMainfrm, TStatusfrm, TPopupfrm, TUninstallfrm), the message loop; the exit
// code comes back (0, or 3 when a source file went missing while copying).
#pragma once

namespace setup {

int RunSetup();

}  // namespace setup
