// Decoder for entries of methods 2 to 5 (reduced with compression factor 1 to 4): bytes coded by
// follower sets of the previous byte, then run through an escape decoder that expands matches.
#pragma once
#include <cstdint>

#include "core/decoder_io.h"
#include "core/legacy_bits.h"

// The escape byte of the match layer; 0x90 0x00 stands for a literal 0x90.
inline constexpr uint8_t kReduceEscape = 0x90;

// The match fields of a compression factor (1 to 4): the escape's next byte V gives the length
// V AND lengthMask (a full mask is extended by one more byte) and the distance's high part
// (V >> distanceShift) AND distanceMask.
struct ReduceFactor {
  uint32_t lengthMask;
  int distanceShift;
  uint32_t distanceMask;
};
inline constexpr ReduceFactor ReduceFactorFields(int factor) {
  return ReduceFactor{0xFFu >> factor, 8 - factor, (1u << factor) - 1};
}

// Bits of an index into a follower set of n bytes (1 to 63).
inline constexpr int ReduceIndexBits(uint32_t n) {
  int bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}

// Decodes the entry's compressed data from `in` into `out`; `factor` is the method minus 1 (1 to
// 4). `window` is kDecoderWindowSize bytes supplied by the caller: its first half is the 16 KB
// history, its second half the follower table. Produces exactly `uncompressedSize` bytes unless
// the data is damaged.
// Results (LegacyResult): kLegacyOk when the size was produced; kLegacyDamaged when the data ends
// before that (a symbol needs more bits than remain), an index lies beyond its follower set, or the
// factor is not 1 to 4. Whatever was decoded before a failure has been written.
int Unreduce(DecoderInput& in, DecoderOutput& out, uint8_t* window, int factor,
             uint32_t uncompressedSize);
