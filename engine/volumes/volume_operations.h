// The volume operations: an archive split into volumes and a set of volumes joined again, and the
// backup of a folder or drive onto volumes and its restore (split_archive.cpp, backup.cpp,
// join_volumes.cpp), with their results.
#pragma once

#include <windows.h>

#include "base/cztext.h"
#include "reading/czunzip.h"
#include "writing/czzip.h"

enum JoinResult : int {
  kJoinDone = 0,
  kJoinNoVolume = 1,  // the named volume does not exist, or is a folder
  kJoinNoMemory = 2,
  kJoinBadName = 3,         // no joined-archive name can be made from the volume's
  kJoinReadWriteError = 3,  // a volume cannot be opened; a read or write failed
  kJoinCannotCreate = 4,    // also: the output would lie on the disk that is to be swapped
  kJoinDiskRefused = 5,     // No to the disk prompt (the partial archive is deleted)
  kJoinNotVolumeName = 7,
  kJoinOutputExists = 8,
  kJoinNoRoom = 9,
};

enum RestoreResult : int {
  kRestoreDone = 0,
  kRestoreNoChooser = 1,
  kRestoreNoArchive = 2,
  kRestoreCancelled = 3,
  kRestoreNoBackupSet = 4,
  kRestoreJoinFailed = 10,     // + the join code
  kRestoreExtractFailed = 40,  // + the extraction result
};

enum SplitResult : int {
  kSplitDone = 0,
  kSplitNoSource = 1,
  kSplitNoMemory = 2,
  kSplitReadError = 3,
  kSplitRefused = 4,  // more than 36 volumes, bad sizes, or the source on the swapped disk
  kSplitCannotCreate = 5,
  kSplitDiskRefused = 6,  // No to the disk prompt
  kSplitDestinationFull = 10,
  kSplitProtectedRefused = 11,  // No while the disk was write-protected
};

enum BackupResult : int {
  kBackupDone = 0,
  kBackupNoName = 1,
  kBackupNotEmpty = 3,
  kBackupWarningNoArchive = 4,
  kBackupDeniedNoArchive = 5,
  kBackupDoneWithDenied = 6,
  kBackupReadOnlyDestination = 24,
  kBackupZipFailed = 10,    // + the adding code
  kBackupSplitFailed = 40,  // + the split code
};

namespace volumes {

// Cuts sourceName into volumes NAME.V_S in destination: the first of firstSize bytes, the
// others of nextSize. On a removable or full destination the disk prompt asks for the next
// disk whenever one lacks room. Result: SplitResult. The writer takes notifyWindow as its
// progress window.
int SplitArchive(CZZip& writer, HWND notifyWindow, const char* sourceName, const char* destination,
                 long firstSize, long nextSize, const char* title, const char* text);
// Compresses mask into a backup archive in the mask's folder and splits it onto destination
// (volumes as large as the destination's free space); the backup archive is always deleted.
// The writer compresses (CZZip::ZipFiles). Result: BackupResult.
int BackupToDiskettes(CZZip& writer, const char* mask, const char* destination, BOOL recurse,
                      HWND notifyWindow, const char* title, const char* text,
                      BOOL forceSingleBackup);
// Joins the set of volumeName (any of its volumes) into NAME.ZIP in destination. The disk
// prompt (title, text: "%1" the volume wanted, "%2" the count) asks while a volume is missing.
// progress: the join messages (kJoining to kJoinDoneName) are sent. With outputName and
// uniqueName an unused name is taken, handed back and announced (kRestoreBuildZip). Result:
// JoinResult. The archive gets the last volume's time; a failed join deletes the archive it
// created (an existing file of that name gives kJoinOutputExists and is never touched).
int JoinVolumes(HWND notifyWindow, const char* volumeName, const char* destination, BOOL progress,
                const char* title, const char* text, BOOL uniqueName, CZText* outputName);
// The backup set of sourceFolder (its "*.0_?" file; with displayDialog the one the chooser
// picks) joined into destination under an unused name, extracted whole with its folders, and
// the joined archive deleted; the reader extracts it (CZUnzip::UnzipFiles). Result: RestoreResult.
int RestoreBackupSet(CZUnzip& reader, HWND notifyWindow, const char* sourceFolder,
                     const char* destination, short overwriteMode, BOOL displayDialog,
                     const char* title, const char* text);

}  // namespace volumes
