// libFuzzer target for Unreduce: the first byte picks the factor (1 to 4) and the run length, the
// next four the claimed uncompressed size (at most 1 MB), the rest is the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/le_fields.h"
#include "core/unreduce.h"

namespace {
class CountingOutput : public DecoderOutput {
 public:
  void Write(const uint8_t* data, size_t n) override {
    if (n == 0 || n > kDecoderWindowSize || data == nullptr) std::abort();
    total += n;
  }
  size_t total = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const int factor = 1 + (data[0] & 3);
  const size_t chunk = 1 + (data[0] >> 2);
  const uint32_t claimed = GetLE32(data + 1) & 0xFFFFF;
  MemoryDecoderInput in(data + 5, size - 5, chunk);
  CountingOutput out;
  std::vector<uint8_t> window(kDecoderWindowSize);
  const int result = Unreduce(in, out, window.data(), factor, claimed);
  if (out.total > claimed) std::abort();
  if (result == kLegacyOk && out.total != claimed) std::abort();
  return 0;
}
