#include "core/unreduce.h"

#include <cstring>

namespace {

constexpr uint32_t kHistorySize = 16384;
constexpr uint32_t kMaxFollowers = 64;  // a follower set holds at most 63 bytes
constexpr uint32_t kMinMatch = 3;

// The states of the escape decoder, between the bytes of the follower layer.
enum class Escape { kPlain, kAfterEscape, kLengthByte, kDistanceByte };

}  // namespace

int Unreduce(DecoderInput& in, DecoderOutput& out, uint8_t* window, int factor,
             uint32_t uncompressedSize) {
  if (factor < 1 || factor > 4) return kLegacyDamaged;
  const ReduceFactor fields = ReduceFactorFields(factor);
  uint8_t* history = window;
  uint8_t* followers = window + kHistorySize;
  uint8_t setSize[256];

  // Until the history has wrapped once, a match reaching before the start copies zeros.
  std::memset(history, 0, kHistorySize);
  LegacyBitReader bits(in);
  LegacyWindowSink sink(out, history, kHistorySize, uncompressedSize);

  int result = kLegacyOk;
  for (int byte = 255; byte >= 0 && result == kLegacyOk; --byte) {
    if (!bits.Need(6)) {
      result = kLegacyDamaged;
      break;
    }
    const uint32_t n = bits.Take(6);
    setSize[byte] = static_cast<uint8_t>(n);
    for (uint32_t i = 0; i < n; ++i) {
      if (!bits.Need(8)) {
        result = kLegacyDamaged;
        break;
      }
      followers[byte * kMaxFollowers + i] = static_cast<uint8_t>(bits.Take(8));
    }
  }

  uint32_t last = 0;  // the previous byte of the follower layer (before escape decoding)
  Escape state = Escape::kPlain;
  uint32_t escaped = 0;  // the byte after the escape
  uint32_t length = 0;
  while (result == kLegacyOk && !sink.Full()) {
    // One byte of the follower layer.
    const uint32_t n = setSize[last];
    uint32_t c;
    if (n == 0) {
      if (!bits.Need(8)) {
        result = kLegacyDamaged;
        break;
      }
      c = bits.Take(8);
    } else {
      const int indexBits = ReduceIndexBits(n);
      if (!bits.Need(1)) {
        result = kLegacyDamaged;
        break;
      }
      if (bits.Take(1) == 1) {
        if (!bits.Need(8)) {
          result = kLegacyDamaged;
          break;
        }
        c = bits.Take(8);
      } else {
        if (!bits.Need(indexBits)) {
          result = kLegacyDamaged;
          break;
        }
        const uint32_t index = bits.Take(indexBits);
        if (index >= n) {
          result = kLegacyDamaged;
          break;
        }
        c = followers[last * kMaxFollowers + index];
      }
    }
    last = c;

    switch (state) {
      case Escape::kPlain:
        if (c == kReduceEscape) {
          state = Escape::kAfterEscape;
        } else {
          sink.Put(static_cast<uint8_t>(c));
        }
        break;
      case Escape::kAfterEscape:
        if (c == 0) {
          sink.Put(kReduceEscape);
          state = Escape::kPlain;
        } else {
          escaped = c;
          length = c & fields.lengthMask;
          state = length == fields.lengthMask ? Escape::kLengthByte : Escape::kDistanceByte;
        }
        break;
      case Escape::kLengthByte:
        length += c;
        state = Escape::kDistanceByte;
        break;
      case Escape::kDistanceByte: {
        const uint32_t distance =
            ((escaped >> fields.distanceShift) & fields.distanceMask) * 256 + c + 1;
        sink.Copy(distance, length + kMinMatch);
        state = Escape::kPlain;
        break;
      }
    }
  }
  sink.Finish();
  return result;
}
