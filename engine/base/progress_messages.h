// The progress messages the engine sends to the notification window of a long operation: one
// name per message, with what wParam and lParam carry and the event the control fires for it.
// The engine sends each with SendMessageA (never posts), so a text in lParam stays valid until the
// handler returns; with no notification window it sends nothing. "lo(wParam)" is the low 16 bits
// of wParam as a signed 16-bit number; a text is a zero-terminated ANSI string (null reads "").
#pragma once

#include <windows.h>

namespace progress {

// Extraction and the archive test.
constexpr UINT kEntryOpened = WM_USER + 38;     // 0 | entry name              -> ZNOpenFile
constexpr UINT kEntryExpanding = WM_USER + 39;  // percent of the entry | name  -> ZNExpanding
constexpr UINT kEntryClosed = WM_USER + 40;     // no-error flag | entry name   -> ZNCloseFile
constexpr UINT kEntryTested = WM_USER + 69;  // result level | entry name    -> ZNTest (level < 2)

// Joining volumes.
constexpr UINT kJoining = WM_USER + 41;       // KB joined so far | part name  -> ZNJoining
constexpr UINT kVolumeJoined = WM_USER + 42;  // part number | part size / 1,024 -> no event
constexpr UINT kJoinDoneSize = WM_USER + 43;  // 0 | total size (number)      -> ZNJoinDoneSize
constexpr UINT kJoinDoneName = WM_USER + 44;  // 0 | archive name             -> ZNJoinDoneName

// Adding files and the archive writer.
constexpr UINT kFileZipped = WM_USER + 45;        // compression rate | file name -> ZNFileZipped
constexpr UINT kZippingKilobytes = WM_USER + 46;  // KB processed | current file -> ZNZipping
constexpr UINT kZippingPercent = WM_USER + 50;    // percent done | current file  -> ZNZipping2
constexpr UINT kWriting = WM_USER + 48;           // 0 | archive name             -> ZNWriting
constexpr UINT kEntriesRead = WM_USER + 52;       // entries in the existing archive | 0 -> no event

// Rewriting.
constexpr UINT kDeleting = WM_USER + 47;   // 0 | current entry            -> ZNDeleting
constexpr UINT kRepairing = WM_USER + 49;  // repair step | name           -> ZNReparing

// The encryption pass (and copying a file with progress).
constexpr UINT kEncrypting = WM_USER + 66;  // percent done | file name     -> ZNEncrypt

// Splitting volumes.
constexpr UINT kSplitting = WM_USER + 61;    // KB written so far | part name -> ZNSplitting
constexpr UINT kVolumeSplit = WM_USER + 62;  // part number | part size (number) -> ZNSplitted

// Backup and restore.
constexpr UINT kBackupBuildZip = WM_USER + 80;   // 0 | temporary archive name   -> ZNBackupBuildZip
constexpr UINT kBackupZipDone = WM_USER + 81;    // 0 | temporary archive size   -> ZNBackupZipDone
constexpr UINT kRestoreBuildZip = WM_USER + 82;  // 0 | archive name            -> ZNRestoreBuildZip
constexpr UINT kRestoreZipDone = WM_USER + 83;   // 0 | temporary archive size   -> ZNRestoreZipDone

// The self-extractor builder.
constexpr UINT kMakeExeStep1 = WM_USER + 90;  // 0 | 0                        -> ZNMakeEXEStep1
constexpr UINT kMakeExeStep2 = WM_USER + 91;  // percent done | 0             -> ZNMakeEXEStep2

// Every progress message lies in this range (recorders in the tests keep what falls inside).
constexpr UINT kFirstMessage = kEntryOpened;
constexpr UINT kLastMessage = kMakeExeStep2;

}  // namespace progress
