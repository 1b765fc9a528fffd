// File status helpers over FILETIME: modification times and the ZIP view of a file (MS-DOS date
// and time, size, external attributes). FILETIME is 64-bit, so every date up to 2107 (the end of
// the MS-DOS form) survives, also after 2038. Names are engine paths (OEM).
#pragma once

#include <windows.h>

// out receives the file's (or folder's) last-modification time, UTC. FALSE when the status
// cannot be read.
BOOL GetFileModTime(FILETIME& out, const char* oemName);
// Sets the last-modification time; a read-only file loses that attribute first (it becomes an
// archive file; a folder keeps only its folder attribute), so that the time can be written.
BOOL SetFileModTime(const FILETIME& time, const char* oemName);
// Sets the last-modification time of a file open for writing, through its handle (no second open
// by name). The caller's file was just created, so it is never read-only.
BOOL SetOpenFileModTime(const FILETIME& time, HANDLE file);
// Gives a file open for writing these attributes (not 0) through its handle. FALSE when that
// failed or the system has no call for it (before Vista): the caller sets them by name then.
BOOL SetOpenFileAttributes(HANDLE file, DWORD attributes);
// TRUE when the source's modification time was read and given to the target.
BOOL CopyFileTime(const char* oemSource, const char* oemTarget);

// The file's modification time in MS-DOS form ((date << 16) | time, local time; before 1980 it
// becomes 1980-01-01 00:00:00, after 2107 2107-12-31 23:59:58), or 0 when the file cannot be
// examined (nothing is stored then). A trailing '/' is ignored.
// attributesOut: the C run-time's 16-bit file mode in the high word, the attribute bits 0x37
// (read-only, hidden, system, folder, archive) in the low word: a ZIP entry's external attributes.
// sizeOut: the size of a regular file (the 32-bit value a ZIP entry records; files of 4 GiB and
// more give 0xFFFFFFFE, never the -1 of "no regular file"), -1 for a folder.
DWORD GetFileDosTime(const char* oemName, long* sizeOut, DWORD* attributesOut);
