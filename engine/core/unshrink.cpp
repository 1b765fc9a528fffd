#include "core/unshrink.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr int kFirstWidth = 9;
constexpr int kMaxWidth = 13;
constexpr uint32_t kControlCode = 256;
constexpr uint32_t kFirstFreeCode = 257;
constexpr uint32_t kCodeCount = 8192;  // codes 0 to 8,191
constexpr uint16_t kUnused = 0xFFFF;   // prefix of a code that holds no string
constexpr uint32_t kSubcodeWiden = 1;
constexpr uint32_t kSubcodePartialClear = 2;

struct Tables {
  uint16_t prefix[kCodeCount];
  uint8_t suffix[kCodeCount];
  uint8_t stack[kCodeCount];  // a code's string, filled from its end
  bool isPrefix[kCodeCount];  // scratch of the partial clear
};

class Decoder {
 public:
  Decoder(Tables& t, DecoderInput& in, DecoderOutput& out, uint8_t* window, uint32_t size)
      : t_(t), bits_(in), sink_(out, window, static_cast<uint32_t>(kDecoderWindowSize), size) {}

  int Run() {
    const int result = Decode();
    sink_.Finish();
    return result;
  }

 private:
  int Decode() {
    for (uint32_t c = 0; c < 256; ++c) {
      t_.prefix[c] = 0;
      t_.suffix[c] = static_cast<uint8_t>(c);
    }
    for (uint32_t c = 256; c < kCodeCount; ++c) t_.prefix[c] = kUnused;

    if (sink_.Full()) return kLegacyOk;
    if (!bits_.Need(width_)) return kLegacyDamaged;
    uint32_t old = bits_.Take(width_);
    if (old >= kControlCode) return kLegacyDamaged;  // the first code is always a literal
    sink_.Put(static_cast<uint8_t>(old));

    while (!sink_.Full()) {
      if (!bits_.Need(width_)) return kLegacyDamaged;  // data ends before the size is produced
      const uint32_t code = bits_.Take(width_);
      if (code == kControlCode) {
        if (!bits_.Need(width_)) return kLegacyDamaged;
        const uint32_t subcode = bits_.Take(width_);
        if (subcode == kSubcodeWiden) {
          if (++width_ > kMaxWidth) return kLegacyDamaged;
        } else if (subcode == kSubcodePartialClear) {
          PartialClear();
        } else {
          return kLegacyDamaged;
        }
        continue;
      }
      const int result = Output(code, old);
      if (result != kLegacyOk) return result;
      old = code;
    }
    return kLegacyOk;
  }

  // Outputs the string of `code` and enters the previous code's string extended by its first byte.
  int Output(uint32_t code, uint32_t old) {
    uint32_t top = kCodeCount;
    uint32_t walk = code;
    const bool unused = t_.prefix[code] == kUnused;
    if (unused) {
      // The code the encoder has just made: the old string followed by its own first byte. Only
      // the next free code can be that.
      if (code != nextFree_) return kLegacyDamaged;
      --top;  // the last byte, known once the old string is on the stack
      walk = old;
    }
    while (walk >= kFirstFreeCode) {
      if (top == 0) return kLegacyChainTooLong;
      const uint16_t prefix = t_.prefix[walk];
      if (prefix == kUnused) return kLegacyDamaged;  // a chain through a cleared code
      t_.stack[--top] = t_.suffix[walk];
      walk = prefix;
    }
    if (walk == kControlCode || top == 0) return kLegacyDamaged;
    t_.stack[--top] = static_cast<uint8_t>(walk);
    const uint8_t first = t_.stack[top];
    if (unused) t_.stack[kCodeCount - 1] = first;

    for (uint32_t i = top; i < kCodeCount && !sink_.Full(); ++i) sink_.Put(t_.stack[i]);

    if (nextFree_ < kCodeCount) {
      t_.prefix[nextFree_] = static_cast<uint16_t>(old);
      t_.suffix[nextFree_] = first;
      AdvanceNextFree(nextFree_ + 1);
    }
    return kLegacyOk;
  }

  // Frees every code that is no other code's prefix (the leaves of the code tree).
  void PartialClear() {
    std::memset(t_.isPrefix, 0, sizeof t_.isPrefix);
    for (uint32_t c = kFirstFreeCode; c < kCodeCount; ++c) {
      if (t_.prefix[c] != kUnused) t_.isPrefix[t_.prefix[c]] = true;
    }
    for (uint32_t c = kFirstFreeCode; c < kCodeCount; ++c) {
      if (!t_.isPrefix[c]) t_.prefix[c] = kUnused;
    }
    AdvanceNextFree(kFirstFreeCode);
  }

  void AdvanceNextFree(uint32_t from) {
    nextFree_ = from;
    while (nextFree_ < kCodeCount && t_.prefix[nextFree_] != kUnused) ++nextFree_;
  }

  Tables& t_;
  LegacyBitReader bits_;
  LegacyWindowSink sink_;
  int width_ = kFirstWidth;
  uint32_t nextFree_ = kFirstFreeCode;
};

}  // namespace

int Unshrink(DecoderInput& in, DecoderOutput& out, uint8_t* window, uint32_t uncompressedSize) {
  std::unique_ptr<Tables> tables(new (std::nothrow) Tables);
  if (!tables) return kLegacyNoMemory;
  Decoder decoder(*tables, in, out, window, uncompressedSize);
  return decoder.Run();
}
