// The engine's free path and file functions: name normalising, the file-system calls that every
// path operation goes through (code-page conversion and the failure seam), and 64-bit size and
// free-space helpers.
//
// Paths are held in the OEM code page; each file-system call gets a temporary ANSI copy.
#pragma once

#include <windows.h>

#include <string>

#include "base/cztext.h"

// ---- code pages -------------------------------------------------------------------------------
std::string AnsiFromOem(const char* oemText);
CZText OemFromAnsi(const char* ansiText);

// ---- file-system calls on engine paths (each passes the failure seam) -------------------------
BOOL FsMoveFile(const char* oemFrom, const char* oemTo);     // fails when oemTo exists
BOOL FsReplaceFile(const char* oemFrom, const char* oemTo);  // replaces an existing oemTo
BOOL FsDeleteFile(const char* oemPath);
BOOL FsSetAttributes(const char* oemPath, DWORD attributes);
DWORD FsGetAttributes(const char* oemPath);  // INVALID_FILE_ATTRIBUTES when unreadable

// ---- sizes and free space, in 64 bits ---------------------------------------------------------
// Size of the first file the path (or pattern) finds; FALSE when none is found.
BOOL GetFileSize64(const char* oemPath, ULONGLONG* size);
// Free kilobytes on the drive of a path that begins with a drive letter, less 8 KB kept in reserve;
// 0 when the drive cannot be asked or has less than the reserve.
ULONGLONG GetFreeSpaceKB64(const char* oemPath);
// TRUE when bytes / 1,024 (truncated) does not exceed the free kilobytes; bytes 0 asks only for
// some free space.
BOOL HasFreeSpace64(const char* oemPath, ULONGLONG bytes);

// ---- names ------------------------------------------------------------------------------------
// Replace name by its valid long form: upper case, without the characters a file name cannot hold
// (and without '*' and '?' when stripWildcards), one leading '.' dropped, at most 256 characters.
// A name made only of dots (and blanks) is refused: it would climb out of its folder. FALSE for an
// empty or refused name (which then becomes empty).
BOOL NormalizeFileName(CZText& name, BOOL stripWildcards);
// The same with 8.3 limits.
BOOL NormalizeShortName(CZText& name, BOOL stripWildcards);

// ---- open files -------------------------------------------------------------------------------
// Closes each given handle that is not HFILE_ERROR and sets it to HFILE_ERROR.
void CloseFileHandles(HFILE* a, HFILE* b, HFILE* c);
// Gives target the attributes of source; FALSE when they cannot be read or set.
BOOL CopyFileAttributes(const char* oemSource, const char* oemTarget);
