#include "core/explode.h"

#include <cstring>
#include <memory>
#include <new>

#include "core/huffman.h"
#include "core/zip_records.h"

namespace {

constexpr unsigned kLiteralSymbols = 256;
constexpr unsigned kLengthSymbols = 64;
constexpr unsigned kDistanceSymbols = 64;
constexpr unsigned kLiteralLookupBits = 9;
constexpr unsigned kLengthLookupBits = 7;
// Large entries get a wider distance lookup; it changes speed only, never the result.
constexpr uint32_t kWideDistanceLookupAbove = 200000;
constexpr unsigned kLongLengthCode = 63;  // followed by 8 raw bits added to the length

constexpr size_t kLiteralTableSize =
    HuffmanTableBound(kLiteralSymbols, kLiteralLookupBits, kHuffmanMaxCodeLength);
constexpr size_t kLengthTableSize =
    HuffmanTableBound(kLengthSymbols, kLengthLookupBits, kHuffmanMaxCodeLength);
constexpr size_t kDistanceTableSize = HuffmanTableBound(kDistanceSymbols, 8, kHuffmanMaxCodeLength);

struct Tables {
  uint32_t literal[kLiteralTableSize];
  uint32_t length[kLengthTableSize];
  uint32_t distance[kDistanceTableSize];
  uint8_t bitLengths[kLiteralSymbols];
};

struct Tree {
  uint32_t* table;
  size_t capacity;
  unsigned lookupBits;
};

class Decoder {
 public:
  Decoder(Tables& t, DecoderInput& in, DecoderOutput& out, uint8_t* window, uint16_t flags,
          uint32_t compressedSize, uint32_t size)
      : t_(t),
        bits_(in),
        sink_(out, window, static_cast<uint32_t>(kDecoderWindowSize), size),
        literalTree_{t.literal, kLiteralTableSize, kLiteralLookupBits},
        lengthTree_{t.length, kLengthTableSize, kLengthLookupBits},
        distanceTree_{t.distance, kDistanceTableSize,
                      compressedSize > kWideDistanceLookupAbove ? 8u : 7u},
        rawDistanceBits_((flags & zip::kFlagImplode8KDictionary) ? 7 : 6),
        hasLiteralTree_((flags & zip::kFlagImplodeThreeTrees) != 0),
        minMatch_(hasLiteralTree_ ? 3 : 2) {}

  int Run() {
    int result = Decode();
    sink_.Finish();
    if (result == kLegacyOk && bits_.WholeBytesLeft()) result = kLegacyInputLeft;
    return result;
  }

 private:
  int Decode() {
    int result = kLegacyOk;
    if (hasLiteralTree_ && (result = ReadTree(literalTree_, kLiteralSymbols)) != kLegacyOk) {
      return result;
    }
    if ((result = ReadTree(lengthTree_, kLengthSymbols)) != kLegacyOk) return result;
    if ((result = ReadTree(distanceTree_, kDistanceSymbols)) != kLegacyOk) return result;

    while (!sink_.Full()) {
      if (!bits_.Need(1)) return kLegacyDamaged;
      if (bits_.Take(1) == 1) {
        uint32_t literal;
        if (hasLiteralTree_) {
          if (!DecodeSymbol(literalTree_, &literal)) return kLegacyDamaged;
        } else {
          if (!bits_.Need(8)) return kLegacyDamaged;
          literal = bits_.Take(8);
        }
        sink_.Put(static_cast<uint8_t>(literal));
        continue;
      }
      if (!bits_.Need(rawDistanceBits_)) return kLegacyDamaged;
      const uint32_t low = bits_.Take(rawDistanceBits_);
      uint32_t high, length;
      if (!DecodeSymbol(distanceTree_, &high)) return kLegacyDamaged;
      if (!DecodeSymbol(lengthTree_, &length)) return kLegacyDamaged;
      if (length == kLongLengthCode) {
        if (!bits_.Need(8)) return kLegacyDamaged;
        length += bits_.Take(8);
      }
      sink_.Copy(((high << rawDistanceBits_) | low) + 1, length + minMatch_);
    }
    return kLegacyOk;
  }

  // A tree description: a byte giving the number of bytes that follow minus one, then bytes of
  // (count - 1) << 4 | (bit length - 1), the lengths of the symbols in order.
  int ReadTree(const Tree& tree, unsigned symbols) {
    if (!bits_.Need(8)) return kLegacyDamaged;
    const uint32_t bytes = bits_.Take(8) + 1;
    unsigned filled = 0;
    for (uint32_t i = 0; i < bytes; ++i) {
      if (!bits_.Need(8)) return kLegacyDamaged;
      const uint32_t b = bits_.Take(8);
      const unsigned count = (b >> 4) + 1;
      if (count > symbols - filled) return kLegacyBadTree;
      std::memset(t_.bitLengths + filled, static_cast<int>((b & 15) + 1), count);
      filled += count;
    }
    if (filled != symbols) return kLegacyBadTree;
    const HuffmanBuildResult built = BuildHuffmanTable(
        t_.bitLengths, symbols, nullptr, tree.lookupBits, tree.table, tree.capacity, false);
    switch (built.status) {
      case HuffmanStatus::kComplete:
        return kLegacyOk;
      case HuffmanStatus::kIncomplete:
      case HuffmanStatus::kEmpty:
        return kLegacyDamaged;
      default:
        return kTableFailed;
    }
  }

  // Codes are sent with their bits inverted; the bits the data does not have read as ones after
  // the inversion, and a code that needs them fails.
  bool DecodeSymbol(const Tree& tree, uint32_t* value) {
    const int held = bits_.FillUpTo(static_cast<int>(kHuffmanMaxCodeLength));
    const uint32_t code = ~bits_.Peek(static_cast<int>(kHuffmanMaxCodeLength)) & 0xFFFFu;
    uint32_t e = tree.table[code & ((1u << tree.lookupBits) - 1)];
    if (e & kHuffmanLink) {
      e = tree.table[HuffmanValue(e) +
                     ((code >> tree.lookupBits) & ((1u << HuffmanExtraBits(e)) - 1))];
    }
    const int length = static_cast<int>(HuffmanCodeLength(e));
    if ((e & kHuffmanInvalid) || length == 0 || length > held) return false;
    bits_.Drop(length);
    *value = HuffmanValue(e);
    return true;
  }

  // An over-subscribed or otherwise unbuildable tree (the value inflate gives such a table).
  static constexpr int kTableFailed = 2;

  Tables& t_;
  LegacyBitReader bits_;
  LegacyWindowSink sink_;
  Tree literalTree_, lengthTree_, distanceTree_;
  int rawDistanceBits_;
  bool hasLiteralTree_;
  uint32_t minMatch_;
};

}  // namespace

int Explode(DecoderInput& in, DecoderOutput& out, uint8_t* window, uint16_t flags,
            uint32_t compressedSize, uint32_t uncompressedSize) {
  std::unique_ptr<Tables> tables(new (std::nothrow) Tables);
  if (!tables) return kLegacyNoMemory;
  // Until the window has wrapped once, a match reaching before the start copies zeros.
  std::memset(window, 0, kDecoderWindowSize);
  Decoder decoder(*tables, in, out, window, flags, compressedSize, uncompressedSize);
  return decoder.Run();
}
