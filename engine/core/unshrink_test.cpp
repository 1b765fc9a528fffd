#include "core/unshrink.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/legacy_test_encoders.h"
#include "core/zip_records.h"

namespace {

using legacytest::BitWriter;
using legacytest::Bytes;

struct Result {
  int code;
  Bytes bytes;
};

Result Decode(const Bytes& packed, uint32_t size, size_t chunk = SIZE_MAX) {
  MemoryDecoderInput in(packed.data(), packed.size(), chunk);
  legacytest::CollectOutput out;
  std::vector<uint8_t> window(kDecoderWindowSize);
  const int code = Unshrink(in, out, window.data(), size);
  return {code, std::move(out.bytes)};
}

Bytes Text(size_t n) {
  static const char kWords[] = "the quick brown fox jumps over the lazy dog, and again: ";
  Bytes b;
  std::mt19937 rng(1);
  while (b.size() < n) b.push_back(static_cast<uint8_t>(kWords[rng() % (sizeof kWords - 1)]));
  return b;
}

Bytes Random(size_t n, uint32_t seed) {
  Bytes b(n);
  std::mt19937 rng(seed);
  for (auto& x : b) x = static_cast<uint8_t>(rng() % 40);  // compressible a little
  return b;
}

struct Fixture {
  const char* name;
  Bytes data;
  legacytest::ShrinkOptions options;
  int minWidenings, minClears, minReused;
  // One peer (unzip -t) rejects a clear sent while codes freed by an earlier clear are still
  // being filled again (the other peer and this decoder agree on such streams). The DOS-era
  // streams of the corpus clear only when every code of the current width is in use, so they
  // never do that.
  bool unzipAccepts = true;
};

std::vector<Fixture> Fixtures() {
  return {
      {"one byte", Bytes{'x'}, {}, 0, 0, 0},
      {"repeats (code just made)", Bytes(3000, 'a'), {}, 0, 0, 0},
      {"text", Text(5000), {}, 1, 0, 0},
      {"widens to 13 bits, clears when nearly full", Random(120000, 2), {}, 4, 2, 1},
      {"early partial clears", Text(20000), {200, false}, 0, 5, 1, false},
      {"early partial clears at 12 bits", Random(40000, 3), {3000, false}, 3, 2, 1},
  };
}

TEST(Unshrink, EncoderFixturesRoundTrip) {
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.name);
    legacytest::ShrinkStats stats;
    const Bytes packed = legacytest::Shrink(f.data, f.options, &stats);
    EXPECT_GE(stats.widenings, f.minWidenings);
    EXPECT_GE(stats.clears, f.minClears);
    EXPECT_GE(stats.reusedCodes, f.minReused);
    for (size_t chunk : {size_t{1}, size_t{7}, SIZE_MAX}) {
      const Result r = Decode(packed, static_cast<uint32_t>(f.data.size()), chunk);
      EXPECT_EQ(r.code, kLegacyOk) << "chunk " << chunk;
      EXPECT_TRUE(r.bytes == f.data) << "chunk " << chunk;
    }
  }
}

#ifdef PELLORO_HAVE_PEERS
TEST(Unshrink, EncoderFixturesPassPeerTools) {
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.name);
    const Bytes zipFile = legacytest::MakeZip("f.bin", zip::kMethodShrunk, 0, f.data,
                                              legacytest::Shrink(f.data, f.options));
    const legacytest::PeerVerdict v = legacytest::PeersTest(zipFile);
    EXPECT_EQ(v.unzip, f.unzipAccepts);
    EXPECT_TRUE(v.sevenZip);
  }
}
#endif

// Every ending of the last code within its byte: the codes still held when the data ends are
// decoded, not dropped.
TEST(Unshrink, LastCodesAtEveryBitOffsetAreDecoded) {
  const Bytes text = Text(200);
  for (size_t n = 1; n <= text.size(); ++n) {
    const Bytes data(text.begin(), text.begin() + static_cast<long>(n));
    const Result r = Decode(legacytest::Shrink(data), static_cast<uint32_t>(n));
    ASSERT_EQ(r.code, kLegacyOk) << n;
    ASSERT_TRUE(r.bytes == data) << n;
  }
}

