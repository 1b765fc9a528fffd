// Ravelin's decoder for deflated entries: stored, fixed-code and dynamic-code blocks decoded
// through lookup tables (7 or 9 bits for literals and lengths, 5 or 6 for distances, 7 for code
// lengths) that are built for each block in memory from an allocation hook and freed when the block
// ends. Decoded bytes gather in a 32,768-byte window that goes to the output whole each time it
// fills, and its filled part once at the end. Portable: the stub links it, and so do the native
// tests.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/decoder_io.h"

enum StubInflateResult : int {
  kStubInflateOk = 0,
  // A stored length and its complement disagree, too many codes, bad code lengths, an invalid code
  // or a lookup in an empty table, an incomplete code set, a distance before the start of the
  // output, or the data end before the final block does.
  kStubInflateBadData = 1,
  // Block type 3, or an over-subscribed code set.
  kStubInflateBadBlock = 2,
  // The allocation hook could not supply a table.
  kStubInflateNoMemory = 6,
};

// Where the decoder takes its tables and work arrays from. Everything taken is given back before
// the block that took it ends, on every path.
class StubInflateMemory {
 public:
  // nullptr when no memory is left.
  virtual void* Allocate(size_t bytes) = 0;
  virtual void Release(void* block) = 0;

 protected:
  ~StubInflateMemory() = default;
};

// One decoding table entry. e: 16 a literal (value = the byte, or the symbol in the code-length
// table), 15 end of block, 99 an invalid code, 0..13 a length or distance base (value) followed by
// e extra bits, above 16 a sub-table of e - 16 index bits starting at entry `value` of the same
// table. b: the bits this entry's code takes at its level.
struct StubCode {
  uint8_t e;
  uint8_t b;
  uint16_t value;
};

inline constexpr uint8_t kStubCodeLiteral = 16;
inline constexpr uint8_t kStubCodeEndOfBlock = 15;
inline constexpr uint8_t kStubCodeInvalid = 99;

// What the symbols of a table stand for.
enum class StubTableKind { kLiteralLength, kDistance, kCodeLength };

// A built table: entries is nullptr for a set of all-zero lengths (every lookup in it fails).
struct StubTable {
  StubCode* entries = nullptr;
  unsigned lookupBits = 0;
};

// Builds the table of `count` code lengths (at most 320, each at most 15). Returns 0 for a
// complete set or one of all-zero lengths, 1 for an incomplete set whose longest code is longer
// than one bit (the table is still built and usable), 2 for an over-subscribed set, 6 when the
// hook fails. table->entries is to be released through memory when it is not nullptr.
int BuildStubTable(const uint8_t* lengths, unsigned count, StubTableKind kind, unsigned lookupBits,
                   StubInflateMemory& memory, StubTable* table);

// Decodes the stream that `in` hands out up to the end of its final block. window holds
// kDecoderWindowSize bytes. out.BlockDone follows each block. Returns a StubInflateResult.
int StubInflate(DecoderInput& in, DecoderOutput& out, uint8_t* window, StubInflateMemory& memory);
