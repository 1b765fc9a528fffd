#include "core/unreduce.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/legacy_test_encoders.h"

namespace {

using legacytest::BitWriter;
using legacytest::Bytes;

struct Result {
  int code;
  Bytes bytes;
};

Result Decode(const Bytes& packed, int factor, uint32_t size, size_t chunk = SIZE_MAX) {
  MemoryDecoderInput in(packed.data(), packed.size(), chunk);
  legacytest::CollectOutput out;
  std::vector<uint8_t> window(kDecoderWindowSize);
  const int code = Unreduce(in, out, window.data(), factor, size);
  return {code, std::move(out.bytes)};
}

// Follower sets, given for some bytes (the others empty), written for bytes 255 down to 0.
void PutSets(BitWriter& w, const std::map<int, Bytes>& sets = {}) {
  for (int b = 255; b >= 0; --b) {
    auto it = sets.find(b);
    const Bytes none;
    const Bytes& set = it == sets.end() ? none : it->second;
    w.Put(static_cast<uint32_t>(set.size()), 6);
    for (uint8_t c : set) w.Put(c, 8);
  }
}

// Bytes of the follower layer when every set is empty: 8 raw bits each.
Bytes RawStream(std::initializer_list<int> bytes) {
  BitWriter w;
  PutSets(w);
  for (int b : bytes) w.Put(static_cast<uint32_t>(b), 8);
  return w.bytes();
}

TEST(Unreduce, FactorFieldsAndIndexWidths) {
  const struct {
    int factor;
    uint32_t lengthMask;
    int shift;
    uint32_t distanceMask;
  } fields[] = {{1, 127, 7, 1}, {2, 63, 6, 3}, {3, 31, 5, 7}, {4, 15, 4, 15}};
  for (const auto& f : fields) {
    const ReduceFactor r = ReduceFactorFields(f.factor);
    EXPECT_EQ(r.lengthMask, f.lengthMask) << f.factor;
    EXPECT_EQ(r.distanceShift, f.shift) << f.factor;
    EXPECT_EQ(r.distanceMask, f.distanceMask) << f.factor;
  }
  const std::pair<uint32_t, int> widths[] = {{1, 1}, {2, 1},  {3, 2},  {4, 2},  {5, 3},  {8, 3},
                                             {9, 4}, {16, 4}, {17, 5}, {32, 5}, {33, 6}, {63, 6}};
  for (auto [n, bits] : widths) EXPECT_EQ(ReduceIndexBits(n), bits) << n;
}

TEST(Unreduce, EscapedLiteralAndMatchIntoZerosInEveryFactor) {
  for (int factor = 1; factor <= 4; ++factor) {
    SCOPED_TRACE(factor);
    Result r = Decode(RawStream({'A', 0x90, 0x00, 'B'}), factor, 3);
    EXPECT_EQ(r.code, kLegacyOk);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()),
              "A\x90"
              "B");
    // V = 2: length 2 + 3, distance 9 + 1, all before the start: five zeros.
    r = Decode(RawStream({0x90, 0x02, 9, 'x'}), factor, 6);
    EXPECT_EQ(r.code, kLegacyOk);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), std::string(5, '\0') + "x");
  }
}

// One match after 4,096 distinct-ish bytes, for each factor's masks: the length and distance
// worked out by hand from V, the extra length byte and the distance byte.
TEST(Unreduce, MatchFieldsOfEachFactor) {
  const struct {
    int factor;
    int v, extra, d;  // extra < 0: none
    uint32_t length, distance;
  } cases[] = {
      {1, 0x85, -1, 0x10, 8, 273},    // high bit 1 -> 256; length 5 + 3
      {1, 0x7F, 200, 0x20, 330, 33},  // length 127 + 200 + 3
      {2, 0xFF, 4, 0x00, 70, 769},    // high 3 -> 768; length 63 + 4 + 3
      {2, 0x41, -1, 0x05, 4, 262},   {3, 0xA7, -1, 0xFF, 10, 1536},  // high 5 -> 1280; length 7 + 3
      {3, 0x3F, 9, 0x00, 43, 257},                                   // high 1; length 31 + 9 + 3
      {4, 0xFF, 0, 0xFF, 18, 4096},  // high 15 -> 3840; length 15 + 0 + 3
      {4, 0x23, -1, 0x7F, 6, 640},   // high 2 -> 512; length 3 + 3
  };
  Bytes history;
  for (int i = 0; i < 4096; ++i) {
    uint8_t b = static_cast<uint8_t>((i * 7 + i / 251) % 256);
    if (b == 0x90) b = 0x91;
    history.push_back(b);
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.factor * 1000 + c.v);
    BitWriter w;
    PutSets(w);
    for (uint8_t b : history) w.Put(b, 8);
    w.Put(0x90, 8);
    w.Put(static_cast<uint32_t>(c.v), 8);
    if (c.extra >= 0) w.Put(static_cast<uint32_t>(c.extra), 8);
    w.Put(static_cast<uint32_t>(c.d), 8);
    Bytes expected = history;
    for (uint32_t i = 0; i < c.length; ++i)
      expected.push_back(expected[expected.size() - c.distance]);
    const Result r = Decode(w.bytes(), c.factor, static_cast<uint32_t>(expected.size()));
    EXPECT_EQ(r.code, kLegacyOk);
    EXPECT_TRUE(r.bytes == expected);
  }
}

