#include "core/deflate.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/crc32.h"
#include "core/deflate_bit_writer.h"
#include "core/deflate_huffman.h"

namespace {

// Window: two halves; the upper one moves down once the position passes the slide point, so that
// every match source (at most kMaxDistance back) stays in the window.
constexpr unsigned kWindowSize = 65536;
constexpr unsigned kHalfWindow = 32768;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 258;
constexpr unsigned kMinLookahead = kMaxMatch + kMinMatch + 1;   // 262
constexpr unsigned kMaxDistance = kHalfWindow - kMinLookahead;  // 32,506: this far back can match
constexpr unsigned kSlidePoint = kHalfWindow + kMaxDistance;    // 65,274
// Hashing the string at a position reads two bytes behind it, also beyond the end of the input.
constexpr unsigned kWindowPadding = 8;
constexpr unsigned kHashBits = 15;
constexpr unsigned kHashMask = (1u << kHashBits) - 1;
constexpr unsigned kHashShift = 5;
// Prefix length of the second, longer chains of the search (see DeflateState). Hashing the inner
// strings of a match reads this many bytes from each, and the last inner string of a longest
// match must still find them all read in: no more than the lookahead kept behind the match start.
constexpr unsigned kLongPrefix = 5;
static_assert(kMaxMatch - 1 + kLongPrefix <= kMinLookahead);

constexpr unsigned kSymbolBufferSize = 40960;
constexpr unsigned kEstimateInterval = 4096;  // symbols between two block-size estimates
constexpr unsigned kMaxBlockSymbols = kSymbolBufferSize - 1;
constexpr unsigned kMaxBlockMatches = kSymbolBufferSize;

constexpr unsigned kLiteralLengthCodes = 286;
constexpr unsigned kFixedLiteralLengthCodes = 288;
constexpr unsigned kDistanceCodes = 30;
constexpr unsigned kCodeLengthCodes = 19;
constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kFirstLengthCode = 257;
constexpr unsigned kMaxCodeBits = 15;
constexpr unsigned kMaxCodeLengthBits = 7;
constexpr unsigned kStoredBlockMax = 65535;

// What each mode trades: chain links followed, the length that ends a search at once, the longest
// match whose inner positions are still hashed, and whether short far matches are dropped.
struct ModeTuning {
  unsigned chainLength;
  unsigned stopLength;
  unsigned hashLimit;
  bool dropFarShortMatches;
  // Whether the search also keeps chains of 4- and kLongPrefix-byte strings (see DeflateState):
  // worth their upkeep only when the chain searched is long.
  bool fourByteChains;
};
constexpr ModeTuning kModes[] = {
    {128, 64, 128, false, true},   // normal
    {4, 8, 8, false, false},       // fast
    {4096, 258, 258, true, true},  // maximum
};
// In maximum mode a 3-byte match farther back than this costs more than its literals.
constexpr unsigned kFarShortDistance = 4096;

constexpr uint8_t kLengthExtraBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint8_t kDistanceExtraBits[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t kCodeLengthOrder[kCodeLengthCodes] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                        11, 4,  12, 3, 13, 2, 14, 1, 15};

// Code lookup: match length - 3 to length code, distance - 1 to distance code (distances up to 256
// directly, larger ones by (distance - 1) / 128), and the base value of each code.
struct CodeTables {
  uint8_t lengthCode[256];
  uint8_t distanceCode[512];
  uint16_t lengthBase[29];
  uint16_t distanceBase[30];
  uint8_t fixedLengths[kFixedLiteralLengthCodes];
  uint16_t fixedCodes[kFixedLiteralLengthCodes];
  uint8_t fixedDistanceLengths[kDistanceCodes];
  uint16_t fixedDistanceCodes[kDistanceCodes];
};

CodeTables MakeCodeTables() {
  CodeTables t{};
  unsigned base = 0;
  for (unsigned code = 0; code < 28; ++code) {
    t.lengthBase[code] = static_cast<uint16_t>(base);
    for (unsigned j = 0; j < (1u << kLengthExtraBits[code]); ++j)
      t.lengthCode[base++] = static_cast<uint8_t>(code);
  }
  t.lengthBase[28] = kMaxMatch - kMinMatch;
  t.lengthCode[kMaxMatch - kMinMatch] = 28;  // 258 has a code of its own
  base = 0;
  for (unsigned code = 0; code < kDistanceCodes; ++code) {
    t.distanceBase[code] = static_cast<uint16_t>(base);
    const unsigned count = 1u << kDistanceExtraBits[code];
    for (unsigned j = 0; j < count; ++j) {
      const unsigned d = base + j;
      if (d < 256)
        t.distanceCode[d] = static_cast<uint8_t>(code);
      else
        t.distanceCode[256 + (d >> 7)] = static_cast<uint8_t>(code);
    }
    base += count;
  }
  for (unsigned i = 0; i < kFixedLiteralLengthCodes; ++i)
    t.fixedLengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
  AssignCanonicalCodes(t.fixedLengths, kFixedLiteralLengthCodes, t.fixedCodes);
  for (unsigned i = 0; i < kDistanceCodes; ++i) t.fixedDistanceLengths[i] = 5;
  AssignCanonicalCodes(t.fixedDistanceLengths, kDistanceCodes, t.fixedDistanceCodes);
  return t;
}

const CodeTables kTables = MakeCodeTables();

const CodeTables& Tables() { return kTables; }

inline unsigned DistanceCode(const CodeTables& t, unsigned distanceMinus1) {
  return distanceMinus1 < 256 ? t.distanceCode[distanceMinus1]
                              : t.distanceCode[256 + (distanceMinus1 >> 7)];
}

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The first three bytes at p as one value, read in one load (p[3] must be readable too, which the
// window padding ensures).
inline uint32_t Load24(const uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little)
    return Load32(p) & 0xFFFFFFu;
  else
    return Load32(p) >> 8;
}

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Number of equal leading bytes of a and b, from `from` up to limit, compared eight at a time.
inline unsigned MatchLength(const uint8_t* a, const uint8_t* b, unsigned from, unsigned limit) {
  unsigned len = from;
  while (len + 8 <= limit) {
    const uint64_t diff = Load64(a + len) ^ Load64(b + len);
    if (diff != 0) {
      if constexpr (std::endian::native == std::endian::little)
        return len + (static_cast<unsigned>(std::countr_zero(diff)) >> 3);
      else
        return len + (static_cast<unsigned>(std::countl_zero(diff)) >> 3);
    }
    len += 8;
  }
  while (len < limit && a[len] == b[len]) ++len;
  return len;
}

// Hash heads and chain links hold window positions; after the slide every position moves down by
// half a window and those that left the window become 0 (none).
inline void RebasePositions(uint16_t* table, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const unsigned v = table[i];
    table[i] = static_cast<uint16_t>((v & 0x7FFFu) & (0u - (v >> 15)));
  }
}

}  // namespace

