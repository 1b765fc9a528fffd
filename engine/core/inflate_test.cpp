#include "core/inflate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#if defined(PELLORO_HAVE_PEERS)
#include <unistd.h>
#include <zlib.h>

#include "core/zlib_peer_test_support.h"
#endif

#include "core/decoder_io.h"
#include "core/le_fields.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Collects the decoded pieces and remembers how they arrived.
class CollectingOutput : public DecoderOutput {
 public:
  void Write(const uint8_t* data, size_t n) override {
    data_.insert(data_.end(), data, data + n);
    pieces_.push_back(n);
  }
  void BlockDone() override { ++blocks_; }
  const Bytes& data() const { return data_; }
  const std::vector<size_t>& pieces() const { return pieces_; }
  int blocks() const { return blocks_; }

 private:
  Bytes data_;
  std::vector<size_t> pieces_;
  int blocks_ = 0;
};

struct Decoded {
  int result;
  Bytes data;
  std::vector<size_t> pieces;
  int blocks;
};

Decoded RunInflateOnce(const Bytes& stream, size_t chunk, bool portable) {
  MemoryDecoderInput in(stream.data(), stream.size(), chunk);
  CollectingOutput out;
  Bytes window(kDecoderWindowSize);
  ForceInflatePortableLoop(portable);
  const int result = Inflate(in, out, window.data());
  ForceInflatePortableLoop(false);
  return {result, out.data(), out.pieces(), out.blocks()};
}

// Decodes with the loop this processor gets and again with the portable one (the only one where
// the processor lacks BMI2): both must give the same result, bytes, pieces and blocks.
Decoded RunInflate(const Bytes& stream, size_t chunk = SIZE_MAX) {
  const Decoded d = RunInflateOnce(stream, chunk, false);
  const Decoded portable = RunInflateOnce(stream, chunk, true);
  EXPECT_EQ(portable.result, d.result);
  EXPECT_TRUE(portable.data == d.data) << "the portable loop decodes other bytes";
  EXPECT_EQ(portable.pieces, d.pieces);
  EXPECT_EQ(portable.blocks, d.blocks);
  return d;
}

#if defined(PELLORO_HAVE_PEERS)
using zlibpeer::DeflateRaw;
using zlibpeer::InflateRaw;

#endif  // PELLORO_HAVE_PEERS

// Sample data with what compressors meet: words, runs, short periods, noise, long repeats.
[[maybe_unused]] Bytes MixedData(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  const char* words[] = {"the ", "archive ", "window ", "deflate ", "entry ", "of ", "a ", "\n"};
  Bytes d;
  while (d.size() < size) {
    switch (rng() % 6) {
      case 0:
      case 1:
        for (int i = 0; i < 200; ++i) {
          const char* w = words[rng() % 8];
          d.insert(d.end(), w, w + std::char_traits<char>::length(w));
        }
        break;
      case 2:
        d.insert(d.end(), 50 + rng() % 400, static_cast<uint8_t>(rng()));
        break;
      case 3: {
        const size_t period = 2 + rng() % 14;
        for (size_t i = 0; i < 600; ++i) d.push_back(static_cast<uint8_t>('A' + i % period));
        break;
      }
      case 4:
        for (int i = 0; i < 500; ++i) d.push_back(static_cast<uint8_t>(rng()));
        break;
      case 5:
        if (d.size() > 40000) {
          const size_t from = d.size() - 1 - rng() % 32768;
          const size_t n = 100 + rng() % 2000;
          for (size_t i = 0; i < n; ++i) d.push_back(d[from + i]);
        }
        break;
    }
  }
  d.resize(size);
  return d;
}

void ExpectWindowPieces(const Decoded& d) {
  for (size_t i = 0; i + 1 < d.pieces.size(); ++i) ASSERT_EQ(d.pieces[i], kDecoderWindowSize);
  if (!d.pieces.empty()) {
    EXPECT_GT(d.pieces.back(), 0u);
    EXPECT_LE(d.pieces.back(), kDecoderWindowSize);
  }
}

