// Compares the block-wise end-record search with plain inspection of every position of the
// search window, on files built from the fuzzer's bytes at sizes around the block boundaries.
#include <cstring>
#include <vector>

#include "core/end_record.h"

namespace {

class MemoryFile : public PositionedReader {
 public:
  explicit MemoryFile(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  int64_t ReadAt(uint32_t pos, uint8_t* destination, uint32_t n) override {
    if (pos % kInputBlockSize != 0 || pos >= bytes_.size()) __builtin_trap();
    uint32_t count = static_cast<uint32_t>(bytes_.size()) - pos;
    if (count > n) count = n;
    std::memcpy(destination, bytes_.data() + pos, count);
    return count;
  }

 private:
  const std::vector<uint8_t>& bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // The first three bytes choose the file size (up to about 4 blocks); the rest is repeated
  // to fill it, with the signature's first byte common enough to matter.
  const uint32_t fileSize =
      (data[0] | (data[1] << 8) | (data[2] << 16)) % (4 * kInputBlockSize + 64);
  std::vector<uint8_t> bytes(fileSize);
  const uint8_t* fill = data + 3;
  const size_t fillSize = size - 3;
  for (uint32_t i = 0; i < fileSize; ++i) {
    bytes[i] = fillSize == 0 ? 0 : fill[i % fillSize];
  }

  bool expected = false;
  uint32_t expectedPos = 0;
  if (fileSize >= 22) {
    const uint32_t lowest = fileSize > 65557 ? fileSize - 65557 : 0;
    for (uint32_t pos = fileSize - 22 + 1; pos-- > lowest;) {
      if (std::memcmp(bytes.data() + pos, "PK\5\6", 4) == 0) {
        expected = true;
        expectedPos = pos;
        break;
      }
    }
  }
  std::vector<uint8_t> block(kInputBlockSize + kInputHoldBytes);
  MemoryFile file(bytes);
  uint32_t pos = 0;
  const bool found = FindEndRecordSignature(file, fileSize, block.data(), &pos);
  if (found != expected || (found && pos != expectedPos)) __builtin_trap();
  return 0;
}