struct DeflateState {
  // Inputs of one compression.
  ModeTuning tuning{};
  DeflateSource* source = nullptr;
  DeflateObserver* observer = nullptr;
  DeflateSymbolTrace* trace = nullptr;
  bool forceRawWholeInput = false;

  // Window and match finder.
  uint8_t window[kWindowSize + kWindowPadding];
  uint16_t head[1u << kHashBits];
  uint16_t chain[kHalfWindow];
  // A second set of chains that links only strings with the same 4-byte hash, so that a search
  // for a match longer than 3 bytes skips the many links of its 3-byte chain that cannot give
  // one. The 3-byte chain still decides which strings are searched: each inserted string gets its
  // running number among the strings of its 3-byte hash, and a string k links down that chain is
  // exactly k numbers older than its head (16 bits suffice: a window holds fewer strings).
  uint16_t head4[1u << kHashBits];
  uint16_t chain4[kHalfWindow];
  // The same for strings of kLongPrefix bytes: once the best match has that many, only a string
  // sharing one byte more can beat it, and this chain skips the shorter ones.
  uint16_t headLong[1u << kHashBits];
  uint16_t chainLong[kHalfWindow];
  // The running numbers: per 3-byte hash the strings inserted so far, per window position
  // (modulo half a window, like the chain links) the number its string got.
  uint16_t hashCount[1u << kHashBits];
  uint16_t sequence[kHalfWindow];
  unsigned position = 0;
  unsigned lookahead = 0;
  int64_t blockStart = 0;  // negative once the block's first bytes have left the window
  bool inputEnded = false;