TEST(Unreduce, FollowerSets) {
  struct Case {
    const char* name;
    std::map<int, Bytes> sets;
    std::vector<std::pair<uint32_t, int>> bits;  // value, width
    uint32_t size;
    int code;
    std::string output;
  };
  const Case cases[] = {
      // From byte 0 (the start): index 0 of 3 (2 bits) -> 'x'; from 'x': index 0 of 1 (1 bit)
      // -> 'y'; 'y' has no set: 8 raw bits; then 0, whose set is skipped by flag 1.
      {"indexes and raw bytes",
       {{0, {'x', 'y', 'z'}}, {'x', {'y'}}},
       {{0, 1}, {0, 2}, {0, 1}, {0, 1}, {'A', 8}, {0, 8}, {1, 1}, {'w', 8}},
       5,
       kLegacyOk,
       std::string("xyA\0w", 5)},
      {"last index of a set of 5 (3 bits)",
       {{0, {1, 2, 3, 4, 'e'}}},
       {{0, 1}, {4, 3}},
       1,
       kLegacyOk,
       "e"},
      {"index beyond the set", {{0, {'x', 'y', 'z'}}}, {{0, 1}, {3, 2}}, 1, kLegacyDamaged, ""},
      // The set used after an escaped 0x90 is that of the 0 byte of the pair (the byte before
      // escape decoding), not that of the 0x90 written.
      {"previous byte is taken before escape decoding",
       {{0x90, {0x00}}, {0x00, {'k'}}},
       {{1, 1}, {0x90, 8}, {0, 1}, {0, 1}, {0, 1}, {0, 1}},
       2,
       kLegacyOk,
       "\x90k"},
      {"data ends inside the sets", {}, {}, 1, kLegacyDamaged, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BitWriter w;
    if (std::string(c.name) != "data ends inside the sets")
      PutSets(w, c.sets);
    else
      w.Put(0, 6);
    for (auto [value, width] : c.bits) w.Put(value, width);
    const Result r = Decode(w.bytes(), 2, c.size);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), c.output);
  }
}

Bytes Sample(uint32_t seed) {
  static const char kWords[] = "reduce \x90 follower sets; the quick brown fox \x90\x90 ";
  Bytes b(200, 0);  // matches into the zeros before the data
  std::mt19937 rng(seed);
  while (b.size() < 3000) {
    if (rng() % 50 == 0) {
      b.insert(b.end(), 300, static_cast<uint8_t>(rng()));  // long matches
    } else {
      b.push_back(static_cast<uint8_t>(kWords[rng() % (sizeof kWords - 1)]));
    }
  }
  return b;
}

TEST(Unreduce, ReferenceEncoderRoundTripsForEveryFactorAndSetSize) {
  const Bytes data = Sample(3);
  for (int factor = 1; factor <= 4; ++factor) {
    legacytest::ReduceOptions options;
    options.matchBeforeStart = true;
    const Bytes stream = legacytest::ReduceMatchLayer(data, factor, options);
    EXPECT_LT(stream.size(), data.size() / 2) << factor;  // matches were found
    for (uint32_t maxFollowers : {63u, 17u, 4u, 1u, 0u}) {
      SCOPED_TRACE(factor * 100 + static_cast<int>(maxFollowers));
      options.maxFollowers = maxFollowers;
      const Bytes packed = legacytest::ReduceFollowerLayer(stream, options);
      const Result r = Decode(packed, factor, static_cast<uint32_t>(data.size()), 3);
      EXPECT_EQ(r.code, kLegacyOk);
      EXPECT_TRUE(r.bytes == data);
    }
  }
}

TEST(Unreduce, CraftedHugeSizeStopsAtTheEndOfData) {
  // About 100 bytes of the longest matches, claiming 4 GB.
  BitWriter w;
  PutSets(w);
  while (w.bytes().size() < 300) {
    w.Put(0x90, 8);
    w.Put(0x0F, 8);
    w.Put(255, 8);
    w.Put(0, 8);
  }
  Result r = Decode(w.bytes(), 4, 0xFFFFFFFFu);
  EXPECT_EQ(r.code, kLegacyDamaged);
  EXPECT_LT(r.bytes.size(), 100u * 300u);
  // A valid entry cut short stops with what it holds.
  const Bytes data = Sample(4);
  Bytes packed = legacytest::Reduce(data, 2);
  packed.resize(packed.size() / 2);
  r = Decode(packed, 2, static_cast<uint32_t>(data.size()));
  EXPECT_EQ(r.code, kLegacyDamaged);
  EXPECT_LT(r.bytes.size(), data.size());
  EXPECT_TRUE(Bytes(data.begin(), data.begin() + static_cast<long>(r.bytes.size())) == r.bytes);
  // A factor the format does not have.
  EXPECT_EQ(Decode(RawStream({'a'}), 5, 1).code, kLegacyDamaged);
  EXPECT_EQ(Decode(RawStream({'a'}), 0, 1).code, kLegacyDamaged);
}

}  // namespace
