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
// Entry layout (32 bits) of BuildHuffmanTable, the default one (implode, and the code-length codes
// of deflate); inflate writes its own literal/length and distance layouts through
// BuildHuffmanTableAs (see inflate.cpp):
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
  return (value << 16) | ((extraBits & 15u) << 8) |
         (flags & (kHuffmanLiteral | kHuffmanEndOfBlock | kHuffmanInvalid));
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

// The same builder for a decoder that wants its own entry layout in its hot loop, written
// directly instead of converted afterwards. Layout supplies three static functions:
//   uint32_t Entry(const uint32_t* symbolInfo, unsigned symbol, unsigned length)
//       the entry of a symbol's code (symbolInfo as passed to the builder, may be null)
//   uint32_t Link(uint32_t offset, unsigned subWidth, unsigned primaryBits)
//       a primary entry pointing to the sub-table at `offset` with index width subWidth
//   uint32_t Invalid(unsigned width)
//       unused code space, in a table whose index width is `width`
// and optionally two more, for symbols followed by extra bits that the decoder would rather find
// already decoded in the entry:
//   unsigned FoldBits(const uint32_t* symbolInfo, unsigned symbol)
//       how many extra bits follow the symbol's code (0: none to fold)
//   uint32_t FoldedEntry(const uint32_t* symbolInfo, unsigned symbol, unsigned length,
//                        uint32_t extra)
//       the entry of the code followed by the extra-bit value `extra` (length + FoldBits bits
//       in all)
// A primary-table code whose extra bits fit the primary index as well gets one entry per value
// of those bits; longer codes keep the entry from Entry.
// BuildHuffmanTable is this builder with the layout described at the top of this header. The
// statuses and the table's shape (primary part first, sub-tables after it, entriesUsed) are the
// same for every layout.
template <class Layout>
HuffmanBuildResult BuildHuffmanTableAs(const uint8_t* lengths, unsigned count,
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

namespace huffman_detail {

struct ReverseTable {
  uint8_t r[256];
};

constexpr ReverseTable MakeReverseTable() {
  ReverseTable t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned v = 0;
    for (unsigned b = 0; b < 8; ++b) v |= ((i >> b) & 1u) << (7 - b);
    t.r[i] = static_cast<uint8_t>(v);
  }
  return t;
}

inline constexpr ReverseTable kReverse = MakeReverseTable();

// Reverses the low `length` (1..16) bits of code: canonical codes are defined most significant
// bit first, but the decoders read them least significant bit first.
inline uint32_t ReverseBits(uint32_t code, unsigned length) {
  const uint32_t r = (uint32_t{kReverse.r[code & 0xFFu]} << 8) | kReverse.r[(code >> 8) & 0xFFu];
  return r >> (16 - length);
}

// Writes entry into every slot of a table of 2^width entries whose low `length` index bits are
// `index` (the bits above belong to the following codes and do not matter for this one).
inline void Replicate(uint32_t* table, uint32_t index, unsigned length, unsigned width,
                      uint32_t entry) {
  const uint32_t step = uint32_t{1} << length;
  const uint32_t end = uint32_t{1} << width;
  for (uint32_t i = index; i < end; i += step) table[i] = entry;
}

}  // namespace huffman_detail