  // Symbols of the current block.
  uint8_t literalOrLength[kSymbolBufferSize];
  uint16_t distances[kSymbolBufferSize];
  uint8_t matchFlags[kSymbolBufferSize / 8];
  unsigned symbols = 0;
  unsigned matches = 0;
  uint32_t literalLengthFreq[kFixedLiteralLengthCodes];
  uint32_t distanceFreq[kDistanceCodes];

  // Results.
  uint64_t inputLength = 0;  // input bytes of the blocks already ended
  uint64_t bytesRead = 0;
  uint32_t crc = kCrc32Initial;
  bool readError = false;
  bool rawCopy = false;

  DeflateBitWriter out;

  void Reset();
  void StartBlock();
  void Refill();
  void Slide();
  template <bool kFourByteChains>
  void Run();
  template <bool kFourByteChains>
  unsigned LongestMatch(unsigned pos, unsigned available, unsigned candidate, unsigned* start);
  inline bool RecordLiteral(uint8_t byte, unsigned pos);
  inline bool RecordMatch(unsigned length, unsigned distance, unsigned pos);
  inline bool BlockShouldEnd(unsigned pos);
  void EndBlock(bool final);
  void WriteStored(const uint8_t* data, uint64_t n, bool final);
  void WriteSymbols(const uint16_t* litCodes, const uint8_t* litLengths, const uint16_t* distCodes,
                    const uint8_t* distLengths);
  // The rolling hash ((h << 5) ^ c) & 0x7FFF keeps only the last three bytes fed, so the hash of
  // the string at pos is computed from its three bytes directly: the same value, without a
  // dependency from one position to the next.
  static unsigned HashAt(const uint8_t* p) {
    return ((static_cast<unsigned>(p[0]) << (2 * kHashShift)) ^
            (static_cast<unsigned>(p[1]) << kHashShift) ^ p[2]) &
           kHashMask;
  }
  // Any well-mixed hash of the four bytes at p serves here: it only narrows the candidates.
  static unsigned Hash4At(const uint8_t* p) {
    return (Load32(p) * 0x9E3779B1u) >> (32 - kHashBits);
  }
  static unsigned HashLongAt(const uint8_t* p) {
    const uint64_t prefix = std::endian::native == std::endian::little
                                ? Load64(p) << (64 - 8 * kLongPrefix)
                                : Load64(p) >> (64 - 8 * kLongPrefix);
    return static_cast<unsigned>((prefix * 0x9E3779B97F4A7C15ull) >> (64 - kHashBits));
  }
  // Makes pos the newest string of its hash and returns the previous one (0: none).
  template <bool kFourByteChains>
  unsigned InsertString(unsigned pos) {
    const unsigned h = HashAt(window + pos);
    const unsigned previous = head[h];
    const unsigned slot = pos & (kHalfWindow - 1);
    chain[slot] = static_cast<uint16_t>(previous);
    head[h] = static_cast<uint16_t>(pos);
    if constexpr (kFourByteChains) {
      sequence[slot] = hashCount[h]++;
      const unsigned h4 = Hash4At(window + pos);
      chain4[slot] = head4[h4];
      head4[h4] = static_cast<uint16_t>(pos);
      const unsigned hl = HashLongAt(window + pos);
      chainLong[slot] = headLong[hl];
      headLong[hl] = static_cast<uint16_t>(pos);
    }
    return previous;
  }
};

