// The stub's decoder against zlib and the engine's Inflate on streams of every level and strategy,
// and hand-built streams for its edge cases and each of its error codes.
#include "stub_inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "core/zlib_peer_test_support.h"

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/decoder_io.h"
#include "core/inflate.h"

namespace {

using Bytes = std::vector<uint8_t>;

class CollectingOutput : public DecoderOutput {
 public:
  void Write(const uint8_t* data, size_t n) override {
    bytes.insert(bytes.end(), data, data + n);
    pieces.push_back(n);
  }
  void BlockDone() override { ++blocks; }
  Bytes bytes;
  std::vector<size_t> pieces;
  int blocks = 0;
};

// Counts what the decoder takes and gives back; fails the allocation numbered failAt (from 0).
class CountingMemory : public StubInflateMemory {
 public:
  explicit CountingMemory(int failAt = -1) : failAt_(failAt) {}
  void* Allocate(size_t bytes) override {
    if (allocations_++ == failAt_) return nullptr;
    ++live_;
    return std::malloc(bytes == 0 ? 1 : bytes);
  }
  void Release(void* block) override {
    --live_;
    std::free(block);
  }
  int live() const { return live_; }
  int allocations() const { return allocations_; }

 private:
  int failAt_;
  int allocations_ = 0;
  int live_ = 0;
};

struct Decoded {
  int result;
  Bytes bytes;
  std::vector<size_t> pieces;
  int blocks;
};

Decoded RunStub(const Bytes& stream, size_t chunk = SIZE_MAX, int failAt = -1) {
  MemoryDecoderInput in(stream.data(), stream.size(), chunk);
  CollectingOutput out;
  CountingMemory memory(failAt);
  Bytes window(kDecoderWindowSize);
  const int result = StubInflate(in, out, window.data(), memory);
  EXPECT_EQ(memory.live(), 0) << "tables left allocated";
  return {result, out.bytes, out.pieces, out.blocks};
}

Decoded RunCore(const Bytes& stream) {
  MemoryDecoderInput in(stream.data(), stream.size());
  CollectingOutput out;
  Bytes window(kDecoderWindowSize);
  const int result = Inflate(in, out, window.data());
  return {result, out.bytes, out.pieces, out.blocks};
}

using zlibpeer::DeflateRaw;
using zlibpeer::InflateRaw;

// Text, runs, short periods, noise and far repeats: what compressors meet.
Bytes SampleData(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  const char* words[] = {"Grüße ", "café ", "window ", "entry ", "of ", "a ", "\r\n"};
  Bytes d;
  while (d.size() < size) {
    switch (rng() % 5) {
      case 0:
        for (int i = 0; i < 100; ++i) {
          const std::string w = words[rng() % 7];
          d.insert(d.end(), w.begin(), w.end());
        }
        break;
      case 1:
        d.insert(d.end(), 30 + rng() % 400, static_cast<uint8_t>(rng()));
        break;
      case 2:
        for (size_t i = 0, p = 2 + rng() % 9; i < 500; ++i) d.push_back(uint8_t('A' + i % p));
        break;
      case 3:
        for (int i = 0; i < 300; ++i) d.push_back(static_cast<uint8_t>(rng()));
        break;
      case 4:
        if (d.size() > 33000) {
          const size_t from = d.size() - 1 - rng() % 32768;
          for (size_t i = 0, n = 50 + rng() % 1500; i < n; ++i) d.push_back(d[from + i]);
        }
        break;
    }
  }
  d.resize(size);
  return d;
}

TEST(StubInflatePeers, MatchesZlibAndTheEngineOnEveryLevelStrategyAndSize) {
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  const size_t sizes[] = {0, 1, 32767, 32768, 32769, 1 << 20};
  for (size_t size : sizes) {
    const Bytes data = SampleData(size, static_cast<uint32_t>(size) + 3);
    for (int strategy : strategies) {
      for (int level = 0; level <= 9; ++level) {
        if (size == (1u << 20) && level % 3 != 0 && strategy != Z_DEFAULT_STRATEGY) continue;
        SCOPED_TRACE("size " + std::to_string(size) + " level " + std::to_string(level) +
                     " strategy " + std::to_string(strategy));
        const Bytes stream = DeflateRaw(data, level, strategy);
        Bytes zlibBytes;
        ASSERT_TRUE(InflateRaw(stream, &zlibBytes));
        const Decoded stub = RunStub(stream);
        const Decoded core = RunCore(stream);
        ASSERT_EQ(stub.result, kStubInflateOk);
        ASSERT_EQ(core.result, kInflateOk);
        ASSERT_TRUE(stub.bytes == zlibBytes);
        ASSERT_TRUE(stub.bytes == core.bytes);
        ASSERT_EQ(stub.blocks, core.blocks);
        // The window goes out whole each time it fills, its filled part once at the end.
        for (size_t i = 0; i + 1 < stub.pieces.size(); ++i) ASSERT_EQ(stub.pieces[i], 32768u);
        ASSERT_EQ(stub.pieces.size(), (size + 32767) / 32768);
      }
    }
  }
}

TEST(StubInflatePeers, InputInSmallRunsGivesTheSameBytes) {
  const Bytes data = SampleData(100000, 5);
  const Bytes stream = DeflateRaw(data, 6, Z_DEFAULT_STRATEGY);
  for (size_t chunk : {size_t{1}, size_t{2}, size_t{7}, size_t{4096}, size_t{24576}}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    const Decoded d = RunStub(stream, chunk);
    ASSERT_EQ(d.result, kStubInflateOk);
    ASSERT_TRUE(d.bytes == data);
  }
}

// Writes deflate bits, first bit lowest; Code sends a Huffman code most significant bit first.
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
  void Fixed(unsigned s) {
    if (s < 144)
      Code(0x30 + s, 8);
    else if (s < 256)
      Code(0x190 + (s - 144), 9);
    else if (s < 280)
      Code(s - 256, 7);
    else
      Code(0xC0 + (s - 280), 8);
  }
  Bytes Finish() {
    Align();
    return bytes_;
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

Bytes StoredBlock(bool final, const Bytes& data, uint16_t complementXor = 0) {
  BitWriter w;
  w.Bits(final, 1);
  w.Bits(0, 2);
  w.Align();
  Bytes out = w.Finish();
  const uint16_t len = static_cast<uint16_t>(data.size());
  const uint16_t nlen = static_cast<uint16_t>(~len ^ complementXor);
  out.insert(out.end(), {uint8_t(len), uint8_t(len >> 8), uint8_t(nlen), uint8_t(nlen >> 8)});
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// A dynamic block header whose code-length code gives the lengths 0..15 four bits each, then the
// given literal/length and distance lengths sent one by one.
void DynamicHeader(BitWriter& w, const std::vector<uint8_t>& litLen,
                   const std::vector<uint8_t>& dist, unsigned hlitField = 0) {
  w.Bits(1, 1);
  w.Bits(2, 2);
  w.Bits(hlitField ? hlitField : static_cast<uint32_t>(litLen.size() - 257), 5);
  w.Bits(static_cast<uint32_t>(dist.size() - 1), 5);
  w.Bits(19 - 4, 4);
  static const uint8_t order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                    11, 4,  12, 3, 13, 2, 14, 1, 15};
  for (int i = 0; i < 19; ++i) w.Bits(order[i] < 16 ? 4 : 0, 3);
  // With sixteen 4-bit codes for 0..15 in order, the length l has the code l.
  for (uint8_t l : litLen) w.Code(l, 4);
  for (uint8_t l : dist) w.Code(l, 4);
}

TEST(StubInflateStreams, EdgeCasesOfThePart) {
  {  // A stored block of length 0 is valid and writes nothing.
    Bytes stream = StoredBlock(false, {});
    const Bytes rest = StoredBlock(true, {'o', 'k'});
    stream.insert(stream.end(), rest.begin(), rest.end());
    const Decoded d = RunStub(stream);
    EXPECT_EQ(d.result, kStubInflateOk);
    EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), "ok");
    EXPECT_EQ(d.blocks, 2);
  }
  {  // Distance 1, length 258 repeats the last byte 258 times.
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    w.Fixed('z');
    w.Fixed(285);  // length 258
    w.Code(0, 5);  // distance 1
    w.Fixed(256);
    const Decoded d = RunStub(w.Finish());
    EXPECT_EQ(d.result, kStubInflateOk);
    EXPECT_EQ(d.bytes, Bytes(259, 'z'));
  }
  {  // Exactly 32,768 bytes go out once, when the window fills, and nothing more at the end.
    const Bytes data = SampleData(32768, 9);
    for (int level : {0, 6}) {
      const Decoded d = RunStub(DeflateRaw(data, level, Z_DEFAULT_STRATEGY));
      EXPECT_EQ(d.result, kStubInflateOk);
      EXPECT_EQ(d.pieces, std::vector<size_t>{32768});
      EXPECT_TRUE(d.bytes == data);
    }
  }
  {  // A set of one 1-bit code is accepted; a final stream that ends on its last bit decodes.
    std::vector<uint8_t> lit(257, 0);
    lit['q'] = 1;
    lit[256] = 1;
    BitWriter w;
    DynamicHeader(w, lit, {1});
    w.Code(0, 1);  // 'q'
    w.Code(1, 1);  // end of block
    const Decoded d = RunStub(w.Finish());
    EXPECT_EQ(d.result, kStubInflateOk);
    EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), "q");
  }
}