template <class Layout>
HuffmanBuildResult BuildHuffmanTableAs(const uint8_t* lengths, unsigned count,
                                       const uint32_t* symbolInfo, unsigned primaryBits,
                                       uint32_t* table, size_t capacity, bool fillIncomplete) {
  using huffman_detail::Replicate;
  using huffman_detail::ReverseBits;
  HuffmanBuildResult result;
  if (primaryBits == 0 || primaryBits > kHuffmanMaxCodeLength || count > kHuffmanMaxSymbols) {
    result.status = HuffmanStatus::kBadLength;
    return result;
  }

  // How many codes of each length, and whether they fit the code space.
  unsigned lengthCount[kHuffmanMaxCodeLength + 1] = {};
  for (unsigned s = 0; s < count; ++s) {
    if (lengths[s] > kHuffmanMaxCodeLength) {
      result.status = HuffmanStatus::kBadLength;
      return result;
    }
    ++lengthCount[lengths[s]];
  }
  lengthCount[0] = 0;
  for (unsigned len = kHuffmanMaxCodeLength; len > 0; --len) {
    if (lengthCount[len] != 0) {
      result.longestCode = len;
      break;
    }
  }
  // Unused code space, counted in codes of the longest possible length.
  int64_t left = 1;
  for (unsigned len = 1; len <= kHuffmanMaxCodeLength; ++len) {
    left = (left << 1) - lengthCount[len];
    if (left < 0) {
      result.status = HuffmanStatus::kOverSubscribed;
      return result;
    }
  }
  if (result.longestCode == 0) {
    result.status = HuffmanStatus::kEmpty;
  } else if (left > 0) {
    result.status = HuffmanStatus::kIncomplete;
  } else {
    result.status = HuffmanStatus::kComplete;
  }
  if (result.status != HuffmanStatus::kComplete && !fillIncomplete) return result;

  const size_t primarySize = size_t{1} << primaryBits;
  if (capacity < primarySize) {
    result.status = HuffmanStatus::kTableTooSmall;
    return result;
  }
  // The codes of a complete set cover every slot of the primary table and of each sub-table
  // (a sub-table is exactly as wide as the deepest code below its prefix, and those codes fill
  // it). Otherwise every slot starts invalid, so that code space no code uses is caught by the
  // decoder.
  const bool complete = result.status == HuffmanStatus::kComplete;
  if (!complete) {
    const uint32_t invalid = Layout::Invalid(primaryBits);
    for (size_t i = 0; i < primarySize; ++i) table[i] = invalid;
  }
  size_t used = primarySize;

  // Symbols in canonical order: by length, then by symbol number.
  unsigned offset[kHuffmanMaxCodeLength + 2] = {};
  for (unsigned len = 1; len <= kHuffmanMaxCodeLength; ++len)
    offset[len + 1] = offset[len] + lengthCount[len];
  uint16_t sorted[kHuffmanMaxSymbols];
  for (unsigned s = 0; s < count; ++s) {
    if (lengths[s] != 0) sorted[offset[lengths[s]]++] = static_cast<uint16_t>(s);
  }

  // Codes are handed out in increasing canonical order; codes sharing their first primaryBits
  // bits are consecutive, so each sub-table is filled in one go.
  unsigned remaining[kHuffmanMaxCodeLength + 1];
  for (unsigned len = 0; len <= kHuffmanMaxCodeLength; ++len) remaining[len] = lengthCount[len];
  uint32_t code = 0;  // next canonical code of length `len` (most significant bit first)
  unsigned len = 1;
  unsigned index = 0;  // position in `sorted`
  uint32_t subPrefix = UINT32_MAX;
  uint32_t* sub = nullptr;
  unsigned subWidth = 0;
  const unsigned total = offset[kHuffmanMaxCodeLength + 1];  // after sorting: end of the last run
  for (; index < total; ++index) {
    const unsigned symbol = sorted[index];
    const unsigned symbolLength = lengths[symbol];
    code <<= (symbolLength - len);
    len = symbolLength;
    const uint32_t reversed = ReverseBits(code, len);
    const uint32_t entry = Layout::Entry(symbolInfo, symbol, len);
    if (len <= primaryBits) {
      bool folded = false;
      if constexpr (requires { Layout::FoldBits(symbolInfo, symbol); }) {
        const unsigned fold = Layout::FoldBits(symbolInfo, symbol);
        if (fold != 0 && len + fold <= primaryBits) {
          // One entry per value of the extra bits, which follow the code in the index.
          for (uint32_t v = 0; v < (uint32_t{1} << fold); ++v) {
            Replicate(table, reversed | (v << len), len + fold, primaryBits,
                      Layout::FoldedEntry(symbolInfo, symbol, len, v));
          }
          folded = true;
        }
      }
      if (!folded) Replicate(table, reversed, len, primaryBits, entry);
    } else {
      const uint32_t prefix = reversed & (uint32_t(primarySize) - 1);
      if (prefix != subPrefix) {
        // A new sub-table: wide enough for the deepest code below this prefix. Count the code
        // space below the prefix at increasing depth until the remaining codes fill it.
        subWidth = len - primaryBits;
        int64_t space = int64_t{1} << subWidth;
        while (subWidth + primaryBits < result.longestCode) {
          space -= remaining[subWidth + primaryBits];
          if (space <= 0) break;
          ++subWidth;
          space <<= 1;
        }
        const size_t subSize = size_t{1} << subWidth;
        if (used + subSize > capacity || used > 0xFFFFu) {
          result.status = HuffmanStatus::kTableTooSmall;
          return result;
        }
        sub = table + used;
        if (!complete) {
          const uint32_t subInvalid = Layout::Invalid(primaryBits + subWidth);
          for (size_t i = 0; i < subSize; ++i) sub[i] = subInvalid;
        }
        table[prefix] = Layout::Link(uint32_t(used), subWidth, primaryBits);
        used += subSize;
        subPrefix = prefix;
      }
      Replicate(sub, reversed >> primaryBits, len - primaryBits, subWidth, entry);
    }
    --remaining[len];
    ++code;
  }
  result.entriesUsed = used;
  return result;
}