void DeflateState::Reset() {
  std::memset(window, 0, sizeof window);
  std::memset(head, 0, sizeof head);
  std::memset(chain, 0, sizeof chain);
  std::memset(head4, 0, sizeof head4);
  std::memset(chain4, 0, sizeof chain4);
  std::memset(headLong, 0, sizeof headLong);
  std::memset(chainLong, 0, sizeof chainLong);
  std::memset(hashCount, 0, sizeof hashCount);
  std::memset(sequence, 0, sizeof sequence);
  position = lookahead = 0;
  blockStart = 0;
  inputEnded = false;
  inputLength = bytesRead = 0;
  crc = kCrc32Initial;
  readError = rawCopy = false;
  StartBlock();
}

void DeflateState::StartBlock() {
  std::memset(literalLengthFreq, 0, sizeof literalLengthFreq);
  std::memset(distanceFreq, 0, sizeof distanceFreq);
  literalLengthFreq[kEndOfBlock] = 1;
  symbols = matches = 0;
}

void DeflateState::Slide() {
  std::memcpy(window, window + kHalfWindow, kHalfWindow);
  position -= kHalfWindow;
  blockStart -= kHalfWindow;
  RebasePositions(head, std::size(head));
  RebasePositions(chain, std::size(chain));
  if (tuning.fourByteChains) {
    RebasePositions(head4, std::size(head4));
    RebasePositions(chain4, std::size(chain4));
    RebasePositions(headLong, std::size(headLong));
    RebasePositions(chainLong, std::size(chainLong));
  }
}

void DeflateState::Refill() {
  if (position >= kSlidePoint) Slide();
  if (inputEnded) return;
  const size_t space = kWindowSize - lookahead - position;
  if (space == 0) return;
  const long got = source->Read(window + position + lookahead, space);
  if (got <= 0 || static_cast<unsigned long>(got) > space) {
    // A failed read ends the input and fails the entry: its data would be silently cut short.
    if (got != 0) readError = true;
    inputEnded = true;
    return;
  }
  const uint8_t* fresh = window + position + lookahead;
  crc = UpdateCrc32(crc, fresh, static_cast<size_t>(got));
  bytesRead += static_cast<uint64_t>(got);
  lookahead += static_cast<unsigned>(got);
}

