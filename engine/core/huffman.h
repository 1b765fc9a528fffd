// Canonical Huffman decoding tables built from code lengths, for decoders that read codes least
// significant bit first (the first bit of a code is bit 0 of the lookup index).
//
// Codes are assigned canonically: shorter codes first, equal lengths in symbol order, each code
// one more than the previous one of its length (the usual deflate rule). A decoder looks up the
// next `primaryBits` bits of its bit buffer in the primary table; codes longer than that go
// through a link entry to a sub-table indexed by the bits that follow:
//
//   uint32_t e = table[bits & ((1u << primaryBits) - 1)];
//   if (e & kHuffmanLink)
//     e = table[HuffmanValue(e) + ((bits >> primaryBits) & ((1u << HuffmanExtraBits(e)) - 1))];
//   // now HuffmanCodeLength(e) bits belong to the code (the whole code, primary bits included)
//
// Entry layout (32 bits):
//   bits  0..4   number of bits of the code (1..16); for a link entry, primaryBits. Bits 5..7 are
//                always 0, so `bits >>= entry & 63` drops the code in one step.
//   bits  8..11  extra-bit count from the caller's symbol info; for a link entry, the sub-table's
//                index width
//   bit   12     kHuffmanLink       entry points to a sub-table
//   bit   13     kHuffmanLiteral    copied from the caller's symbol info
//   bit   14     kHuffmanEndOfBlock copied from the caller's symbol info
//   bit   15     kHuffmanInvalid    no code ends here (unused code space), or the caller marked
//                                   the symbol as one that must never occur
//   bits 16..31  value from the caller's symbol info (a literal, a base length or distance, the
//                symbol number...); for a link entry, the sub-table's offset in the table
//
// The caller describes each symbol by a 32-bit template holding bits 8..11, 13..15 and 16..31
// (see MakeHuffmanSymbol); the builder adds the code length. Without templates the value of each
// entry is its symbol number.
//
// A decoder whose format sends codes with their bits inverted (implode's trees) complements its
// bit buffer before the lookup; the table is the same.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr unsigned kHuffmanMaxCodeLength = 16;
inline constexpr unsigned kHuffmanMaxSymbols = 512;

inline constexpr uint32_t kHuffmanLink = 1u << 12;
inline constexpr uint32_t kHuffmanLiteral = 1u << 13;
inline constexpr uint32_t kHuffmanEndOfBlock = 1u << 14;
inline constexpr uint32_t kHuffmanInvalid = 1u << 15;

inline constexpr uint32_t MakeHuffmanSymbol(uint32_t value, uint32_t extraBits = 0,
                                            uint32_t flags = 0) {
  return (value << 16) | ((extraBits & 15u) << 8) | (flags & (kHuffmanLiteral |
                                                               kHuffmanEndOfBlock |
                                                               kHuffmanInvalid));
}
inline constexpr unsigned HuffmanCodeLength(uint32_t entry) { return entry & 31u; }
inline constexpr unsigned HuffmanExtraBits(uint32_t entry) { return (entry >> 8) & 15u; }
inline constexpr unsigned HuffmanValue(uint32_t entry) { return entry >> 16; }

enum class HuffmanStatus {
  kComplete,        // the lengths use the whole code space; table built
  kIncomplete,      // some code space is unused; table built only when asked (fillIncomplete)
  kEmpty,           // no symbol has a code (all lengths 0); table built (all entries invalid)
                    // only when asked (fillIncomplete)
  kOverSubscribed,  // more codes than the lengths allow; table not built
  kBadLength,       // a length above kHuffmanMaxCodeLength, more than kHuffmanMaxSymbols
                    // symbols, or a primary width outside 1..kHuffmanMaxCodeLength; not built
  kTableTooSmall,   // the table would need more than `capacity` entries; table not usable
};

struct HuffmanBuildResult {
  HuffmanStatus status = HuffmanStatus::kEmpty;
  unsigned longestCode = 0;  // the longest code length present (0 when none)
  size_t entriesUsed = 0;    // table entries written (primary table plus sub-tables)
};

// Builds the decoding table for `count` symbols whose code lengths are lengths[0..count-1]
// (0: the symbol has no code). symbolInfo (may be null) holds one template per symbol, made
// with MakeHuffmanSymbol. primaryBits is the primary lookup width (1..kHuffmanMaxCodeLength).
// The table needs room for 2^primaryBits entries plus the sub-tables; HuffmanTableBound gives a
// size that is always enough for a complete or an empty set. Incomplete and empty sets are only
// written into the table when fillIncomplete is true (their unused code space gives invalid
// entries); a caller that rejects them gets the status without the cost of building.
HuffmanBuildResult BuildHuffmanTable(const uint8_t* lengths, unsigned count,
                                     const uint32_t* symbolInfo, unsigned primaryBits,
                                     uint32_t* table, size_t capacity, bool fillIncomplete);

// An upper bound of the entries a complete set of `count` symbols with codes of at most
// maxLength bits needs with the given primary width. In a complete set every sub-table holds
// exactly the codes below its primary prefix, and a prefix with k codes needs at most
// 2^min(k-1, maxLength-primaryBits) entries; the bound spends the codes on the largest such
// sub-tables.
constexpr size_t HuffmanTableBound(unsigned count, unsigned primaryBits, unsigned maxLength) {
  size_t primary = size_t{1} << primaryBits;
  if (maxLength <= primaryBits) return primary;
  unsigned depth = maxLength - primaryBits;
  size_t full = count / (depth + 1);
  unsigned rest = count % (depth + 1);
  size_t sub = full * (size_t{1} << depth) + (rest >= 2 ? (size_t{1} << (rest - 1)) : 0);
  return primary + sub;
}
