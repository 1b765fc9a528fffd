// Shared frame of the legacy-decoder fuzz targets. An input is: one byte of decoder options (the
// caller splits it into variant and run length), four bytes of claimed uncompressed size (at most
// 1 MB), then the compressed data. Every target checks the same two properties: a decoder never
// writes more than the claimed size, and success means exactly the claimed size.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/decoder_io.h"
#include "core/le_fields.h"
#include "core/legacy_bits.h"

class CountingOutput : public DecoderOutput {
 public:
  void Write(const uint8_t* data, size_t n) override {
    if (n == 0 || n > kDecoderWindowSize || data == nullptr) std::abort();
    total += n;
  }
  size_t total = 0;
};

// decode(options, input, output, window, claimed) runs one decoder and returns its result.
template <typename Decode>
int RunLegacyFuzzInput(const uint8_t* data, size_t size, size_t (*chunkOf)(uint8_t),
                       Decode decode) {
  if (size < 5) return 0;
  const uint32_t claimed = GetLE32(data + 1) & 0xFFFFF;
  MemoryDecoderInput in(data + 5, size - 5, chunkOf(data[0]));
  CountingOutput out;
  std::vector<uint8_t> window(kDecoderWindowSize);
  const int result = decode(data[0], in, out, window.data(), claimed);
  if (out.total > claimed) std::abort();
  if (result == kLegacyOk && out.total != claimed) std::abort();
  return 0;
}
