#include "core/huffman.h"

namespace {

// Reverses the low `length` bits of code: canonical codes are defined most significant bit
// first, but the decoders read them least significant bit first.
uint32_t ReverseBits(uint32_t code, unsigned length) {
  uint32_t reversed = 0;
  for (unsigned i = 0; i < length; ++i) {
    reversed = (reversed << 1) | (code & 1u);
    code >>= 1;
  }
  return reversed;
}

// Writes entry into every slot of a table of 2^width entries whose low `length` index bits are
// `index` (the bits above belong to the following codes and do not matter for this one).
void Replicate(uint32_t* table, uint32_t index, unsigned length, unsigned width, uint32_t entry) {
  const uint32_t step = uint32_t{1} << length;
  const uint32_t end = uint32_t{1} << width;
  for (uint32_t i = index; i < end; i += step) table[i] = entry;
}

}  // namespace

HuffmanBuildResult BuildHuffmanTable(const uint8_t* lengths, unsigned count,
                                     const uint32_t* symbolInfo, unsigned primaryBits,
                                     uint32_t* table, size_t capacity, bool fillIncomplete) {
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
  // Every slot starts invalid, so that code space no code uses is caught by the decoder.
  const uint32_t invalid = kHuffmanInvalid | primaryBits;
  for (size_t i = 0; i < primarySize; ++i) table[i] = invalid;
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
    const uint32_t entry =
        (symbolInfo ? symbolInfo[symbol] & ~(kHuffmanLink | 0xFFu) : (uint32_t{symbol} << 16)) | len;
    if (len <= primaryBits) {
      Replicate(table, reversed, len, primaryBits, entry);
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
        const uint32_t subInvalid = kHuffmanInvalid | (primaryBits + subWidth);
        for (size_t i = 0; i < subSize; ++i) sub[i] = subInvalid;
        table[prefix] = (uint32_t(used) << 16) | kHuffmanLink | (subWidth << 8) | primaryBits;
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
