// libFuzzer target for Unreduce: the options byte picks the factor (1 to 4) and the run length.
#include "core/unreduce.h"
#include "legacy_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunLegacyFuzzInput(
      data, size, [](uint8_t options) -> size_t { return 1 + (options >> 2); },
      [](uint8_t options, DecoderInput& in, DecoderOutput& out, uint8_t* window, uint32_t claimed) {
        return Unreduce(in, out, window, 1 + (options & 3), claimed);
      });
}
