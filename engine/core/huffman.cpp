#include "core/huffman.h"

namespace {

// The layout described in huffman.h.
struct DefaultLayout {
  static uint32_t Entry(const uint32_t* symbolInfo, unsigned symbol, unsigned length) {
    return (symbolInfo ? symbolInfo[symbol] & ~(kHuffmanLink | 0xFFu) : (uint32_t{symbol} << 16)) |
           length;
  }
  static uint32_t Link(uint32_t offset, unsigned subWidth, unsigned primaryBits) {
    return (offset << 16) | kHuffmanLink | (subWidth << 8) | primaryBits;
  }
  static uint32_t Invalid(unsigned width) { return kHuffmanInvalid | width; }
};

}  // namespace

HuffmanBuildResult BuildHuffmanTable(const uint8_t* lengths, unsigned count,
                                     const uint32_t* symbolInfo, unsigned primaryBits,
                                     uint32_t* table, size_t capacity, bool fillIncomplete) {
  return BuildHuffmanTableAs<DefaultLayout>(lengths, count, symbolInfo, primaryBits, table,
                                            capacity, fillIncomplete);
}
