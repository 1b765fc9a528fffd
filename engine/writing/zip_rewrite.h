// The frame the rewriting operations of CZZip share (zip_rewrite.cpp): the archive's folder made
// current for the call, the writer state prepared, and the rewrite itself, which copies the
// entries of the writer's list unchanged into a temporary archive and puts it in the archive's
// place only once it is complete.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "writing/writer_paths.h"
#include "writing/zip_writer.h"

namespace ziprewrite {

// A comment too long to be stored.
inline constexpr int kCommentTooLong = 8;

// Makes the archive's folder the current one while the object lives and then puts the caller's
// folder back, whichever way the call ends.
class ArchiveFolderFrame {
 public:
  explicit ArchiveFolderFrame(const char* archiveName);
  ArchiveFolderFrame(const ArchiveFolderFrame&) = delete;
  ArchiveFolderFrame& operator=(const ArchiveFolderFrame&) = delete;
  // The archive's full path (OEM); empty when the name has none.
  const std::string& archive() const { return archive_; }

 private:
  CurrentFolderKeeper keeper_;  // first: the caller's folder is read before it changes
  std::string archive_;
};

// Prepares the writer for a rewrite of archive and reads its directory (in repair mode with
// repair). kWriterDone, or the code the call ends with (the writer is then empty again).
int ReadArchive(const std::string& archive, HWND notifyWindow, bool repair);

// What the copy loop does with an entry.
enum class EntryAction {
  kCopy,     // copied unchanged and listed
  kDrop,     // left out of the new archive
  kAbandon,  // the rewrite is given up: the archive stays as it was
};

// The rewrite of the entries in the writer's list after ReadArchive: proves the existing archive
// writable, builds the temporary archive (the bytes in front first, unless bytesInFront was set
// to 0), asks decide for each entry in list order (between entries the message queue is pumped),
// writes the directory with the writer's archive comment and replaces the archive. Ends the writer
// either way; returns 0 when the archive was replaced, kZipUserAbort when decide abandoned the
// rewrite, or the failing step's code.
int RewriteArchive(const std::function<EntryAction(const ZipEntry&)>& decide);

// Sends a progress message to the writer's notification window (when it is a window) and pumps.
void Notify(UINT message, WPARAM wParam, const char* text);

}  // namespace ziprewrite
