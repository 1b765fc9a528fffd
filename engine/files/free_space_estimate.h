// What an extraction knows of its drive's free space between two queries: the free bytes the last
// query gave, less what was written since. Asking the drive costs several system calls (under Wine
// three round trips to the server), once for every file extracted; the estimate answers instead
// while it is far from the limit, and asks the drive whenever the answer could differ: the file
// comes within a margin of the estimate, the drive changes, or the last query is older than half
// a second (other programs may write to the drive too).
#pragma once

#include <windows.h>

class FreeSpaceEstimate {
 public:
  // The answer of HasFreeSpace64(oemPath, bytes): whether bytes fit on the drive of oemPath.
  BOOL HasRoomFor(const char* oemPath, ULONGLONG bytes);
  // bytes were written to the drive last asked about.
  void Written(ULONGLONG bytes) { writtenSince_ += bytes; }

 private:
  char drive_ = 0;  // upper-case letter of the drive last asked about; 0: none
  ULONGLONG freeKB_ = 0;
  ULONGLONG writtenSince_ = 0;
  DWORD queriedAt_ = 0;  // GetTickCount of the last query
};
