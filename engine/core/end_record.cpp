#include "core/end_record.h"

#include <cstring>

#include "core/zip_records.h"

bool FindEndRecordSignature(PositionedReader& reader, uint32_t fileSize, uint8_t* block,
                            uint32_t* position) {
  if (fileSize < zip::end::kSize) return false;
  const uint32_t highest = fileSize - static_cast<uint32_t>(zip::end::kSize);
  const uint32_t lowest =
      fileSize > zip::end::kMaxDistanceFromEnd ? fileSize - zip::end::kMaxDistanceFromEnd : 0;

  // Behind the file's last block nothing follows; the highest position leaves 22 bytes of record
  // in the file, so these zero hold bytes are never compared, only kept defined.
  std::memset(block + kInputBlockSize, 0, kInputHoldBytes);
  uint8_t hold[3] = {0, 0, 0};

  // Start with the block that holds the file's last byte: even when it holds no position to
  // examine, its first bytes complete signatures that begin in the block before it.
  uint32_t blockStart = (fileSize - 1) - (fileSize - 1) % kInputBlockSize;
  for (;;) {
    const uint32_t wanted =
        fileSize - blockStart < kInputBlockSize ? fileSize - blockStart : kInputBlockSize;
    const int64_t got = reader.ReadAt(blockStart, block, wanted);
    if (got != static_cast<int64_t>(wanted)) return false;
    // The first bytes of the following block sit right behind this block's data, so that a
    // comparison at the block's last positions reads on into the next block of the file.
    std::memcpy(block + wanted, hold, sizeof hold);

    const uint32_t first = blockStart > lowest ? blockStart : lowest;
    const uint32_t last = highest < blockStart + wanted - 1 ? highest : blockStart + wanted - 1;
    for (uint32_t pos = last + 1; pos-- > first;) {
      const uint8_t* at = block + (pos - blockStart);
      if (at[0] == 'P' && zip::HasSignature(at, zip::kEndSignature)) {
        *position = pos;
        return true;
      }
    }
    if (blockStart <= lowest) return false;
    std::memcpy(hold, block, sizeof hold);
    blockStart -= kInputBlockSize;
  }
}
