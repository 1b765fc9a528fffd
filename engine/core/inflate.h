// Decoder for deflated entries (compression method 8): stored, fixed-Huffman and dynamic-Huffman
// blocks with a 32,768-byte sliding window.
#pragma once
#include <cstdint>

#include "core/decoder_io.h"

// Results of Inflate.
enum InflateResult : int {
  kInflateOk = 0,
  // A stored block's length and its complement disagree, a block declares too many codes, a code
  // that no symbol may use is read, a code set is incomplete (a set of one 1-bit code and an
  // empty distance set are valid), a distance reaches before the start of the output, or the
  // stream needs bits past the end of the entry's data.
  kInflateBadData = 1,
  // Block type 3, or a code set with more codes than its lengths allow.
  kInflateBadBlock = 2,
  // A decoding table would not fit its fixed-size storage (cannot happen for any stream: the
  // storage is sized for every valid code set, and invalid sets are rejected before building).
  kInflateNoMemory = 6,
};

// Decodes the deflate stream that `in` hands out until its final block. The decoded bytes pass
// through window (kDecoderWindowSize bytes, supplied by the caller) and go to out.Write each time
// the window fills and once at the end; out.BlockDone follows each block. Decoding works in
// fixed-size tables on the stack: nothing is allocated. Input beyond the final block is left
// unread or ignored. Returns an InflateResult.
int Inflate(DecoderInput& in, DecoderOutput& out, uint8_t* window);

// Makes Inflate use its portable fast loop even where the processor could run the one built for
// BMI2 (for tests and benchmarks of the fallback); false returns to the automatic choice. Safe to
// call from any thread.
void ForceInflatePortableLoop(bool force);