TEST(StubInflateStreams, DamagedStreamsGiveTheirCodes) {
  struct Case {
    const char* name;
    Bytes stream;
    int result;
  };
  std::vector<Case> cases;
  {
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(3, 2);
    cases.push_back({"block type 3", w.Finish(), kStubInflateBadBlock});
  }
  cases.push_back({"LEN and NLEN disagree", StoredBlock(true, {'a', 'b'}, 1), kStubInflateBadData});
  {
    BitWriter w;
    DynamicHeader(w, std::vector<uint8_t>(257, 0), {0}, 30);  // HLIT 287
    cases.push_back({"HLIT 287", w.Finish(), kStubInflateBadData});
  }
  {  // Literal lengths: 'a' 'b' end-of-block of 2 bits; one 2-bit code unused.
    std::vector<uint8_t> lit(257, 0);
    lit['a'] = lit['b'] = lit[256] = 2;
    BitWriter w;
    DynamicHeader(w, lit, {1});
    cases.push_back({"incomplete literal set", w.Finish(), kStubInflateBadData});
  }
  {
    std::vector<uint8_t> lit(257, 0);
    lit['a'] = lit['b'] = lit['c'] = lit[256] = lit['d'] = 2;
    BitWriter w;
    DynamicHeader(w, lit, {1});
    cases.push_back({"over-subscribed literal set", w.Finish(), kStubInflateBadBlock});
  }
  {  // No distance codes at all, then a length code: the lookup meets an empty table.
    std::vector<uint8_t> lit(258, 0);
    lit['a'] = lit['b'] = lit[256] = lit[257] = 2;
    BitWriter w;
    DynamicHeader(w, lit, {0});
    w.Code(0, 2);  // 'a'
    w.Code(3, 2);  // length 3
    w.Code(0, 2);
    cases.push_back({"lookup in an empty distance table", w.Finish(), kStubInflateBadData});
  }
  {
    BitWriter header;
    header.Bits(1, 1);
    header.Bits(2, 2);
    header.Bits(0, 5);
    header.Bits(0, 5);
    header.Bits(15, 4);
    for (int i = 0; i < 19; ++i) header.Bits(0, 3);  // no code-length codes
    header.Bits(0, 8);
    cases.push_back({"empty code-length table", header.Finish(), kStubInflateBadData});
  }
  {
    const Bytes whole = DeflateRaw(SampleData(5000, 1), 6, Z_DEFAULT_STRATEGY);
    cases.push_back({"truncated dynamic stream",
                     Bytes(whole.begin(), whole.begin() + whole.size() / 2), kStubInflateBadData});
    cases.push_back({"no final block", StoredBlock(false, {'x'}), kStubInflateBadData});
    Bytes stored = StoredBlock(true, Bytes(100, 'x'));
    stored.resize(50);
    cases.push_back({"truncated stored block", stored, kStubInflateBadData});
    cases.push_back({"empty input", {}, kStubInflateBadData});
  }
  {  // A distance before the start of the output.
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    w.Fixed('a');
    w.Fixed(257);
    w.Code(1, 5);  // distance 2
    w.Fixed(256);
    cases.push_back({"distance beyond the output", w.Finish(), kStubInflateBadData});
  }
  {  // Length symbol 286 exists in the fixed code only to complete it.
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    w.Fixed('a');
    w.Fixed(286);
    cases.push_back({"fixed length symbol 286", w.Finish(), kStubInflateBadData});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t chunk : {SIZE_MAX, size_t{1}}) {
      const Decoded d = RunStub(c.stream, chunk);
      EXPECT_EQ(d.result, c.result);
    }
  }
}

