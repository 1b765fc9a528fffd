// The search for the end-of-central-directory record: the last "PK\5\6" signature whose 22-byte
// record fits in the file and that starts no more than 65,557 bytes (the record and the longest
// comment) before the end of the file.
//
// The file is read backwards in whole blocks aligned to multiples of the reader's block size, so
// the blocks read are the same blocks the archive reader's buffered input uses. A signature that
// spans two blocks is found through hold bytes: the first three bytes of the block that follows
// in the file are kept behind the current block. Every position of the search window is
// examined whatever the file size, and nothing is read before position 0.
#pragma once
#include <cstddef>
#include <cstdint>

// The archive reader's input block: 24,576 bytes of file data and 4 hold bytes behind them.
inline constexpr uint32_t kInputBlockSize = 24576;
inline constexpr uint32_t kInputHoldBytes = 4;

// Reads from absolute file positions.
class PositionedReader {
 public:
  virtual ~PositionedReader() = default;
  // Reads up to n bytes at pos into destination; returns the count read, or -1 when reading
  // failed.
  virtual int64_t ReadAt(uint32_t pos, uint8_t* destination, uint32_t n) = 0;
};

// Searches a file of fileSize bytes. block is the caller's scratch of kInputBlockSize +
// kInputHoldBytes bytes; its contents are undefined afterwards. True with *position set when a
// record is found; false when there is none or a read fails or comes back short.
bool FindEndRecordSignature(PositionedReader& reader, uint32_t fileSize, uint8_t* block,
                            uint32_t* position);
