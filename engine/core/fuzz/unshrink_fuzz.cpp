// libFuzzer target for Unshrink: the options byte picks the run length.
#include "core/unshrink.h"
#include "legacy_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunLegacyFuzzInput(
      data, size, [](uint8_t options) -> size_t { return 1 + options; },
      [](uint8_t, DecoderInput& in, DecoderOutput& out, uint8_t* window, uint32_t claimed) {
        return Unshrink(in, out, window, claimed);
      });
}
