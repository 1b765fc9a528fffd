// Deflate decoding (RFC 1951) into the caller's 32 KB window, with no allocation.
//
// The Inflater runs block by block: a stored block is copied through the window; a fixed or
// dynamic Huffman block gets a literal/length and a distance table (built by
// BuildHuffmanTableAs in this file's own entry layouts, below, so that one lookup gives the
// number of bits to drop, the kind of symbol and its base value, and for short codes the final
// length with its extra bits already applied). Symbols are decoded in two loops: the fast loop
// runs while the input holds 8 more bytes and the window has room for one more iteration (three
// literals or one longest match), refilling its 64-bit bit buffer with one unaligned load and
// copying matches 8 or 16 bytes at a time; near the ends of the input or of the window the
// careful loop takes over, one symbol at a time with bounds checks. The window is handed to the
// output each time it fills and at the end. On x86 the fast loop is compiled twice, once for
// processors with BMI2, and the processor is asked once which may run.
#include "core/inflate.h"

#include <atomic>
#include <cstddef>
#include <cstring>

#include "core/huffman.h"
#include "core/processor.h"

#if defined(__GNUC__)
#define PELLORO_NOINLINE __attribute__((noinline))
#define PELLORO_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define PELLORO_NOINLINE
#define PELLORO_ALWAYS_INLINE inline
#endif

// On x86 the fast loop is also built for processors with BMI2, whose shifts by a register count
// and bit-field extraction take fewer instructions; it is chosen at run time.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PELLORO_INFLATE_BMI2 1
#endif