#if defined(PELLORO_HAVE_PEERS)
TEST(InflatePeers, DecodesZlibStreamsOfEveryLevelAndStrategy) {
  const Bytes data = MixedData(300000, 7);
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  for (int strategy : strategies) {
    for (int level = 0; level <= 9; ++level) {
      SCOPED_TRACE("level " + std::to_string(level) + " strategy " + std::to_string(strategy));
      const Bytes stream = DeflateRaw(data, level, strategy);
      const Decoded d = RunInflate(stream);
      ASSERT_EQ(d.result, kInflateOk);
      ASSERT_EQ(d.data, data);
      ExpectWindowPieces(d);
      EXPECT_GE(d.blocks, 1);
    }
  }
}

TEST(InflatePeers, InputInSmallRunsGivesTheSameOutput) {
  const Bytes data = MixedData(120000, 11);
  for (int level : {1, 6, 9}) {
    const Bytes stream = DeflateRaw(data, level, Z_DEFAULT_STRATEGY);
    for (size_t chunk : {size_t{1}, size_t{3}, size_t{8}, size_t{9}, size_t{4093}, size_t{24576}}) {
      SCOPED_TRACE("level " + std::to_string(level) + " chunk " + std::to_string(chunk));
      const Decoded d = RunInflate(stream, chunk);
      ASSERT_EQ(d.result, kInflateOk);
      ASSERT_EQ(d.data, data);
    }
  }
}

// The raw deflate data of the first entry of a zip archive, found through its central directory.
Bytes FirstEntryData(const Bytes& zip) {
  if (zip.size() < 22) return {};
  size_t eocd = zip.size() - 22;
  while (eocd > 0 && GetLE32(zip.data() + eocd) != 0x06054b50u) --eocd;
  const size_t cd = GetLE32(zip.data() + eocd + 16);
  if (cd + 46 > zip.size() || GetLE32(zip.data() + cd) != 0x02014b50u) return {};
  if (GetLE16(zip.data() + cd + 10) != 8) return {};
  const size_t packed = GetLE32(zip.data() + cd + 20);
  const size_t local = GetLE32(zip.data() + cd + 42);
  if (local + 30 > zip.size()) return {};
  const size_t start =
      local + 30 + GetLE16(zip.data() + local + 26) + GetLE16(zip.data() + local + 28);
  if (start + packed > zip.size()) return {};
  return Bytes(zip.begin() + start, zip.begin() + start + packed);
}

Bytes ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

TEST(InflatePeers, DecodesEntriesOfZipAndSevenZip) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("inflate_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const Bytes data = MixedData(400000, 23);
  {
    std::ofstream f(dir / "sample.bin", std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    ASSERT_TRUE(f.good());
  }
  const std::string d = dir.string();
  struct Tool {
    const char* name;
    std::string command;
  };
  const Tool tools[] = {
      {"zip -9", "cd '" + d + "' && zip -q -9 zip9.zip sample.bin"},
      {"7z -mx9", "cd '" + d + "' && 7z a -tzip -mx9 -bd sz9.zip sample.bin >/dev/null"},
  };
  const char* archives[] = {"zip9.zip", "sz9.zip"};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(tools[i].name);
    ASSERT_EQ(std::system(tools[i].command.c_str()), 0);
    const Bytes stream = FirstEntryData(ReadFile(dir / archives[i]));
    ASSERT_FALSE(stream.empty());
    const Decoded out = RunInflate(stream, 24576);
    EXPECT_EQ(out.result, kInflateOk);
    EXPECT_EQ(out.data, data);
  }
  std::filesystem::remove_all(dir);
}
#endif  // PELLORO_HAVE_PEERS

// Writes a deflate stream bit by bit, least significant bit first; Huffman codes go most
// significant bit first.
class BitWriter {
 public:
  void Bits(uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i) Bit((value >> i) & 1u);
  }
  void Code(uint32_t code, unsigned len) {
    for (unsigned i = len; i-- > 0;) Bit((code >> i) & 1u);
  }
  void Align() {
    while (used_ != 0) Bit(0);
  }
  void Byte(uint8_t b) { Bits(b, 8); }
  Bytes Finish() {
    Align();
    return bytes_;
  }

  // Fixed-Huffman codes.
  void FixedSymbol(unsigned s) {
    if (s < 144)
      Code(0x30 + s, 8);
    else if (s < 256)
      Code(0x190 + (s - 144), 9);
    else if (s < 280)
      Code(s - 256, 7);
    else
      Code(0xC0 + (s - 280), 8);
  }

 private:
  void Bit(uint32_t b) {
    if (used_ == 0) bytes_.push_back(0);
    bytes_.back() |= static_cast<uint8_t>(b << used_);
    used_ = (used_ + 1) & 7;
  }
  Bytes bytes_;
  unsigned used_ = 0;
};