TEST(StubInflateStreams, FailingHookGivesSixAndReleasesEverything) {
  Bytes stream = DeflateRaw(SampleData(200000, 2), 9, Z_DEFAULT_STRATEGY);
  const Bytes fixed = DeflateRaw(SampleData(3000, 4), 6, Z_FIXED);
  int total = 0;
  {
    MemoryDecoderInput in(stream.data(), stream.size());
    CollectingOutput out;
    CountingMemory memory;
    Bytes window(kDecoderWindowSize);
    ASSERT_EQ(StubInflate(in, out, window.data(), memory), kStubInflateOk);
    total = memory.allocations();
    ASSERT_GT(total, 6);
  }
  for (int failAt = 0; failAt < total; failAt += (failAt < 12 ? 1 : 7)) {
    SCOPED_TRACE("allocation " + std::to_string(failAt));
    EXPECT_EQ(RunStub(stream, SIZE_MAX, failAt).result, kStubInflateNoMemory);
  }
  for (int failAt = 0; failAt < 3; ++failAt) {
    EXPECT_EQ(RunStub(fixed, SIZE_MAX, failAt).result, kStubInflateNoMemory);
  }
}

TEST(StubInflateTables, BuilderResults) {
  struct Case {
    const char* name;
    std::vector<uint8_t> lengths;
    int result;
    bool empty;
  };
  const std::vector<Case> cases = {
      {"all zero", {0, 0, 0, 0}, 0, true},      {"one 1-bit code", {0, 1, 0}, 0, false},
      {"complete", {1, 2, 3, 3}, 0, false},     {"incomplete", {2, 2, 2}, 1, false},
      {"over-subscribed", {1, 1, 1}, 2, false}, {"one 15-bit code", {15}, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CountingMemory memory;
    StubTable table;
    EXPECT_EQ(BuildStubTable(c.lengths.data(), static_cast<unsigned>(c.lengths.size()),
                             StubTableKind::kCodeLength, 7, memory, &table),
              c.result);
    if (c.result <= 1) EXPECT_EQ(table.entries == nullptr, c.empty);
    if (table.entries != nullptr) memory.Release(table.entries);
    EXPECT_EQ(memory.live(), 0);
  }
  {  // Codes longer than the lookup bits go through one sub-table per first-level slot.
    std::vector<uint8_t> lengths(16);
    for (unsigned i = 0; i < 15; ++i) lengths[i] = static_cast<uint8_t>(i + 1);
    lengths[15] = 15;
    CountingMemory memory;
    StubTable table;
    ASSERT_EQ(BuildStubTable(lengths.data(), 16, StubTableKind::kCodeLength, 7, memory, &table), 0);
    // The all-ones 7-bit prefix leads to a sub-table of 8 index bits.
    const StubCode& link = table.entries[0x7F];
    EXPECT_EQ(link.e, kStubCodeLiteral + 8);
    EXPECT_EQ(link.b, 7);
    memory.Release(table.entries);
  }
}

}  // namespace
