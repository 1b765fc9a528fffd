// Path helpers shared by the writing operations (adding files, the rewrites): the caller's
// current folder kept across a call, an engine path made absolute, and the check that an
// existing archive may be replaced.
#pragma once

#include <windows.h>

#include <string>

#include "base/cztext.h"

// Puts the caller's current folder back when the object goes, whichever way the call ends.
class CurrentFolderKeeper {
 public:
  CurrentFolderKeeper();
  ~CurrentFolderKeeper();
  CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
  CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;

 private:
  std::string saved_;  // ANSI; empty when it could not be read
};

// The full path of an engine path (OEM, '/' or '\' separators) against the current folder, with
// '\' separators; empty when it has none.
std::string FullEnginePath(const char* oemPath);

// The mask with "." and ".." resolved in its folder part (before its last separator), so that
// the names stored for the files it finds are the paths they were read from: "." goes, ".."
// cancels the folder before it, and a ".." with nothing before it to cancel stays (relative
// masks climb so; the stored name drops it, and at the root the system does). The pattern after
// the last separator stays as given, and a mask without such components is returned unchanged.
std::string ResolveMaskFolder(const std::string& mask);

// An archive is replaced by renaming: one that cannot be opened for writing (read only, locked
// by someone) must be refused before anything is built for it. Nothing is created or truncated.
bool ArchiveIsWritable(const CZText& archive);