// Length and distance symbols with their extra bits, from the deflate tables.
struct SymbolAndExtra {
  unsigned symbol, extraBits, extra;
};
SymbolAndExtra LengthSymbol(unsigned length) {
  static const unsigned base[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const unsigned extra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  for (int i = 28; i >= 0; --i) {
    if (length >= base[i]) return {257u + i, extra[i], length - base[i]};
  }
  return {0, 0, 0};
}
SymbolAndExtra DistanceSymbol(unsigned distance) {
  for (int code = 29; code >= 0; --code) {
    const unsigned extra = code < 4 ? 0 : (code - 2) / 2;
    unsigned base = 1;
    for (int c = 0; c < code; ++c) base += 1u << (c < 4 ? 0 : (c - 2) / 2);
    if (distance >= base) return {unsigned(code), extra, distance - base};
  }
  return {0, 0, 0};
}

void FixedMatch(BitWriter& w, unsigned length, unsigned distance) {
  const SymbolAndExtra l = LengthSymbol(length);
  w.FixedSymbol(l.symbol);
  w.Bits(l.extra, l.extraBits);
  const SymbolAndExtra d = DistanceSymbol(distance);
  w.Code(d.symbol, 5);
  w.Bits(d.extra, d.extraBits);
}

// Canonical codes for a set of lengths (most significant bit first).
std::vector<uint32_t> Canonical(const std::vector<uint8_t>& lengths) {
  unsigned count[17] = {};
  for (uint8_t l : lengths) ++count[l];
  count[0] = 0;
  uint32_t next[17] = {};
  uint32_t code = 0;
  for (unsigned len = 1; len <= 16; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); ++s) {
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  }
  return codes;
}

// A dynamic block header: the literal/length and distance lengths sent with a code-length code
// that gives each of the lengths 0..15 a 4-bit code (plus, when asked, the repeat codes as raw
// symbols in `lengthSymbols`). Returns the codes for the block's symbols.
struct DynamicCodes {
  std::vector<uint8_t> litLenLengths, distLengths;
  std::vector<uint32_t> litLen, dist;
};
struct CodeLengthSymbol {
  unsigned symbol, extraBits, extra;
};
DynamicCodes DynamicHeader(BitWriter& w, bool final, const std::vector<uint8_t>& litLen,
                           const std::vector<uint8_t>& dist,
                           const std::vector<CodeLengthSymbol>* lengthSymbols = nullptr,
                           const std::vector<uint8_t>* codeLengthLengths = nullptr) {
  w.Bits(final ? 1 : 0, 1);
  w.Bits(2, 2);
  w.Bits(static_cast<uint32_t>(litLen.size() - 257), 5);
  w.Bits(static_cast<uint32_t>(dist.size() - 1), 5);
  // 0..15 with 4 bits each; 16, 17, 18 unused: a complete set.
  std::vector<uint8_t> clLengths(19, 4);
  clLengths[16] = clLengths[17] = clLengths[18] = 0;
  if (codeLengthLengths) clLengths = *codeLengthLengths;
  static const uint8_t order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                    11, 4,  12, 3, 13, 2, 14, 1, 15};
  w.Bits(19 - 4, 4);
  for (int i = 0; i < 19; ++i) w.Bits(clLengths[order[i]], 3);
  const std::vector<uint32_t> clCodes = Canonical(clLengths);
  if (lengthSymbols) {
    for (const CodeLengthSymbol& s : *lengthSymbols) {
      w.Code(clCodes[s.symbol], clLengths[s.symbol]);
      w.Bits(s.extra, s.extraBits);
    }
  } else {
    for (uint8_t l : litLen) w.Code(clCodes[l], clLengths[l]);
    for (uint8_t l : dist) w.Code(clCodes[l], clLengths[l]);
  }
  return {litLen, dist, Canonical(litLen), Canonical(dist)};
}

