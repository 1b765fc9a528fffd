// The encryption pass's test seam (the pass itself is CZZip::EncryptArchive, czzip.h).
#pragma once

#include <cstdint>
#include <optional>

namespace zipencrypt {

// With a seed, every later pass starts its generator of the random header bytes from it, so that
// two passes over the same archive write the same bytes; std::nullopt (the default) seeds each
// pass afresh.
void FixRandomSeed(std::optional<uint32_t> seed);

}  // namespace zipencrypt
