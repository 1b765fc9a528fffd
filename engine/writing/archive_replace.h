// The archive writer's replacement of an archive: the temporary archive it builds beside the old
// one, put in the old one's place only once complete, and the data copies between open files.
#pragma once

#include <windows.h>

#include "base/cztext.h"
#include "writing/writer_state.h"

// Results of ReplaceArchiveFile and CopyFileData.
enum ReplaceResult {
  kReplaceDone = 0,
  kReplaceFileError = 2,  // a file cannot be opened, read, written, moved or closed
  kReplaceNoBuffer = 5,
  kReplaceWriteProtected = 15,  // the archive's diskette is write-protected
  kReplaceNoSpace = 16,         // not enough free space on the archive's drive
};

// Makes an empty temporary file (prefix "ZIP") in the temporary folder and records its name as
// writer.temporaryName. TRUE when the file exists. Leaves the temporary folder current.
BOOL MakeTempArchiveName(WriterState& writer);

// Puts the finished temporary archive in the place of writer.archiveName. First by one rename
// that replaces the old archive (the temporary archive lies beside it), so that a process killed
// at any moment leaves either the complete old or the complete new archive under its name. Where
// the system refuses that rename, the old archive is moved aside and deleted only once the new one
// is in place; on any failure it is put back byte for byte. Only when it cannot be put back does
// writer.keepTemporary become true (the temporary file then holds the only copy of the new
// archive, the old one lies at writer.displacedArchiveName, and neither may be deleted).
int ReplaceArchiveFile(WriterState& writer);

// A hook for tests that stop the process around the one-step rename of ReplaceArchiveFile: called
// right before it is tried and right after it succeeded. Null (no hook) unless a test sets one.
enum class ReplaceStage { kBeforeRename, kAfterRename };
using ReplaceStageHook = void (*)(ReplaceStage stage);
void SetReplaceStageHook(ReplaceStageHook hook);

// Copies length bytes (0xFFFFFFFF: to the end) from source to target, both open. targetName, when
// given, names the target: its drive must have room for the data, and it is the text of the
// progress messages sent during the writer's encryption pass.
int CopyFileData(WriterState& writer, HFILE source, HFILE target, DWORD length,
                 const CZText* targetName);