void Put(BitWriter& w, const DynamicCodes& c, unsigned symbol) {
  w.Code(c.litLen[symbol], c.litLenLengths[symbol]);
}

// Literal/length lengths giving 'a', 'b', end of block and length symbol 257 (length 3) 2-bit
// codes: a complete set.
std::vector<uint8_t> SmallLitLen() {
  std::vector<uint8_t> l(258, 0);
  l['a'] = l['b'] = l[256] = l[257] = 2;
  return l;
}

TEST(InflateStreams, HandBuiltBlocks) {
  struct Case {
    const char* name;
    Bytes stream;
    int result;
    std::string output;  // checked when result is kInflateOk
  };
  std::vector<Case> cases;
  cases.push_back({"empty stored final block", {0x01, 0x00, 0x00, 0xFF, 0xFF}, kInflateOk, ""});
  cases.push_back(
      {"stored block", {0x01, 0x03, 0x00, 0xFC, 0xFF, 'x', 'y', 'z'}, kInflateOk, "xyz"});
  cases.push_back(
      {"LEN/NLEN mismatch", {0x01, 0x05, 0x00, 0xFA, 0xFE, 1, 2, 3, 4, 5}, kInflateBadData, ""});
  cases.push_back(
      {"stored data cut short", {0x01, 0x05, 0x00, 0xFA, 0xFF, 1, 2}, kInflateBadData, ""});
  cases.push_back({"stored header cut short", {0x01, 0x05, 0x00}, kInflateBadData, ""});
  cases.push_back({"block type 3", {0x07, 0x00, 0x00}, kInflateBadBlock, ""});
  cases.push_back({"no data at all", {}, kInflateBadData, ""});
  cases.push_back({"trailing bytes after the final block are ignored",
                   {0x01, 0x01, 0x00, 0xFE, 0xFF, 'q', 0xDE, 0xAD},
                   kInflateOk,
                   "q"});
  {
    BitWriter w;  // fixed block: "ab" then a 5-byte match at distance 2
    w.Bits(1, 1);
    w.Bits(1, 2);
    w.FixedSymbol('a');
    w.FixedSymbol('b');
    FixedMatch(w, 5, 2);
    w.FixedSymbol(256);
    cases.push_back({"fixed block with an overlapping match", w.Finish(), kInflateOk, "abababa"});
  }
  {
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    w.FixedSymbol('a');
    FixedMatch(w, 3, 2);
    w.FixedSymbol(256);
    cases.push_back({"distance before the start of the output", w.Finish(), kInflateBadData, ""});
  }
  for (unsigned reserved : {286u, 287u}) {
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    w.FixedSymbol('a');
    w.FixedSymbol(reserved);
    w.Bits(0, 16);
    cases.push_back({"reserved length symbol", w.Finish(), kInflateBadData, ""});
  }
  for (unsigned reserved : {30u, 31u}) {
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    w.FixedSymbol('a');
    w.FixedSymbol(257);
    w.Code(reserved, 5);
    w.FixedSymbol(256);
    cases.push_back({"reserved distance symbol", w.Finish(), kInflateBadData, ""});
  }
  {
    BitWriter w;  // a non-final empty stored block, then a fixed final block
    w.Bits(0, 1);
    w.Bits(0, 2);
    w.Align();
    w.Bits(0, 16);
    w.Bits(0xFFFF, 16);
    w.Bits(1, 1);
    w.Bits(1, 2);
    w.FixedSymbol('z');
    w.FixedSymbol(256);
    cases.push_back({"empty stored block then fixed block", w.Finish(), kInflateOk, "z"});
  }
  {
    BitWriter w;  // a single 1-bit distance code is accepted
    DynamicCodes c = DynamicHeader(w, true, SmallLitLen(), {1});
    Put(w, c, 'a');
    Put(w, c, 'b');
    Put(w, c, 257);
    w.Code(c.dist[0], 1);
    Put(w, c, 256);
    cases.push_back({"single 1-bit distance code", w.Finish(), kInflateOk, "abbbb"});
  }
  {
    BitWriter w;  // ...but its unused 1-bit pattern is an invalid code
    DynamicCodes c = DynamicHeader(w, true, SmallLitLen(), {1});
    Put(w, c, 'a');
    Put(w, c, 257);
    w.Code(1, 1);
    Put(w, c, 256);
    cases.push_back({"unused half of a 1-bit distance set", w.Finish(), kInflateBadData, ""});
  }
  {
    BitWriter w;  // no distance codes at all: a block of literals only
    DynamicCodes c = DynamicHeader(w, true, SmallLitLen(), {0});
    Put(w, c, 'b');
    Put(w, c, 'a');
    Put(w, c, 256);
    cases.push_back({"all-zero distance set", w.Finish(), kInflateOk, "ba"});
  }
  {
    BitWriter w;  // ...where a match has no distance code to use
    DynamicCodes c = DynamicHeader(w, true, SmallLitLen(), {0});
    Put(w, c, 'b');
    Put(w, c, 257);
    w.Bits(0, 8);
    Put(w, c, 256);
    cases.push_back({"match in a block without distance codes", w.Finish(), kInflateBadData, ""});
  }
  {
    BitWriter w;
    std::vector<uint8_t> l = SmallLitLen();
    l[257] = 0;  // three 2-bit codes: incomplete
    DynamicCodes c = DynamicHeader(w, true, l, {1, 1});
    Put(w, c, 'a');
    Put(w, c, 256);
    cases.push_back({"incomplete literal/length set", w.Finish(), kInflateBadData, ""});
  }
  {
    BitWriter w;
    DynamicCodes c = DynamicHeader(w, true, SmallLitLen(), {2, 2, 2});
    Put(w, c, 'a');
    Put(w, c, 256);
    cases.push_back({"incomplete distance set", w.Finish(), kInflateBadData, ""});
  }
  {
    BitWriter w;
    std::vector<uint8_t> l = SmallLitLen();
    l['c'] = 2;  // five 2-bit codes
    DynamicHeader(w, true, l, {1, 1});
    cases.push_back({"over-subscribed literal/length set", w.Finish(), kInflateBadBlock, ""});
  }
  {
    BitWriter w;
    DynamicHeader(w, true, SmallLitLen(), {1, 1, 1});
    cases.push_back({"over-subscribed distance set", w.Finish(), kInflateBadBlock, ""});
  }
  {
    BitWriter w;
    std::vector<uint8_t> cl(19, 4);  // 19 codes of 4 bits
    DynamicHeader(w, true, SmallLitLen(), {1, 1}, nullptr, &cl);
    cases.push_back({"over-subscribed code-length set", w.Finish(), kInflateBadBlock, ""});
  }
  {
    BitWriter w;
    std::vector<uint8_t> cl(19, 0);
    cl[2] = 2;  // one 2-bit code
    DynamicHeader(w, true, SmallLitLen(), {1, 1}, nullptr, &cl);
    cases.push_back({"incomplete code-length set", w.Finish(), kInflateBadData, ""});
  }
  {
    BitWriter w;
    std::vector<uint8_t> l = SmallLitLen();
    l[256] = 0;
    l['c'] = 2;
    DynamicCodes c = DynamicHeader(w, true, l, {1, 1});
    Put(w, c, 'a');
    cases.push_back({"literal/length set without end of block", w.Finish(), kInflateBadData, ""});
  }
  {
    // Code-length code with 0..15 and 16, 17, 18: 15 codes of 4 bits and 4 of 6 bits.
    std::vector<uint8_t> cl(19, 4);
    cl[15] = cl[16] = cl[17] = cl[18] = 6;
    const std::vector<uint8_t> lit = SmallLitLen();
    {
      BitWriter w;  // a repeat of the previous length as the very first symbol
      std::vector<CodeLengthSymbol> syms = {{16, 2, 0}};
      DynamicHeader(w, true, lit, {1, 1}, &syms, &cl);
      cases.push_back({"repeat with no previous length", w.Finish(), kInflateBadData, ""});
    }
    {
      BitWriter w;  // zeros running past the declared number of lengths
      std::vector<CodeLengthSymbol> syms = {{18, 7, 127}, {18, 7, 127}, {18, 7, 127}};
      DynamicHeader(w, true, lit, {1, 1}, &syms, &cl);
      cases.push_back({"repeat past the last length", w.Finish(), kInflateBadData, ""});
    }
    {
      BitWriter w;  // SmallLitLen and four 2-bit distance codes, sent with all three repeats
      const std::vector<CodeLengthSymbol> syms = {
          {18, 7, 97 - 11}, {2, 0, 0}, {2, 0, 0}, {18, 7, 138 - 11}, {17, 3, 10 - 3},
          {17, 3, 9 - 3},   {2, 0, 0}, {2, 0, 0}, {2, 0, 0},         {16, 2, 0}};
      DynamicCodes c = DynamicHeader(w, true, lit, {2, 2, 2, 2}, &syms, &cl);
      Put(w, c, 'a');
      Put(w, c, 257);
      w.Code(c.dist[0], 2);
      Put(w, c, 256);
      cases.push_back({"lengths sent with repeat codes", w.Finish(), kInflateOk, "aaaa"});
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t chunk : {SIZE_MAX, size_t{1}}) {
      const Decoded d = RunInflate(c.stream, chunk);
      EXPECT_EQ(d.result, c.result);
      if (c.result == kInflateOk) {
        EXPECT_EQ(std::string(d.data.begin(), d.data.end()), c.output);
      }
    }
#if defined(PELLORO_HAVE_PEERS)
    // zlib agrees on every stream here: it decodes the valid ones alike and refuses the others.
    Bytes z;
    const bool zlibOk = InflateRaw(c.stream, &z);
    EXPECT_EQ(zlibOk, c.result == kInflateOk);
    if (zlibOk) EXPECT_EQ(std::string(z.begin(), z.end()), c.output);
#endif
  }
}

