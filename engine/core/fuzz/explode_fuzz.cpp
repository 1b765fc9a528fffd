// libFuzzer target for Explode: the options byte picks the variant (flags bits 1 and 2) and the
// run length.
#include "core/explode.h"
#include "legacy_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunLegacyFuzzInput(
      data, size, [](uint8_t options) -> size_t { return 1 + (options >> 3); },
      [size](uint8_t options, DecoderInput& in, DecoderOutput& out, uint8_t* window,
             uint32_t claimed) {
        const uint16_t flags = static_cast<uint16_t>(options & 0x06);
        return Explode(in, out, window, flags, static_cast<uint32_t>(size - 5), claimed);
      });
}