// The longest match for the string at pos among the chain from candidate; *start gets its source.
template <bool kFourByteChains>
unsigned DeflateState::LongestMatch(unsigned pos, unsigned available, unsigned candidate,
                                    unsigned* start) {
  const uint8_t* scan = window + pos;
  // Never compare beyond the bytes available: the window behind them holds stale data.
  const unsigned maxLength = std::min(kMaxMatch, available);
  const unsigned stop = std::min(tuning.stopLength, maxLength);
  const unsigned limit = pos > kMaxDistance ? pos - kMaxDistance : 1;
  const uint16_t* const links = chain;
  unsigned chainLeft = tuning.chainLength;
  unsigned best = kMinMatch - 1;
  // Until a match is found, a candidate must share the first three bytes (the hash may collide).
  const uint32_t scanHead = Load24(scan);
  for (;;) {
    const uint8_t* match = window + candidate;
    if (Load24(match) == scanHead) {
      best = MatchLength(scan, match, kMinMatch, maxLength);
      *start = candidate;
      break;
    }
    candidate = links[candidate & (kHalfWindow - 1)];
    if (candidate < limit || --chainLeft == 0) return best;
  }
  if (best >= stop) return best;
  if constexpr (kFourByteChains) {
    // Only a string that shares at least 4 bytes can beat the first match, and every such string
    // is on the 4-byte chain. Those beyond the 3-byte chain's budget are older than its
    // (chainLength)th link: the first real 3-byte match found that old ends the search. Links of
    // the 4-byte chain that share fewer than 3 bytes are hash collisions and are passed over.
    const uint16_t newest = sequence[pos & (kHalfWindow - 1)];
    const unsigned budget = tuning.chainLength;
    // Once the best match has kLongPrefix - 1 bytes, only strings sharing kLongPrefix can beat it:
    // the longer chain holds them all. A best match as long as a chain's prefix lies on that chain
    // itself, so the walk continues behind it; otherwise it starts from the newest link, and the
    // links newer than the best match cannot beat it (they were searched already or collide).
    const auto firstLink = [&](const uint16_t* chainLinks, unsigned prefix) {
      return chainLinks[(best >= prefix ? *start : pos) & (kHalfWindow - 1)];
    };
    const uint16_t* links = best >= kLongPrefix - 1 ? chainLong : chain4;
    unsigned link = links == chainLong ? firstLink(chainLong, kLongPrefix) : firstLink(chain4, 4);
    uint32_t scanEnd = Load32(scan + best - 3);
    while (link >= limit) {
      unsigned next = links[link & (kHalfWindow - 1)];
      const uint8_t* match = window + link;
      if (Load24(match) == scanHead) {
        if (static_cast<uint16_t>(newest - sequence[link & (kHalfWindow - 1)]) > budget) break;
        if (Load32(match + best - 3) == scanEnd) {
          const unsigned len = MatchLength(scan, match, 0, maxLength);
          if (len > best) {
            best = len;
            *start = link;
            if (len >= stop) break;
            scanEnd = Load32(scan + best - 3);
            if (best >= kLongPrefix - 1 && links != chainLong) {
              links = chainLong;
              next = firstLink(chainLong, kLongPrefix);
            }
          }
        }
      }
      link = next;
    }
    return best;
  }
  // Then only a longer match counts: its four bytes ending at offset best must agree first
  // (best < maxLength, so the probe stays inside the available bytes).
  uint32_t scanEnd = Load32(scan + best - 3);
  candidate = links[candidate & (kHalfWindow - 1)];
  while (candidate >= limit && --chainLeft != 0) {
    // The next link does not depend on this candidate's bytes: load it first, so that walking the
    // chain overlaps the probes.
    const unsigned next = links[candidate & (kHalfWindow - 1)];
    const uint8_t* match = window + candidate;
    if (Load32(match + best - 3) == scanEnd) {
      const unsigned len = MatchLength(scan, match, 0, maxLength);
      if (len > best) {
        best = len;
        *start = candidate;
        if (len >= stop) break;
        scanEnd = Load32(scan + best - 3);
      }
    }
    candidate = next;
  }
  return best;
}

inline bool DeflateState::BlockShouldEnd(unsigned pos) {
  if (symbols % kEstimateInterval == 0) {
    uint64_t estimateBits = static_cast<uint64_t>(symbols) * 8;
    for (unsigned code = 0; code < kDistanceCodes; ++code)
      estimateBits += static_cast<uint64_t>(distanceFreq[code]) * (5 + kDistanceExtraBits[code]);
    const uint64_t blockInput = static_cast<uint64_t>(static_cast<int64_t>(pos) - blockStart);
    if (matches < symbols / 2 && estimateBits / 8 < blockInput / 2) return true;
  }
  return symbols == kMaxBlockSymbols || matches == kMaxBlockMatches;
}

inline bool DeflateState::RecordLiteral(uint8_t byte, unsigned pos) {
  if (trace) trace->Literal(byte);
  if ((symbols & 7) == 0) matchFlags[symbols >> 3] = 0;
  literalOrLength[symbols++] = byte;
  literalLengthFreq[byte]++;
  return BlockShouldEnd(pos);
}

inline bool DeflateState::RecordMatch(unsigned length, unsigned distance, unsigned pos) {
  if (trace) trace->Match(length, distance);
  const CodeTables& t = Tables();
  if ((symbols & 7) == 0) matchFlags[symbols >> 3] = 0;
  matchFlags[symbols >> 3] |= static_cast<uint8_t>(1u << (symbols & 7));
  literalOrLength[symbols++] = static_cast<uint8_t>(length - kMinMatch);
  distances[matches++] = static_cast<uint16_t>(distance - 1);
  literalLengthFreq[kFirstLengthCode + t.lengthCode[length - kMinMatch]]++;
  distanceFreq[DistanceCode(t, distance - 1)]++;
  return BlockShouldEnd(pos);
}