TEST(InflateStreams, EveryLengthWithShortAndLongLengthCodes) {
  // Every match length 3..258 at distance 3 after "abc", in a dynamic block whose length codes
  // are either 5 bits (a code and its extra bits always fit the primary lookup together) or 14
  // and 15 bits (past the primary lookup, extra bits read separately). The output runs past the
  // window's end.
  struct Case {
    const char* name;
    std::vector<uint8_t> litLen;
  };
  std::vector<uint8_t> shortCodes(286, 0);
  for (unsigned s = 256; s < 286; ++s) shortCodes[s] = 5;
  shortCodes['c'] = 5;
  shortCodes['a'] = shortCodes['b'] = 6;
  std::vector<uint8_t> longCodes(286, 0);
  for (unsigned i = 0; i < 10; ++i) longCodes['a' + i] = static_cast<uint8_t>(i + 1);
  for (unsigned s = 258; s < 286; ++s) longCodes[s] = 15;
  longCodes[256] = longCodes[257] = 14;
  const Case cases[] = {{"short length codes", shortCodes}, {"long length codes", longCodes}};
  std::vector<uint8_t> distLengths(30, 5);
  distLengths[0] = distLengths[1] = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BitWriter w;
    const DynamicCodes codes = DynamicHeader(w, true, c.litLen, distLengths);
    std::string expected = "abc";
    for (char ch : expected) Put(w, codes, static_cast<unsigned char>(ch));
    for (unsigned length = 3; length <= 258; ++length) {
      const SymbolAndExtra l = LengthSymbol(length);
      Put(w, codes, l.symbol);
      w.Bits(l.extra, l.extraBits);
      const SymbolAndExtra d = DistanceSymbol(3);
      w.Code(codes.dist[d.symbol], distLengths[d.symbol]);
      w.Bits(d.extra, d.extraBits);
      for (unsigned k = 0; k < length; ++k) expected.push_back(expected[expected.size() - 3]);
    }
    Put(w, codes, 256);
    const Bytes stream = w.Finish();
    for (size_t chunk : {SIZE_MAX, size_t{9}}) {
      const Decoded d = RunInflate(stream, chunk);
      ASSERT_EQ(d.result, kInflateOk);
      ASSERT_EQ(std::string(d.data.begin(), d.data.end()), expected);
      ExpectWindowPieces(d);
    }
#if defined(PELLORO_HAVE_PEERS)
    Bytes z;
    ASSERT_TRUE(InflateRaw(stream, &z));
    EXPECT_EQ(std::string(z.begin(), z.end()), expected);
#endif
  }
}

