// Huffman code construction for the deflate compressor: length-limited code lengths from symbol
// frequencies, canonical codes (RFC 1951) stored bit-reversed for least-significant-bit-first
// output, and the run-length coding of code lengths used in a dynamic block's tree description.
#pragma once
#include <cstddef>
#include <cstdint>

// Computes code lengths (at most maxBits) for n symbols (n <= 288) from their frequencies. Symbols
// of frequency 0 get length 0, except that at least two symbols always get a code: while fewer are
// used, the symbol after the highest used one is added when that is below 2, else symbol 0. The
// resulting code is always complete.
void BuildCodeLengths(const uint32_t* freq, size_t n, unsigned maxBits, uint8_t* lengths);

// Assigns canonical codes to the lengths (RFC 1951, 3.2.2) and stores each bit-reversed, ready to
// be written least significant bit first. Symbols of length 0 get code 0.
void AssignCanonicalCodes(const uint8_t* lengths, size_t n, uint16_t* codes);

// Reverses the lowest `bits` bits of code.
inline uint32_t ReverseCodeBits(uint32_t code, unsigned bits) {
  uint32_t r = 0;
  for (unsigned i = 0; i < bits; ++i) {
    r = (r << 1) | (code & 1);
    code >>= 1;
  }
  return r;
}

// One step of a run-length coded list of code lengths: symbol 0-15 is a length sent as is; 16
// repeats the previous length 3-6 times, 17 sends 3-10 zeros, 18 sends 11-138 zeros (extra holds
// the repeat count minus the symbol's minimum).
struct CodeLengthOp {
  uint8_t symbol;
  uint8_t extra;
};

// Run-length codes lengths[0..n) and appends the steps to ops (room for n steps is enough);
// returns the number of steps appended.
size_t RunLengthCodeLengths(const uint8_t* lengths, size_t n, CodeLengthOp* ops);

// Extra bits after each code-length symbol (2 for 16, 3 for 17, 7 for 18, none otherwise).
inline unsigned CodeLengthExtraBits(unsigned symbol) {
  return symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0;
}
