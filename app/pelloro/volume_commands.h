// The main window's self-extractor and diskette commands: "Make &SFX" (the self-extractor wizard
// with the actions off around it) and the "&Plugins" items "&Backup a Drive..", "&Restore from a
// Backup.." and "Re&join Zip file from previous Pelloro version" (their dialogs between the busy
// and idle captions).
#pragma once

namespace pelloro {

class TMainfrm;

// Binds the commands to the main window's menu items, found by component name.
void WireVolumeCommands(TMainfrm& main);

}  // namespace pelloro