TEST(InflateStreams, LongestMatchAtLongestDistanceAcrossTheWindowEnd) {
  // 65,468 stored bytes put the window position 68 bytes before its end with a full window of
  // history; a 258-byte match at distance 32,768 then wraps. Also distances just short of that.
  std::mt19937 rng(32768);
  Bytes data(65468);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  for (unsigned distance : {32768u, 32767u, 32700u, 32511u, 300u, 68u, 16u, 15u, 1u}) {
    SCOPED_TRACE(distance);
    BitWriter w;
    w.Bits(0, 1);
    w.Bits(0, 2);
    w.Align();
    w.Bits(static_cast<uint32_t>(data.size()), 16);
    w.Bits(static_cast<uint32_t>(~data.size()) & 0xFFFF, 16);
    for (uint8_t b : data) w.Byte(b);
    w.Bits(1, 1);
    w.Bits(1, 2);
    FixedMatch(w, 258, distance);
    FixedMatch(w, 258, distance);
    w.FixedSymbol(256);
    const Bytes stream = w.Finish();
    Bytes expected = data;
    for (int i = 0; i < 2 * 258; ++i) expected.push_back(expected[expected.size() - distance]);
    for (size_t chunk : {SIZE_MAX, size_t{1}, size_t{7}}) {
      const Decoded d = RunInflate(stream, chunk);
      ASSERT_EQ(d.result, kInflateOk);
      ASSERT_EQ(d.data, expected);
      ExpectWindowPieces(d);
    }
#if defined(PELLORO_HAVE_PEERS)
    Bytes z;
    ASSERT_TRUE(InflateRaw(stream, &z));
    EXPECT_EQ(z, expected);
#endif
    // Cut anywhere, the stream fails (bits past the data are never used) with a prefix of the
    // output.
    for (size_t cut : {size_t{0}, size_t{3}, size_t{5}, size_t{4000}, stream.size() - 40,
                       stream.size() - 2, stream.size() - 1}) {
      const Decoded d = RunInflate(Bytes(stream.begin(), stream.begin() + cut), 4096);
      ASSERT_EQ(d.result, kInflateBadData) << "cut at " << cut;
      ASSERT_TRUE(std::equal(d.data.begin(), d.data.end(), expected.begin()));
    }
  }
}