void DeflateState::WriteSymbols(const uint16_t* litCodes, const uint8_t* litLengths,
                                const uint16_t* distCodes, const uint8_t* distLengths) {
  const CodeTables& t = Tables();
  DeflateBitCursor cursor(out);
  unsigned m = 0;
  for (unsigned i = 0; i < symbols;) {
    const unsigned flags = matchFlags[i >> 3];
    const unsigned end = std::min(i + 8, symbols);
    if (flags == 0) {
      // Eight literals (at most 15 bits each): three fit between two flushes.
      for (unsigned k = 0; i < end; ++i, ++k) {
        const unsigned value = literalOrLength[i];
        cursor.Put(litCodes[value], litLengths[value]);
        if (k % 3 == 2) cursor.Flush();
      }
      cursor.Flush();
      continue;
    }
    for (; i < end; ++i) {
      const unsigned value = literalOrLength[i];
      if (flags & (1u << (i & 7))) {
        const unsigned lc = t.lengthCode[value];
        const unsigned d = distances[m++];
        const unsigned dc = DistanceCode(t, d);
        uint64_t bits = litCodes[kFirstLengthCode + lc];
        unsigned n = litLengths[kFirstLengthCode + lc];
        bits |= static_cast<uint64_t>(value - t.lengthBase[lc]) << n;
        n += kLengthExtraBits[lc];
        bits |= static_cast<uint64_t>(distCodes[dc]) << n;
        n += distLengths[dc];
        bits |= static_cast<uint64_t>(d - t.distanceBase[dc]) << n;
        n += kDistanceExtraBits[dc];
        cursor.Put(bits, n);
      } else {
        cursor.Put(litCodes[value], litLengths[value]);
      }
      cursor.Flush();
    }
  }
  cursor.Put(litCodes[kEndOfBlock], litLengths[kEndOfBlock]);
  cursor.Flush();
}

void DeflateState::WriteStored(const uint8_t* data, uint64_t n, bool final) {
  // A stored block holds at most 65,535 bytes; a longer block's input goes into several.
  do {
    const unsigned chunk = static_cast<unsigned>(std::min<uint64_t>(n, kStoredBlockMax));
    const bool last = final && chunk == n;
    out.Put(last ? 1 : 0, 3);
    out.AlignToByte();
    out.Put(chunk | (static_cast<uint64_t>(~chunk & 0xFFFFu) << 16), 32);
    out.Flush();
    out.PutBytes(data, chunk);
    data += chunk;
    n -= chunk;
  } while (n > 0);
}

