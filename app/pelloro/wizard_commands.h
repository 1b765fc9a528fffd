// The main window's wizard commands: the unzip wizard, batch extraction, the options dialog and
// the About box.
#pragma once

namespace pelloro {

class TMainfrm;

// Binds "Unzip &Wizard...", "&Batch Decompress", "&Options..." and "&About..." to their windows.
void WireWizardCommands(TMainfrm& main);

}  // namespace pelloro