#if defined(PELLORO_HAVE_PEERS)
TEST(InflateStreams, MatchesReachingFarBackAfterTheWindowWraps) {
  // Every distance class right after each window wrap, where the source lies in the previous
  // pass of the window: zlib builds such streams at level 9 from data that repeats at long range.
  std::mt19937 rng(5);
  Bytes block(40000);
  for (auto& b : block) b = static_cast<uint8_t>('a' + rng() % 4);
  Bytes data;
  for (int i = 0; i < 6; ++i) data.insert(data.end(), block.begin() + i * 1000, block.end());
  const Bytes stream = DeflateRaw(data, 9, Z_DEFAULT_STRATEGY);
  const Decoded d = RunInflate(stream);
  ASSERT_EQ(d.result, kInflateOk);
  EXPECT_EQ(d.data, data);
}

TEST(InflateStreams, TruncatedStreamsFailWithinBounds) {
  const Bytes data = MixedData(70000, 99);
  for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED}) {
    for (int level : {0, 6}) {
      const Bytes stream = DeflateRaw(data, level, strategy);
      SCOPED_TRACE("level " + std::to_string(level));
      const size_t step = stream.size() / 97 + 1;
      for (size_t cut = 0; cut < stream.size(); cut += (cut + 16 >= stream.size() ? 1 : step)) {
        const Bytes part(stream.begin(), stream.begin() + cut);
        for (size_t chunk : {SIZE_MAX, size_t{5}}) {
          const Decoded d = RunInflate(part, chunk);
          ASSERT_EQ(d.result, kInflateBadData) << "cut at " << cut;
          // What was written is a prefix of the data.
          ASSERT_LE(d.data.size(), data.size());
          ASSERT_TRUE(std::equal(d.data.begin(), d.data.end(), data.begin()));
        }
      }
      EXPECT_EQ(RunInflate(stream).result, kInflateOk);
    }
  }
}