// Streams written code by code.
Bytes Codes(std::initializer_list<std::pair<uint32_t, int>> codes) {
  BitWriter w;
  for (auto [code, width] : codes) w.Put(code, width);
  return w.bytes();
}

TEST(Unshrink, HandWrittenStreams) {
  struct Case {
    const char* name;
    Bytes packed;
    uint32_t size;
    int code;
    std::string output;
  };
  const Case cases[] = {
      // 257 = "ab", 258 = "ba", then 257 and the code being made (259 = "ab" + "a").
      {"code just made", Codes({{'a', 9}, {'b', 9}, {257, 9}, {259, 9}}), 7, kLegacyOk,
       "ababab"
       "a"},
      // After "a" "b" (257 = "ab") a clear frees 257; the next entry reuses it: "b" + "c".
      {"partial clear reuses freed code",
       Codes({{'a', 9}, {'b', 9}, {256, 9}, {2, 9}, {'c', 9}, {257, 9}}), 5, kLegacyOk, "abcbc"},
      {"widen then 10-bit codes", Codes({{'a', 9}, {256, 9}, {1, 9}, {'b', 10}, {257, 10}}), 4,
       kLegacyOk, "abab"},
      {"first code not a literal", Codes({{257, 9}}), 1, kLegacyDamaged, ""},
      {"unused code that is not the next one", Codes({{'a', 9}, {300, 9}}), 3, kLegacyDamaged, "a"},
      {"subcode 3", Codes({{'a', 9}, {256, 9}, {3, 9}, {'b', 9}}), 2, kLegacyDamaged, "a"},
      {"width above 13",
       Codes({{'a', 9},
              {256, 9},
              {1, 9},
              {256, 10},
              {1, 10},
              {256, 11},
              {1, 11},
              {256, 12},
              {1, 12},
              {256, 13},
              {1, 13},
              {'b', 14}}),
       2, kLegacyDamaged, "a"},
      {"data ends before the size", Codes({{'a', 9}, {'b', 9}}), 3, kLegacyDamaged, "ab"},
      {"data ends inside a subcode", Codes({{'a', 9}, {256, 9}}), 2, kLegacyDamaged, "a"},
      // "a" "b" "ab" (258 = "ba"), a clear frees 257 and 258; the next entry is 257 with the freed
      // 257 as its prefix: a code whose string never ends.
      {"cycle after a clear",
       Codes({{'a', 9}, {'b', 9}, {257, 9}, {256, 9}, {2, 9}, {'a', 9}, {257, 9}}), 100,
       kLegacyChainTooLong, "ababa"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(c.packed, c.size);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), c.output);
  }
}

TEST(Unshrink, StopsAtTheClaimedSizeAndAtTheEndOfData) {
  const Bytes data = Text(10000);
  const Bytes packed = legacytest::Shrink(data);
  // A smaller claim: nothing past it is written.
  Result r = Decode(packed, 1234);
  EXPECT_EQ(r.code, kLegacyOk);
  EXPECT_TRUE(r.bytes == Bytes(data.begin(), data.begin() + 1234));
  // 100 bytes claiming 4 GB: stops at the end of the data.
  const Bytes head(packed.begin(), packed.begin() + 100);
  r = Decode(head, 0xFFFFFFFFu);
  EXPECT_EQ(r.code, kLegacyDamaged);
  EXPECT_LT(r.bytes.size(), 10000u);
  EXPECT_TRUE(Bytes(data.begin(), data.begin() + static_cast<long>(r.bytes.size())) == r.bytes);
  // An empty entry.
  r = Decode(Bytes{}, 0);
  EXPECT_EQ(r.code, kLegacyOk);
  EXPECT_TRUE(r.bytes.empty());
}

}  // namespace
