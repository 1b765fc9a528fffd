// Decoder for entries of method 1 (shrunk): LZW with codes of 9 to 13 bits, widened and partially
// cleared on command of the stream.
#pragma once
#include <cstdint>

#include "core/decoder_io.h"
#include "core/legacy_bits.h"

// Decodes the entry's compressed data from `in` into `out` through `window` (kDecoderWindowSize
// bytes, supplied by the caller), producing at most `uncompressedSize` bytes.
// Results (LegacyResult): kLegacyOk when the data ended cleanly with the size produced (or the size
// was produced); kLegacyDamaged when the data ended early or in the middle of a code, or held an
// invalid code, subcode or code width; kLegacyChainTooLong when a code's string does not fit the
// decode stack; kLegacyNoMemory when the tables cannot be allocated. Whatever was decoded before a
// failure has been written.
int Unshrink(DecoderInput& in, DecoderOutput& out, uint8_t* window, uint32_t uncompressedSize);