#endif  // PELLORO_HAVE_PEERS

TEST(InflateStreams, RandomMatchesKeepTheWholeWindowOfHistory) {
  // Random literals and matches of every length and distance (near distance 32,768 often, where
  // a copy that wrote past its end would have destroyed the history being read), checked
  // against a byte-by-byte model of the format.
  std::mt19937 rng(258);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    Bytes expected(40000 + rng() % 30000);
    for (auto& b : expected) b = static_cast<uint8_t>(rng());
    BitWriter w;
    w.Bits(0, 1);
    w.Bits(0, 2);
    w.Align();
    w.Bits(static_cast<uint32_t>(expected.size()), 16);
    w.Bits(static_cast<uint32_t>(~expected.size()) & 0xFFFF, 16);
    for (uint8_t b : expected) w.Byte(b);
    w.Bits(1, 1);
    w.Bits(1, 2);
    for (int i = 0; i < 4000; ++i) {
      const unsigned kind = rng() % 8;
      if (kind == 0) {
        const uint8_t lit = static_cast<uint8_t>(rng());
        w.FixedSymbol(lit);
        expected.push_back(lit);
        continue;
      }
      const unsigned length = kind == 1 ? 258 : 3 + rng() % (kind < 4 ? 20 : 256);
      const unsigned far = 32768 - rng() % 40;
      const unsigned nearDistances[] = {1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33};
      unsigned distance;
      switch (rng() % 3) {
        case 0:
          distance = far;
          break;
        case 1:
          distance = nearDistances[rng() % 13];
          break;
        default:
          distance = 1 + rng() % 32768;
          break;
      }
      FixedMatch(w, length, distance);
      for (unsigned k = 0; k < length; ++k)
        expected.push_back(expected[expected.size() - distance]);
    }
    w.FixedSymbol(256);
    const Bytes stream = w.Finish();
    for (size_t chunk : {SIZE_MAX, size_t{4096}, size_t{13}}) {
      const Decoded d = RunInflate(stream, chunk);
      ASSERT_EQ(d.result, kInflateOk);
      ASSERT_EQ(d.data.size(), expected.size());
      ASSERT_TRUE(d.data == expected) << "chunk " << chunk;
      ExpectWindowPieces(d);
    }
  }
}

TEST(InflateStreams, StreamEndingExactlyOnTheLastBitNeedsNoMoreInput) {
  // A fixed block whose end-of-block code fills the last byte exactly: the wide refill reads
  // ahead past the data, but no bit beyond it is used.
  for (int literals = 0; literals < 16; ++literals) {
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    std::string expected;
    for (int i = 0; i < literals; ++i) {
      w.FixedSymbol('0' + i);
      expected.push_back(static_cast<char>('0' + i));
    }
    w.FixedSymbol(256);
    const Bytes stream = w.Finish();
    const Decoded d = RunInflate(stream);
    EXPECT_EQ(d.result, kInflateOk);
    EXPECT_EQ(std::string(d.data.begin(), d.data.end()), expected);
  }
}

#if defined(PELLORO_HAVE_PEERS)
TEST(InflateStreams, DamagedStreamsStopWithoutOverrun) {
  // Random damage to a valid stream: the decoder stops (any result) and never writes more
  // than the window pieces of what it decoded; zlib's successes are matched.
  const Bytes data = MixedData(50000, 3);
  const Bytes stream = DeflateRaw(data, 6, Z_DEFAULT_STRATEGY);
  std::mt19937 rng(77);
  for (int round = 0; round < 300; ++round) {
    Bytes damaged = stream;
    const int flips = 1 + rng() % 4;
    for (int i = 0; i < flips; ++i)
      damaged[rng() % damaged.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    const Decoded d = RunInflate(damaged, round % 2 ? 24576 : 3);
    Bytes z;
    if (InflateRaw(damaged, &z)) {
      EXPECT_EQ(d.result, kInflateOk);
      EXPECT_EQ(d.data, z);
    }
    EXPECT_LE(d.data.size(), 258 * (damaged.size() * 8));
  }
}
#endif  // PELLORO_HAVE_PEERS

}  // namespace