void DeflateState::EndBlock(bool final) {
  const CodeTables& t = Tables();
  const uint64_t inputBytes = static_cast<uint64_t>(static_cast<int64_t>(position) - blockStart);
  const bool inWindow = blockStart >= 0;

  uint8_t litLengths[kFixedLiteralLengthCodes] = {};
  uint8_t distLengths[kDistanceCodes];
  BuildCodeLengths(literalLengthFreq, kLiteralLengthCodes, kMaxCodeBits, litLengths);
  BuildCodeLengths(distanceFreq, kDistanceCodes, kMaxCodeBits, distLengths);
  unsigned litCount = kLiteralLengthCodes;
  while (litCount > kFirstLengthCode && litLengths[litCount - 1] == 0) --litCount;
  unsigned distCount = kDistanceCodes;
  while (distCount > 1 && distLengths[distCount - 1] == 0) --distCount;

  CodeLengthOp ops[kLiteralLengthCodes + kDistanceCodes];
  size_t opCount = RunLengthCodeLengths(litLengths, litCount, ops);
  opCount += RunLengthCodeLengths(distLengths, distCount, ops + opCount);
  uint32_t clFreq[kCodeLengthCodes] = {};
  for (size_t i = 0; i < opCount; ++i) clFreq[ops[i].symbol]++;
  uint8_t clLengths[kCodeLengthCodes];
  BuildCodeLengths(clFreq, kCodeLengthCodes, kMaxCodeLengthBits, clLengths);
  unsigned clCount = kCodeLengthCodes;
  while (clCount > 4 && clLengths[kCodeLengthOrder[clCount - 1]] == 0) --clCount;

  // Sizes with dynamic and with fixed codes, in bits, without the 3 header bits.
  uint64_t dynamicBits = 5 + 5 + 4 + 3 * static_cast<uint64_t>(clCount);
  for (size_t i = 0; i < opCount; ++i)
    dynamicBits += clLengths[ops[i].symbol] + CodeLengthExtraBits(ops[i].symbol);
  uint64_t staticBits = 0;
  for (unsigned code = 0; code < kLiteralLengthCodes; ++code) {
    const uint64_t f = literalLengthFreq[code];
    if (f == 0) continue;
    const unsigned extra = code >= kFirstLengthCode ? kLengthExtraBits[code - kFirstLengthCode] : 0;
    dynamicBits += f * (litLengths[code] + extra);
    staticBits += f * (t.fixedLengths[code] + extra);
  }
  for (unsigned code = 0; code < kDistanceCodes; ++code) {
    const uint64_t f = distanceFreq[code];
    dynamicBits += f * (distLengths[code] + kDistanceExtraBits[code]);
    staticBits += f * (5 + kDistanceExtraBits[code]);
  }
  const uint64_t staticBytes = (staticBits + 3 + 7) / 8;
  const uint64_t optimalBytes = std::min((dynamicBits + 3 + 7) / 8, staticBytes);

  inputLength += inputBytes;
  const uint8_t* input = inWindow ? window + blockStart : nullptr;

  // The whole input in one final block that does not get smaller: written as it is, with no block
  // header, so that the result equals the bytes read. Once the block's first bytes have left the
  // window the raw copy cannot be made; the buffered symbols are coded instead.
  if (final && out.BitCount() == 0 && inWindow &&
      (inputBytes <= optimalBytes || forceRawWholeInput)) {
    out.PutBytes(input, inputBytes);
    rawCopy = true;
  } else if (inWindow && inputBytes + 4 <= optimalBytes) {
    WriteStored(input, inputBytes, final);
  } else if (staticBytes == optimalBytes) {
    out.Put((final ? 1 : 0) | (1u << 1), 3);
    WriteSymbols(t.fixedCodes, t.fixedLengths, t.fixedDistanceCodes, t.fixedDistanceLengths);
  } else {
    uint16_t litCodes[kFixedLiteralLengthCodes];
    uint16_t distCodes[kDistanceCodes];
    uint16_t clCodes[kCodeLengthCodes];
    AssignCanonicalCodes(litLengths, kFixedLiteralLengthCodes, litCodes);
    AssignCanonicalCodes(distLengths, kDistanceCodes, distCodes);
    AssignCanonicalCodes(clLengths, kCodeLengthCodes, clCodes);
    out.Put((final ? 1 : 0) | (2u << 1), 3);
    out.Put(litCount - kFirstLengthCode, 5);
    out.Put(distCount - 1, 5);
    out.Put(clCount - 4, 4);
    out.Flush();
    for (unsigned i = 0; i < clCount; ++i) {
      out.Put(clLengths[kCodeLengthOrder[i]], 3);
      out.Flush();
    }
    for (size_t i = 0; i < opCount; ++i) {
      const unsigned s = ops[i].symbol;
      out.Put(clCodes[s] | (static_cast<uint64_t>(ops[i].extra) << clLengths[s]),
              clLengths[s] + CodeLengthExtraBits(s));
      out.Flush();
    }
    WriteSymbols(litCodes, litLengths, distCodes, distLengths);
  }
  StartBlock();
  if (final) {
    out.AlignToByte();
    out.Drain();
  }
}

