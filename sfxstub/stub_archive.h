// The stub's view of its own executable as an archive: one read-only handle, reads through one
// 24,576-byte block at block-aligned offsets (a position inside the block held is served from it),
// and the end-record search with the prefix P that the stored offsets do not count.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/end_record.h"

// Results of the end-record search.
enum EndRecordResult : int {
  kEndRecordOk = 0,
  kEndRecordWarning = 1,  // bytes in front that the offsets do not count, or nothing to read
  kEndRecordDamaged = 3,
};

class StubArchive {
 public:
  StubArchive() = default;
  ~StubArchive() { Close(); }
  StubArchive(const StubArchive&) = delete;
  StubArchive& operator=(const StubArchive&) = delete;

  // Opens the file (ANSI path) and takes its block; false when either fails (*noMemory tells
  // which).
  bool Open(const char* path, bool* noMemory);
  void Close();

  // The end record: sets the entry count, the directory's start (prefix counted) and the prefix P.
  // *nothingToRead: an archive whose directory size and offset are both 0.
  int FindEndRecord(uint32_t* entries, uint32_t* directoryStart, uint32_t* prefix,
                    bool* nothingToRead);

  uint32_t size() const { return size_; }
  uint32_t position() const { return position_; }
  void Seek(uint32_t position) { position_ = position; }
  // Reads n bytes at the position and moves on; false when the file ends first or a read fails.
  bool Read(void* destination, uint32_t n);
  bool Skip(uint32_t n);
  // Points *run at the bytes from the position to the end of the block held (loading it), at most
  // limit, and moves on by that many; 0 at the end of the file or on a read error. The bytes may be
  // changed in place (decrypted); Invalidate then.
  uint32_t NextRun(uint8_t** run, uint32_t limit);
  // Forgets the block held (its bytes were changed in place).
  void Invalidate() { blockLength_ = 0; }

 private:
  bool Load(uint32_t blockStart);

  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint8_t* block_ = nullptr;
  uint32_t size_ = 0;
  uint32_t blockStart_ = 0;
  uint32_t blockLength_ = 0;
  uint32_t position_ = 0;
};

// Count entries: the end record's count when the search gives 0 or 1, else -1 (no file, no end
// record, a damaged directory, or a prefix below 0).
int CountStubEntries(const char* path);
