#include "core/explode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/legacy_test_encoders.h"
#include "core/zip_records.h"

namespace {

using legacytest::BitWriter;
using legacytest::Bytes;
using legacytest::ImplodeOptions;

struct Result {
  int code;
  Bytes bytes;
};

Result Decode(const Bytes& packed, uint16_t flags, uint32_t size, size_t chunk = SIZE_MAX,
              uint32_t claimedPacked = 0) {
  MemoryDecoderInput in(packed.data(), packed.size(), chunk);
  legacytest::CollectOutput out;
  std::vector<uint8_t> window(kDecoderWindowSize);
  const int code =
      Explode(in, out, window.data(), flags,
              claimedPacked ? claimedPacked : static_cast<uint32_t>(packed.size()), size);
  return {code, std::move(out.bytes)};
}

Bytes Text(size_t n, uint32_t seed = 1) {
  static const char kWords[] = "the quick brown fox jumps over the lazy dog, and again: ";
  Bytes b;
  std::mt19937 rng(seed);
  while (b.size() < n) b.push_back(static_cast<uint8_t>(kWords[rng() % (sizeof kWords - 1)]));
  return b;
}

// Bytes whose counts fall off steeply (byte k about twice as often as byte k+1): the literal,
// length and distance trees get codes of very different lengths, up to the 16-bit limit.
Bytes Skewed(size_t n) {
  Bytes b;
  std::mt19937 rng(5);
  while (b.size() < n) {
    int k = 0;
    while (k < 255 && (rng() & 1)) ++k;
    const size_t run = 1 + (rng() % 3 == 0 ? rng() % 40 : 0);
    for (size_t i = 0; i < run && b.size() < n; ++i) b.push_back(static_cast<uint8_t>(k * 13));
  }
  return b;
}

Bytes LeadingZeros() {
  Bytes b(300, 0);  // matches into the zeros before the data
  const Bytes t = Text(3000);
  b.insert(b.end(), t.begin(), t.end());
  b.insert(b.end(), 2000, 'z');  // long matches (length code 63 with its extra byte)
  return b;
}

struct Fixture {
  std::string name;
  Bytes data;
  ImplodeOptions options;
};

std::vector<Fixture> Fixtures() {
  std::vector<Fixture> fixtures;
  for (bool dict8K : {false, true}) {
    for (bool literalTree : {false, true}) {
      const std::string variant = std::string(dict8K ? "8K" : "4K") + (literalTree ? "3T" : "2T");
      fixtures.push_back({variant + " text", Text(20000), {dict8K, literalTree, true, false}});
      fixtures.push_back({variant + " uneven trees", Skewed(30000), {dict8K, literalTree}});
      if (literalTree) {
        fixtures.push_back(
            {variant + " uneven literal tree", Skewed(30000), {dict8K, true, false, false}});
      }
      fixtures.push_back(
          {variant + " before the start", LeadingZeros(), {dict8K, literalTree, true, true}});
    }
  }
  fixtures.push_back({"one literal", Bytes{'q'}, {false, true}});
  fixtures.push_back({"no matches", Text(500), {true, false, false, false}});
  return fixtures;
}

TEST(Explode, EncoderFixturesRoundTripInAllFourVariants) {
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.name);
    legacytest::ImplodeStats stats;
    const Bytes packed = legacytest::Implode(f.data, f.options, &stats);
    const uint16_t flags = legacytest::ImplodeFlags(f.options);
    if (f.name.find("uneven trees") != std::string::npos) {
      // Longer than the lookup widths (7 for lengths and distances): sub-tables in use.
      EXPECT_GT(stats.longestLengthCode, 7u);
      EXPECT_GT(stats.longestDistanceCode, 7u);
    }
    if (f.name.find("uneven literal") != std::string::npos) {
      EXPECT_GT(stats.longestLiteralCode, 9u);
    }
    if (f.name.find("before the start") != std::string::npos) {
      EXPECT_GT(stats.matchesBeforeStart, 0u);
      EXPECT_GT(stats.longMatches, 0u);
    }
    for (size_t chunk : {size_t{1}, size_t{5}, SIZE_MAX}) {
      const Result r = Decode(packed, flags, static_cast<uint32_t>(f.data.size()), chunk);
      EXPECT_EQ(r.code, kLegacyOk) << "chunk " << chunk;
      EXPECT_TRUE(r.bytes == f.data) << "chunk " << chunk;
    }
  }
}

#ifdef PELLORO_HAVE_PEERS
TEST(Explode, EncoderFixturesPassPeerTools) {
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.name);
    const Bytes zipFile =
        legacytest::MakeZip("f.bin", zip::kMethodImploded, legacytest::ImplodeFlags(f.options),
                            f.data, legacytest::Implode(f.data, f.options));
    const legacytest::PeerVerdict v = legacytest::PeersTest(zipFile);
    EXPECT_TRUE(v.unzip);
    EXPECT_TRUE(v.sevenZip);
  }
}
#endif

