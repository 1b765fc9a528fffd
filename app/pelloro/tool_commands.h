// The main window's tool commands: opening through the favourites or the open dialog, archive
// search, the wasted-space wizard, the two splitter windows and the rebuilder Kobu; and the
// program's folder, where the favourites list and Kobu live.
#pragma once

#include <windows.h>

#include <string>

namespace pelloro {

class TMainfrm;

// The running program's folder with a trailing backslash, or the folder tests set.
std::string ProgramFolder();
// Tests point the program's folder elsewhere; "" goes back to the program's own.
void SetProgramFolder(const std::string& folder);
// The rebuilder program in the program's folder.
std::string KobuPath();
bool KobuExists();

// Starts Kobu: ShellExecute "open" in the program's folder; when that gives 32 or less (nothing
// is associated with a file without extension), CreateProcessA with Kobu's full path.
bool StartKobu(HWND owner);

// Makes the archive named the main window's current one and opens it by the main window's road.
bool OpenArchiveInMain(TMainfrm& main, const std::string& path);

// Binds the tool commands to the main window's menu items and toolbar buttons.
void WireToolCommands(TMainfrm& main);

}  // namespace pelloro