namespace {

std::atomic<bool> g_forcePortable{false};

// Lookup widths. The literal/length table's primary part (1,024 entries) holds every fixed code
// and most dynamic ones; the code-length codes are at most 7 bits and need no sub-tables.
constexpr unsigned kLitLenBits = 10;
constexpr unsigned kDistBits = 8;
constexpr unsigned kCodeLenBits = 7;
constexpr unsigned kMaxCodeLength = 15;

constexpr unsigned kLitLenSymbols = 288;  // 286 usable, 2 reserved (fixed table only)
constexpr unsigned kDistSymbols = 32;     // 30 usable, 2 reserved (fixed table only)
constexpr unsigned kMaxLitLenCodes = 286;
constexpr unsigned kMaxDistCodes = 30;
constexpr unsigned kCodeLenSymbols = 19;

constexpr size_t kLitLenTableSize = HuffmanTableBound(kLitLenSymbols, kLitLenBits, kMaxCodeLength);
constexpr size_t kDistTableSize = HuffmanTableBound(kDistSymbols, kDistBits, kMaxCodeLength);
constexpr size_t kCodeLenTableSize = size_t{1} << kCodeLenBits;

constexpr size_t kWindowSize = kDecoderWindowSize;
static_assert((kWindowSize & (kWindowSize - 1)) == 0, "window positions wrap by masking");
// The fast loop runs while one more iteration (up to three literals, or one 258-byte match whose
// copy may touch 16 bytes beyond its end) stays inside the window, so it never has to flush.
constexpr size_t kFastWindowLimit = kWindowSize - 258 - 16 - 8;
// The fast loop refills 8 bytes at once and consumes at most 48 bits per iteration.
constexpr ptrdiff_t kFastInputMargin = 8;

// The decoding loop's own entry layouts, which the table builder writes directly, so that the hot
// path needs as few steps as possible per symbol. Bits 0..4 of every entry hold the number of bits
// it consumes in total (code plus extra bits); bits 5..7 are 0, so `bits >>= entry & 63` drops them
// in one step.
//
// Literal/length entries with bit 31 set are literals, with the byte in bits 16..23. Other
// literal/length entries (bit 31 clear):
//   bit  29      end of block (bits 0..4: its code length)
//   bit  28      invalid code
//   bit  27      link: bits 0..4 hold the sub-table's index width, bits 8..23 its offset
//   otherwise a length: bits 8..13 the code length (the extra bits follow it), bit 15 set when
//   there are extra bits to add, bits 16..24 the base length. Where a code and its extra bits fit
//   the primary index together, the table holds the final length for each value of the extra
//   bits instead (bits 0..4 and 8..13 both the whole span, bit 15 clear).
constexpr uint32_t kLitLiteral = 1u << 31;
constexpr uint32_t kLitEnd = 1u << 29;
constexpr uint32_t kLitInvalid = 1u << 28;
constexpr uint32_t kLitLink = 1u << 27;
constexpr uint32_t kLitExtra = 1u << 15;
// Distance entries: bits 8..13 the code length, bit 14 link (bits 0..4 the sub-table's index
// width, bits 16..31 its offset), bit 15 invalid, bits 16..31 the base distance.
constexpr uint32_t kDistLink = 1u << 14;
constexpr uint32_t kDistInvalid = 1u << 15;

constexpr uint8_t kCodeLengthOrder[kCodeLenSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                       11, 4,  12, 3, 13, 2, 14, 1, 15};

// Symbol templates of the literal/length and distance alphabets in the loop's layout, without
// the code length (the table builder adds it, see the layouts below): a literal's byte, the end
// of block, a base length or distance with its extra-bit count in bits 0..4, or an invalid mark
// for the reserved symbols, which only the fixed code assigns.
struct SymbolTables {
  uint32_t litLen[kLitLenSymbols];
  uint32_t dist[kDistSymbols];
};

constexpr SymbolTables MakeSymbolTables() {
  SymbolTables t{};
  for (unsigned s = 0; s < 256; ++s) t.litLen[s] = kLitLiteral | (s << 16);
  t.litLen[256] = kLitEnd;
  unsigned base = 3;
  for (unsigned s = 257; s < 285; ++s) {
    const unsigned index = s - 257;
    const unsigned extra = index < 8 ? 0 : (index - 4) / 4;
    t.litLen[s] = (base << 16) | extra;
    base += 1u << extra;
  }
  t.litLen[285] = 258u << 16;
  t.litLen[286] = kLitInvalid;
  t.litLen[287] = kLitInvalid;
  base = 1;
  for (unsigned s = 0; s < 30; ++s) {
    const unsigned extra = s < 4 ? 0 : (s - 2) / 2;
    t.dist[s] = (base << 16) | extra;
    base += 1u << extra;
  }
  t.dist[30] = kDistInvalid;
  t.dist[31] = kDistInvalid;
  return t;
}

constexpr SymbolTables kSymbols = MakeSymbolTables();
// After a refill (56 bits or more) the literal path takes one code of up to 15 bits and two
// primary codes of up to kLitLenBits bits, and then looks up the next primary entry.
static_assert(15 + 3 * kLitLenBits <= 56, "three literals must leave a primary index");
static_assert(kSymbols.litLen[284] == ((227u << 16) | 5) &&
              kSymbols.dist[29] == ((24577u << 16) | 13));

// Length and distance entries: the code length in bits 8..13 and, added to the extra-bit count
// in bits 0..4, the total to drop (at most 15 + 13 bits, so bits 5..7 stay 0).
constexpr uint32_t ValueEntry(uint32_t info, unsigned length) {
  return info + (length << 8) + length;
}

// How the table builder writes the loop's layouts directly.
struct LitLenLayout {
  static uint32_t Entry(const uint32_t* info, unsigned symbol, unsigned length) {
    const uint32_t t = info[symbol];
    if (t & kLitInvalid) return t;
    if (t & (kLitLiteral | kLitEnd)) return t | length;
    return ValueEntry(t, length) | ((t & 31) != 0 ? kLitExtra : 0);
  }
  // Lengths with extra bits are folded where they fit the primary index.
  static unsigned FoldBits(const uint32_t* info, unsigned symbol) {
    const uint32_t t = info[symbol];
    return (t & (kLitInvalid | kLitLiteral | kLitEnd)) ? 0 : (t & 31);
  }
  static uint32_t FoldedEntry(const uint32_t* info, unsigned symbol, unsigned length,
                              uint32_t extra) {
    const uint32_t t = info[symbol];
    const uint32_t span = length + (t & 31);
    return (((t >> 16) + extra) << 16) | (span << 8) | span;
  }
  static uint32_t Link(uint32_t offset, unsigned subWidth, unsigned) {
    return kLitLink | (offset << 8) | subWidth;
  }
  static uint32_t Invalid(unsigned) { return kLitInvalid; }
};

struct DistLayout {
  static uint32_t Entry(const uint32_t* info, unsigned symbol, unsigned length) {
    const uint32_t t = info[symbol];
    return (t & kDistInvalid) ? t : ValueEntry(t, length);
  }
  static uint32_t Link(uint32_t offset, unsigned subWidth, unsigned) {
    return kDistLink | (offset << 16) | subWidth;
  }
  static uint32_t Invalid(unsigned) { return kDistInvalid; }
};

inline uint64_t Load64(const uint8_t* p) {
  // Little-endian assembly; compilers turn this into one load on little-endian targets.
  uint64_t v;
  std::memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

inline void Copy8(uint8_t* dst, const uint8_t* src) {
  uint64_t v;
  std::memcpy(&v, src, 8);
  std::memcpy(dst, &v, 8);
}

inline void Copy16(uint8_t* dst, const uint8_t* src) {
  uint8_t v[16];
  std::memcpy(v, src, 16);
  std::memcpy(dst, v, 16);
}

inline void Copy4(uint8_t* dst, const uint8_t* src) {
  uint32_t v;
  std::memcpy(&v, src, 4);
  std::memcpy(dst, &v, 4);
}

// Copies n bytes from src to dst = src + distance (distance >= 1) with the meaning of a forward
// byte-by-byte copy: where the regions overlap the copied bytes repeat. Writes nothing past
// dst + n, because the bytes there are still the window's history.
inline void CopyForward(uint8_t* dst, const uint8_t* src, size_t n) {
  size_t distance = static_cast<size_t>(dst - src);
  if (distance < 8) {
    if (distance == 1) {
      std::memset(dst, *src, n);
      return;
    }
    // The output repeats with period `distance`, so it also repeats with any multiple of it:
    // write the first bytes one at a time until a period of at least 8 is available.
    size_t period = distance;
    while (period < 8) period += distance;
    size_t i = 0;
    for (; i < n && i < period - distance; ++i) dst[i] = src[i];
    dst += i;
    n -= i;
    src = dst - period;
  }
  if (n >= 8) {
    size_t i = 0;
    for (; i + 8 < n; i += 8) Copy8(dst + i, src + i);
    // The last piece ends exactly at dst + n; it may overlap the previous one, whose bytes are
    // already final.
    Copy8(dst + n - 8, src + n - 8);
  } else if (n >= 4) {
    Copy4(dst, src);
    Copy4(dst + n - 4, src + n - 4);
  } else {
    for (size_t i = 0; i < n; ++i) dst[i] = src[i];
  }
}

// The bit buffer over the runs of the entry's data. When the data ends, the refill appends zero
// bytes and counts them in `phantom`: reading ahead is harmless, but a stream that consumes any
// of those bits is truncated.
struct BitReader {
  DecoderInput& input;
  const uint8_t* next = nullptr;
  const uint8_t* end = nullptr;
  uint64_t bits = 0;  // valid bits are the low `count`; bits above may hold read-ahead
  unsigned count = 0;
  unsigned phantom = 0;  // how many of the `count` bits lie past the end of the data
  bool inputDone = false;

  explicit BitReader(DecoderInput& in) : input(in) {}

  bool Overrun() const { return count < phantom; }

  // Tops the buffer up to 56..63 bits, one byte at a time, across runs (the fast refill shifts
  // by the count, so it must stay below 64).
  void RefillSlow() {
    bits &= (uint64_t{1} << count) - 1;
    while (count < 56) {
      if (next == end && !inputDone) {
        const uint8_t* run = nullptr;
        const size_t n = input.NextRun(&run);
        if (n == 0) {
          inputDone = true;
        } else {
          next = run;
          end = run + n;
        }
      }
      if (next != end) {
        bits |= uint64_t{*next++} << count;
      } else {
        phantom += 8;
      }
      count += 8;
    }
  }

  // Tops the buffer up to 56..63 bits: with one load while 8 bytes remain in the run (the bits
  // above `count` then hold the bytes that follow, which later refills OR in again unchanged),
  // else byte by byte.
  void Refill() {
    if (end - next >= 8) {
      bits |= Load64(next) << count;
      next += (63 - count) >> 3;
      count |= 56;
    } else {
      RefillSlow();
    }
  }

  // Takes n (<= 32) bits. The caller checks Overrun() before trusting the value.
  uint32_t Take(unsigned n) {
    if (count < n) Refill();
    const uint32_t v = static_cast<uint32_t>(bits & ((uint64_t{1} << n) - 1));
    bits >>= n;
    count -= n;
    return v;
  }

  void Drop(unsigned n) {
    bits >>= n;
    count -= n;
  }
};

inline uint32_t LookupLitLen(const uint32_t* table, uint64_t bits) {
  uint32_t e = table[bits & ((uint32_t{1} << kLitLenBits) - 1)];
  if ((e & (kLitLiteral | kLitLink)) == kLitLink) {
    e = table[((e >> 8) & 0xFFFFu) + ((bits >> kLitLenBits) & ((uint32_t{1} << (e & 31)) - 1))];
  }
  return e;
}

inline uint32_t LookupDist(const uint32_t* table, uint64_t bits) {
  uint32_t e = table[bits & ((uint32_t{1} << kDistBits) - 1)];
  if (e & kDistLink) {
    e = table[(e >> 16) + ((bits >> kDistBits) & ((uint32_t{1} << (e & 31)) - 1))];
  }
  return e;
}

// The extra bits of a length or distance entry: the entry's whole span (code and extra bits,
// bits 0..4) masked off the buffer, shifted down by the code length (bits 8..13).
inline size_t EntryExtra(uint32_t e, uint64_t bits) {
  return static_cast<size_t>((bits & ~(~uint64_t{0} << (e & 63))) >> ((e >> 8) & 63));
}

class Inflater {
 public:
  Inflater(DecoderInput& in, DecoderOutput& out, uint8_t* window)
      : bits_(in), out_(out), window_(window) {}

  int Run() {
    for (;;) {
      const uint32_t header = bits_.Take(3);
      if (bits_.Overrun()) return kInflateBadData;
      const bool final = (header & 1) != 0;
      int result;
      switch (header >> 1) {
        case 0:
          result = StoredBlock();
          break;
        case 1:
          result = FixedBlock();
          break;
        case 2:
          result = DynamicBlock();
          break;
        default:
          return kInflateBadBlock;
      }
      if (result != kInflateOk) return result;
      out_.BlockDone();
      if (final) break;
    }
    if (pos_ > 0) out_.Write(window_, pos_);
    return kInflateOk;
  }

 private:
  void FlushIfFull() {
    if (pos_ == kWindowSize) {
      out_.Write(window_, kWindowSize);
      pos_ = 0;
      wrapped_ = true;
    }
  }

  int StoredBlock() {
    // The length fields start at the next byte boundary.
    bits_.Drop(bits_.count & 7);
    const uint32_t len = bits_.Take(16);
    const uint32_t nlen = bits_.Take(16);
    if (bits_.Overrun() || (len ^ 0xFFFFu) != nlen) return kInflateBadData;
    size_t left = len;
    // Whole bytes still in the bit buffer come first.
    while (left > 0 && bits_.count >= 8) {
      if (bits_.count - 8 < bits_.phantom) return kInflateBadData;
      window_[pos_++] = static_cast<uint8_t>(bits_.bits);
      bits_.Drop(8);
      --left;
      FlushIfFull();
    }
    // The rest comes straight from the runs: bits read ahead of them are dropped, so that a later
    // refill starts from a clean buffer.
    bits_.bits &= (uint64_t{1} << bits_.count) - 1;
    while (left > 0) {
      if (bits_.next == bits_.end) {
        const uint8_t* run = nullptr;
        const size_t n = bits_.inputDone ? 0 : bits_.input.NextRun(&run);
        if (n == 0) {
          bits_.inputDone = true;
          return kInflateBadData;
        }
        bits_.next = run;
        bits_.end = run + n;
      }
      size_t n = static_cast<size_t>(bits_.end - bits_.next);
      if (n > left) n = left;
      if (n > kWindowSize - pos_) n = kWindowSize - pos_;
      std::memcpy(window_ + pos_, bits_.next, n);
      bits_.next += n;
      pos_ += n;
      left -= n;
      FlushIfFull();
    }
    return kInflateOk;
  }

  int FixedBlock() {
    if (!fixedLoaded_) {
      uint8_t lengths[kLitLenSymbols + kDistSymbols];
      for (unsigned s = 0; s < 144; ++s) lengths[s] = 8;
      for (unsigned s = 144; s < 256; ++s) lengths[s] = 9;
      for (unsigned s = 256; s < 280; ++s) lengths[s] = 7;
      for (unsigned s = 280; s < 288; ++s) lengths[s] = 8;
      for (unsigned s = 0; s < kDistSymbols; ++s) lengths[kLitLenSymbols + s] = 5;
      // Both sets are complete (the reserved symbols have codes but are marked invalid).
      const int result =
          BuildTables(lengths, kLitLenSymbols, lengths + kLitLenSymbols, kDistSymbols);
      if (result != kInflateOk) return result;
      fixedLoaded_ = true;
    }
    return HuffmanBlock();
  }

  // Maps a table builder result to an InflateResult. Incomplete sets are accepted only as one
  // 1-bit code, and (for distances) no code at all.
  static int Check(const HuffmanBuildResult& r, bool emptyAllowed) {
    switch (r.status) {
      case HuffmanStatus::kComplete:
        return kInflateOk;
      case HuffmanStatus::kIncomplete:
        return r.longestCode == 1 ? kInflateOk : kInflateBadData;
      case HuffmanStatus::kEmpty:
        return emptyAllowed ? kInflateOk : kInflateBadData;
      case HuffmanStatus::kOverSubscribed:
        return kInflateBadBlock;
      case HuffmanStatus::kBadLength:
        return kInflateBadData;
      case HuffmanStatus::kTableTooSmall:
        return kInflateNoMemory;
    }
    return kInflateBadData;
  }

  int BuildTables(const uint8_t* litLenLengths, unsigned litLenCount, const uint8_t* distLengths,
                  unsigned distCount) {
    fixedLoaded_ = false;
    const HuffmanBuildResult litLen = BuildHuffmanTableAs<LitLenLayout>(
        litLenLengths, litLenCount, kSymbols.litLen, kLitLenBits, litLen_, kLitLenTableSize, true);
    int result = Check(litLen, false);
    if (result != kInflateOk) return result;
    const HuffmanBuildResult dist = BuildHuffmanTableAs<DistLayout>(
        distLengths, distCount, kSymbols.dist, kDistBits, dist_, kDistTableSize, true);
    return Check(dist, true);
  }

  int DynamicBlock() {
    const uint32_t hlit = bits_.Take(5) + 257;
    const uint32_t hdist = bits_.Take(5) + 1;
    const uint32_t hclen = bits_.Take(4) + 4;
    if (bits_.Overrun()) return kInflateBadData;
    if (hlit > kMaxLitLenCodes || hdist > kMaxDistCodes) return kInflateBadData;

    uint8_t codeLenLengths[kCodeLenSymbols] = {};
    for (uint32_t i = 0; i < hclen; ++i)
      codeLenLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(bits_.Take(3));
    if (bits_.Overrun()) return kInflateBadData;
    fixedLoaded_ = false;
    int result = Check(BuildHuffmanTable(codeLenLengths, kCodeLenSymbols, nullptr, kCodeLenBits,
                                         codeLen_, kCodeLenTableSize, true),
                       false);
    if (result != kInflateOk) return result;

    uint8_t lengths[kMaxLitLenCodes + kMaxDistCodes];
    const uint32_t total = hlit + hdist;
    uint32_t n = 0;
    while (n < total) {
      if (bits_.count < 16) bits_.Refill();
      const uint32_t e = codeLen_[bits_.bits & ((1u << kCodeLenBits) - 1)];
      if (e & kHuffmanInvalid) return kInflateBadData;
      bits_.Drop(HuffmanCodeLength(e));
      const unsigned symbol = HuffmanValue(e);
      if (symbol < 16) {
        lengths[n++] = static_cast<uint8_t>(symbol);
      } else {
        uint8_t value = 0;
        uint32_t repeat;
        if (symbol == 16) {
          if (n == 0) return kInflateBadData;
          value = lengths[n - 1];
          repeat = 3 + bits_.Take(2);
        } else if (symbol == 17) {
          repeat = 3 + bits_.Take(3);
        } else {
          repeat = 11 + bits_.Take(7);
        }
        if (repeat > total - n) return kInflateBadData;
        std::memset(lengths + n, value, repeat);
        n += repeat;
      }
      if (bits_.Overrun()) return kInflateBadData;
    }
    // Without a code for the end of the block, the block could never end.
    if (lengths[256] == 0) return kInflateBadData;
    result = BuildTables(lengths, hlit, lengths + hlit, hdist);
    if (result != kInflateOk) return result;
    return HuffmanBlock();
  }

  // Copies a match whose source or destination may cross the window's end, flushing as the
  // window fills.
  void CopyMatchWrapping(size_t length, size_t distance) {
    while (length > 0) {
      const size_t src = pos_ >= distance ? pos_ - distance : pos_ + kWindowSize - distance;
      size_t n = length;
      if (n > kWindowSize - pos_) n = kWindowSize - pos_;
      if (n > kWindowSize - src) n = kWindowSize - src;
      if (src < pos_) {
        CopyForward(window_ + pos_, window_ + src, n);
      } else {
        // The source lies ahead of the destination (history from the previous window pass):
        // those bytes are read before they are overwritten.
        std::memmove(window_ + pos_, window_ + src, n);
      }
      pos_ += n;
      length -= n;
      FlushIfFull();
    }
  }

  // Fast loop: runs while at least 8 input bytes remain in the current run and a whole match
  // fits in the window, so refills are single loads and nothing needs flushing. Locals keep the
  // state in registers; the next literal/length entry is looked up before the current symbol is
  // finished, so the lookup overlaps the bookkeeping and the match copy. kWrapped tells whether
  // the window has been filled before: until then a distance may reach only back to its start,
  // and the bytes past the fill position are not history. Returns -1 when the slow path must
  // take over, else the block's result.
  //
  // The bit count is kept modulo 64 only: subtracting a whole entry takes its low six bits (the
  // bits to drop) off the count, and whatever lands in the higher bits is never looked at.
  template <bool kWrapped>
  PELLORO_ALWAYS_INLINE int FastLoopBody() {
    constexpr uint32_t kLitLenMask = (1u << kLitLenBits) - 1;
    const uint8_t* next = bits_.next;
    const uint8_t* const lastRefill = bits_.end - kFastInputMargin;
    uint64_t bits = bits_.bits;
    uint32_t count = bits_.count;
    size_t pos = pos_;
    uint8_t* const window = window_;
    int result = -1;
    bits |= Load64(next) << count;
    next += (63 - count) >> 3;
    count |= 56;
    uint32_t e = litLen_[bits & kLitLenMask];
    for (;;) {
      // Here the buffer holds at least 48 bits: a whole length/distance pair.
      if (e & kLitLiteral) {
        // Up to three literals per refill; the next entry is looked up as soon as the bits of
        // the current one are dropped.
        bits >>= e & 63;
        count -= e;
        window[pos++] = static_cast<uint8_t>(e >> 16);
        e = litLen_[bits & kLitLenMask];
        if (e & kLitLiteral) {
          bits >>= e & 63;
          count -= e;
          window[pos++] = static_cast<uint8_t>(e >> 16);
          e = litLen_[bits & kLitLenMask];
          if (e & kLitLiteral) {
            bits >>= e & 63;
            count -= e;
            window[pos++] = static_cast<uint8_t>(e >> 16);
            e = litLen_[bits & kLitLenMask];
          }
        }
        if (next > lastRefill || pos >= kFastWindowLimit) break;
        bits |= Load64(next) << (count & 63);
        next += (~count & 63) >> 3;
        count |= 56;
        continue;
      }
      if (e & (kLitLink | kLitEnd | kLitInvalid)) {
        if (e & kLitLink) {
          // A code longer than the primary index: the sub-table entry is a single code, and no
          // bits have been used yet.
          e = litLen_[((e >> 8) & 0xFFFFu) +
                      ((bits >> kLitLenBits) & ((uint32_t{1} << (e & 31)) - 1))];
          continue;
        }
        if (e & kLitInvalid) {
          result = kInflateBadData;
        } else {
          bits >>= e & 63;
          count -= e;
          result = kInflateOk;
        }
        break;
      }
      size_t length = e >> 16;
      if (e & kLitExtra) length = (length & 0x1FFu) + EntryExtra(e, bits);
      bits >>= e & 63;
      count -= e;
      e = dist_[bits & ((1u << kDistBits) - 1)];
      if (e & (kDistLink | kDistInvalid)) {
        if (e & kDistLink) {
          e = dist_[(e >> 16) + ((bits >> kDistBits) & ((uint32_t{1} << (e & 31)) - 1))];
        }
        if (e & kDistInvalid) {
          result = kInflateBadData;
          break;
        }
      }
      const size_t distance = (e >> 16) + EntryExtra(e, bits);
      bits >>= e & 63;
      count -= e;
      // The next entry is looked up before the refill, off the refill's load: the last refill
      // loaded 64 bits of input and this pair took at most 48 of them, so its primary index is
      // already in the buffer.
      e = litLen_[bits & kLitLenMask];
      const bool more = next <= lastRefill;
      if (more) {
        bits |= Load64(next) << (count & 63);
        next += (~count & 63) >> 3;
        count |= 56;
      }
      // Before the first wrap a distance may reach back to the start of the window; after it,
      // the whole window is history (no distance exceeds its size).
      if (!kWrapped && distance > pos) {
        result = kInflateBadData;
        break;
      }
      uint8_t* const dst = window + pos;
      // The source is either behind the destination in this window pass, or (after a wrap)
      // history ahead of it from the previous pass. 16-byte pieces work when the distance is at
      // least 16 and the source does not cross the window's end (which can only happen ahead):
      // a source ahead is read before anything overwrites it, since each piece is loaded before
      // it is stored and the destination stays behind the source.
      const size_t from = kWrapped ? (pos - distance) & (kWindowSize - 1) : pos - distance;
      if (kWrapped ? (distance >= 16) & (from + length + 16 <= kWindowSize) : distance >= 16) {
        const uint8_t* const src = window + from;
        // Whole 16-byte pieces, which may run up to 15 bytes past the match. After a wrap the
        // bytes there are still history: those are saved first and put back afterwards.
        uint8_t saved[16];
        if (kWrapped) std::memcpy(saved, dst + length, 16);
        Copy16(dst, src);
        if (length > 16) {
          size_t i = 16;
          do {
            Copy16(dst + i, src + i);
            i += 16;
          } while (i < length);
        }
        if (kWrapped) std::memcpy(dst + length, saved, 16);
        pos += length;
      } else if (distance <= pos) {
        const uint8_t* const src = dst - distance;
        if (distance >= 8) {
          // 8-byte pieces never read bytes they have not yet written; same save and restore.
          uint8_t saved[8];
          if (kWrapped) std::memcpy(saved, dst + length, 8);
          size_t i = 0;
          do {
            Copy8(dst + i, src + i);
            i += 8;
          } while (i < length);
          if (kWrapped) std::memcpy(dst + length, saved, 8);
        } else if (distance == 1) {
          // A run of one byte.
          const uint64_t run = uint64_t{dst[-1]} * 0x0101010101010101ull;
          uint8_t saved[8];
          if (kWrapped) std::memcpy(saved, dst + length, 8);
          size_t i = 0;
          do {
            std::memcpy(dst + i, &run, 8);
            i += 8;
          } while (i < length);
          if (kWrapped) std::memcpy(dst + length, saved, 8);
        } else {
          CopyForward(dst, src, length);
        }
        pos += length;
      } else {
        pos_ = pos;
        CopyMatchWrapping(length, distance);  // cannot fill the window here
        pos = pos_;
      }
      if (!more || pos >= kFastWindowLimit) break;
    }
    bits_.next = next;
    bits_.bits = bits;
    bits_.count = count & 63;
    pos_ = pos;
    return result;
  }

  PELLORO_NOINLINE int FastLoop() {
    return wrapped_ ? FastLoopBody<true>() : FastLoopBody<false>();
  }

#if defined(PELLORO_INFLATE_BMI2)
  __attribute__((target("bmi2"), noinline)) int FastLoopBmi2() {
    return wrapped_ ? FastLoopBody<true>() : FastLoopBody<false>();
  }
#endif

  int HuffmanBlock() {
    for (;;) {
      if (bits_.end - bits_.next >= kFastInputMargin && pos_ < kFastWindowLimit) {
#if defined(PELLORO_INFLATE_BMI2)
        static const bool bmi2 = Processor().bmi2;
        const int result =
            bmi2 && !g_forcePortable.load(std::memory_order_relaxed) ? FastLoopBmi2() : FastLoop();
#else
        const int result = FastLoop();
#endif
        if (result >= 0) return result;
        continue;
      }

      // Slow step: one code with refills across runs and the window's end.
      if (bits_.count < 48) bits_.Refill();
      uint32_t e = LookupLitLen(litLen_, bits_.bits);
      if (e & kLitLiteral) {
        bits_.Drop(e & 31);
        if (bits_.Overrun()) return kInflateBadData;
        window_[pos_++] = static_cast<uint8_t>(e >> 16);
        FlushIfFull();
        continue;
      }
      if (e & kLitInvalid) return kInflateBadData;
      if (e & kLitEnd) {
        bits_.Drop(e & 31);
        return bits_.Overrun() ? kInflateBadData : kInflateOk;
      }
      const size_t length = ((e >> 16) & 0x1FFu) + EntryExtra(e, bits_.bits);
      bits_.Drop(e & 31);
      e = LookupDist(dist_, bits_.bits);
      if (e & kDistInvalid) return kInflateBadData;
      const size_t distance = (e >> 16) + EntryExtra(e, bits_.bits);
      bits_.Drop(e & 31);
      if (bits_.Overrun()) return kInflateBadData;
      if (distance > pos_ && !wrapped_) return kInflateBadData;
      CopyMatchWrapping(length, distance);
    }
  }

  BitReader bits_;
  DecoderOutput& out_;
  uint8_t* const window_;
  size_t pos_ = 0;        // fill position in the window
  bool wrapped_ = false;  // the window has been filled (and flushed) at least once
  bool fixedLoaded_ = false;
  uint32_t litLen_[kLitLenTableSize];
  uint32_t dist_[kDistTableSize];
  uint32_t codeLen_[kCodeLenTableSize];
};

}  // namespace

int Inflate(DecoderInput& in, DecoderOutput& out, uint8_t* window) {
  Inflater inflater(in, out, window);
  return inflater.Run();
}

void ForceInflatePortableLoop(bool force) {
  g_forcePortable.store(force, std::memory_order_relaxed);
}