// The distance lookup is 8 bits wide above 200,000 compressed bytes and 7 bits up to that; the
// output is the same either way.
TEST(Explode, DistanceLookupWidthDoesNotChangeTheOutput) {
  Bytes data(260000);
  std::mt19937 rng(9);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  for (size_t i = 1000; i + 64 < data.size(); i += 5000) {
    std::copy(data.begin() + static_cast<long>(i) - 900, data.begin() + static_cast<long>(i) - 850,
              data.begin() + static_cast<long>(i));  // some matches of every distance code
  }
  const ImplodeOptions options{true, true};
  const Bytes packed = legacytest::Implode(data, options);
  ASSERT_GT(packed.size(), 200001u);
  const uint16_t flags = legacytest::ImplodeFlags(options);
  for (uint32_t claimed : {200000u, 200001u}) {
    const Result r = Decode(packed, flags, static_cast<uint32_t>(data.size()), SIZE_MAX, claimed);
    EXPECT_EQ(r.code, kLegacyOk) << claimed;
    EXPECT_TRUE(r.bytes == data) << claimed;
  }
}

// Trees written by hand: a description byte count, then (count - 1) << 4 | (length - 1) bytes.
void PutTree(BitWriter& w, std::initializer_list<uint8_t> runs) {
  w.Put(static_cast<uint32_t>(runs.size() - 1), 8);
  for (uint8_t r : runs) w.Put(r, 8);
}

// 64 codes of 6 bits: a complete tree in which code c is symbol c's bits inverted.
void PutFlatTree(BitWriter& w) { PutTree(w, {0xF5, 0xF5, 0xF5, 0xF5}); }

void PutFlatCode(BitWriter& w, uint32_t symbol) {
  for (int b = 5; b >= 0; --b) w.Put(((~symbol) >> b) & 1, 1);
}

TEST(Explode, HandWrittenStreams) {
  // 4 KB, two trees: a literal 'A', then a match of distance 1 and length 2 + 3 = 5.
  BitWriter ok;
  PutFlatTree(ok);
  PutFlatTree(ok);
  ok.Put(1, 1);
  ok.Put('A', 8);
  ok.Put(0, 1);
  ok.Put(0, 6);        // distance low bits: distance 1
  PutFlatCode(ok, 0);  // distance code 0
  PutFlatCode(ok, 3);  // length code 3: length 5
  // A match at the very start copies zeros: distance 64 * 2 + 1, length 63 + 10 + 2.
  BitWriter zeros;
  PutFlatTree(zeros);
  PutFlatTree(zeros);
  zeros.Put(0, 1);
  zeros.Put(0, 6);
  PutFlatCode(zeros, 2);
  PutFlatCode(zeros, 63);
  zeros.Put(10, 8);
  zeros.Put(1, 1);
  zeros.Put('B', 8);

  BitWriter shortTree;  // 63 lengths only
  PutTree(shortTree, {0xF5, 0xF5, 0xF5, 0xE5});
  BitWriter longTree;  // 65 lengths
  PutTree(longTree, {0xF5, 0xF5, 0xF5, 0xF5, 0x05});
  BitWriter overSubscribed;  // 64 codes of 5 bits
  PutTree(overSubscribed, {0xF4, 0xF4, 0xF4, 0xF4});
  PutFlatTree(overSubscribed);
  BitWriter incomplete;  // 64 codes of 7 bits
  PutTree(incomplete, {0xF6, 0xF6, 0xF6, 0xF6});
  PutFlatTree(incomplete);
  Bytes extra = ok.bytes();
  extra.push_back(0);  // a whole byte nobody needs

  struct Case {
    const char* name;
    Bytes packed;
    uint32_t size;
    int code;
    std::string output;
  };
  const Case cases[] = {
      {"literal and match", ok.bytes(), 6, kLegacyOk, "AAAAAA"},
      {"match before the start", zeros.bytes(), 76, kLegacyOk, std::string(75, '\0') + "B"},
      {"whole byte left over", extra, 6, kLegacyInputLeft, "AAAAAA"},
      {"data ends before the size", ok.bytes(), 7, kLegacyDamaged, "AAAAAA"},
      {"tree one length short", shortTree.bytes(), 1, kLegacyBadTree, ""},
      {"tree one length long", longTree.bytes(), 1, kLegacyBadTree, ""},
      {"over-subscribed tree", overSubscribed.bytes(), 1, 2, ""},
      {"incomplete tree", incomplete.bytes(), 1, kLegacyDamaged, ""},
      {"no data at all", Bytes{}, 1, kLegacyDamaged, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Decode(c.packed, 0, c.size);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), c.output);
  }
}

// 100 bytes claiming 4 GB: decoding stops at the end of the data, having written only what the
// data holds.
TEST(Explode, CraftedHugeSizeStopsAtTheEndOfData) {
  for (bool literalTree : {false, true}) {
    const ImplodeOptions options{true, literalTree};
    const Bytes data = Text(20000);
    Bytes packed = legacytest::Implode(data, options);
    packed.resize(100 + (literalTree ? 150 : 0));
    const Result r = Decode(packed, legacytest::ImplodeFlags(options), 0xFFFFFFFFu);
    EXPECT_EQ(r.code, kLegacyDamaged);
    EXPECT_LT(r.bytes.size(), 4000u);
    EXPECT_TRUE(Bytes(data.begin(), data.begin() + static_cast<long>(r.bytes.size())) == r.bytes);
  }
  // Matches of the greatest length from a few bytes still stop at once.
  BitWriter w;
  PutFlatTree(w);
  PutFlatTree(w);
  while (w.bytes().size() < 100) {
    w.Put(0, 1);
    w.Put(0, 6);
    PutFlatCode(w, 0);
    PutFlatCode(w, 63);
    w.Put(255, 8);
  }
  const Result r = Decode(w.bytes(), 0, 0xFFFFFFFFu);
  EXPECT_EQ(r.code, kLegacyDamaged);
  EXPECT_LT(r.bytes.size(), 100u * 320u);
}

}  // namespace