// The greedy parse: at each position the longest match found is taken when it has 3 bytes or
// more, else the literal. Position and lookahead live in locals here and go back to the state
// around the calls that use them (ending a block, refilling).
template <bool kFourByteChains>
void DeflateState::Run() {
  const ModeTuning mode = tuning;
  unsigned pos = position;
  unsigned available = lookahead;
  while (available != 0) {
    // The next position's hash head is needed soon; its load would otherwise stall the loop.
    __builtin_prefetch(&head[HashAt(window + pos + 1)]);
    if constexpr (kFourByteChains) {
      __builtin_prefetch(&head4[Hash4At(window + pos + 1)]);
      __builtin_prefetch(&headLong[HashLongAt(window + pos + 1)]);
    }
    const unsigned candidate = InsertString<kFourByteChains>(pos);
    unsigned length = 0;
    unsigned start = 0;
    if (candidate != 0 && pos - candidate <= kMaxDistance && available >= kMinMatch) {
      length = LongestMatch<kFourByteChains>(pos, available, candidate, &start);
      if (length == kMinMatch && mode.dropFarShortMatches && pos - start > kFarShortDistance)
        length = 0;
    }
    bool endBlock;
    if (length >= kMinMatch) {
      endBlock = RecordMatch(length, pos - start, pos);
      available -= length;
      // Long matches skip hashing their inner strings; the next string is hashed afresh anyway.
      if (length <= mode.hashLimit)
        for (unsigned p = pos + 1; p < pos + length; ++p) InsertString<kFourByteChains>(p);
      pos += length;
    } else {
      endBlock = RecordLiteral(window[pos], pos);
      available -= 1;
      pos += 1;
    }
    if (endBlock) {
      position = pos;
      EndBlock(false);
      blockStart = pos;
    }
    if (available < kMinLookahead && !inputEnded) {
      position = pos;
      lookahead = available;
      while (lookahead < kMinLookahead && !inputEnded) {
        Refill();
        if (observer) observer->Refilled(out.BitCount(), inputLength);
      }
      pos = position;
      available = lookahead;
    }
  }
  position = pos;
  lookahead = available;
}

DeflateCompressor::DeflateCompressor() : state_(std::make_unique<DeflateState>()) {}
DeflateCompressor::~DeflateCompressor() = default;

void DeflateCompressor::SetSymbolTraceForTesting(DeflateSymbolTrace* trace) {
  state_->trace = trace;
}
void DeflateCompressor::ForceRawWholeInputForTesting(bool force) {
  state_->forceRawWholeInput = force;
}

DeflateResult DeflateCompressor::Compress(int mode, DeflateSource& source, DeflateSink& sink,
                                          DeflateObserver* observer) {
  DeflateResult result;
  if (mode < 0 || mode >= static_cast<int>(std::size(kModes))) {
    result.crc = kCrc32Initial ^ 0xFFFFFFFFu;
    result.error = true;
    return result;
  }
  DeflateState& s = *state_;
  s.tuning = kModes[mode];
  s.source = &source;
  s.observer = observer;
  s.Reset();
  s.out.Start(&sink);

  // The first read takes half a window; more follow only while the lookahead is short.
  const long first = source.Read(s.window, kHalfWindow);
  if (first > 0 && static_cast<unsigned long>(first) <= kHalfWindow) {
    s.crc = UpdateCrc32(s.crc, s.window, static_cast<size_t>(first));
    s.bytesRead = static_cast<uint64_t>(first);
    s.lookahead = static_cast<unsigned>(first);
    while (s.lookahead < kMinLookahead && !s.inputEnded) s.Refill();
  } else {
    if (first != 0) s.readError = true;
    s.inputEnded = true;
  }

  if (s.tuning.fourByteChains)
    s.Run<true>();
  else
    s.Run<false>();

  if (observer) observer->InputDone();
  s.EndBlock(true);

  result.compressedBytes = s.out.ByteCount();
  result.bytesRead = s.bytesRead;
  result.crc = s.crc ^ 0xFFFFFFFFu;
  result.error = s.readError || s.out.Failed();
  result.rawCopy = s.rawCopy;
  return result;
}
