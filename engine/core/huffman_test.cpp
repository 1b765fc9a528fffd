#include "core/huffman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Canonical codes (most significant bit first) for the given lengths, computed the plain way:
// count per length, first code per length, then consecutive codes in symbol order.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  unsigned count[kHuffmanMaxCodeLength + 1] = {};
  for (uint8_t l : lengths) ++count[l];
  count[0] = 0;
  uint32_t next[kHuffmanMaxCodeLength + 2] = {};
  uint32_t code = 0;
  for (unsigned len = 1; len <= kHuffmanMaxCodeLength; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); ++s) {
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  }
  return codes;
}

// Looks up the entry for the bits a decoder would see when `code` (length len, most significant
// bit first) comes next in the stream, followed by `after`.
uint32_t Decode(const std::vector<uint32_t>& table, unsigned primaryBits, uint32_t code,
                unsigned len, uint32_t after) {
  uint64_t bits = 0;
  for (unsigned i = 0; i < len; ++i) bits |= uint64_t((code >> (len - 1 - i)) & 1u) << i;
  bits |= uint64_t(after) << len;
  uint32_t e = table[bits & ((1u << primaryBits) - 1)];
  if (e & kHuffmanLink) {
    e = table[HuffmanValue(e) + ((bits >> primaryBits) & ((1u << HuffmanExtraBits(e)) - 1))];
  }
  return e;
}

// Code lengths of a complete code for the given weights (Huffman's construction), limited to
// kHuffmanMaxCodeLength by flattening the weights until it fits.
std::vector<uint8_t> LengthsFor(std::vector<uint64_t> weights) {
  for (;;) {
    const size_t n = weights.size();
    std::vector<uint8_t> lengths(n, 0);
    std::vector<std::pair<uint64_t, std::vector<size_t>>> nodes;
    for (size_t i = 0; i < n; ++i) nodes.push_back({weights[i], {i}});
    while (nodes.size() > 1) {
      std::sort(nodes.begin(), nodes.end(),
                [](const auto& a, const auto& b) { return a.first > b.first; });
      auto a = nodes.back();
      nodes.pop_back();
      auto b = nodes.back();
      nodes.pop_back();
      for (size_t s : a.second) ++lengths[s];
      for (size_t s : b.second) ++lengths[s];
      a.second.insert(a.second.end(), b.second.begin(), b.second.end());
      nodes.push_back({a.first + b.first, a.second});
    }
    if (*std::max_element(lengths.begin(), lengths.end()) <= kHuffmanMaxCodeLength) return lengths;
    for (auto& w : weights) w = w / 2 + 1;
  }
}

TEST(HuffmanTable, StatusOfCodeSets) {
  struct Case {
    std::vector<uint8_t> lengths;
    HuffmanStatus status;
    unsigned longest;
  };
  const Case cases[] = {
      {{1, 1}, HuffmanStatus::kComplete, 1},
      {{2, 1, 3, 3}, HuffmanStatus::kComplete, 3},
      {{1}, HuffmanStatus::kIncomplete, 1},
      {{0, 1, 0}, HuffmanStatus::kIncomplete, 1},
      {{2, 2, 2}, HuffmanStatus::kIncomplete, 2},
      {{1, 1, 1}, HuffmanStatus::kOverSubscribed, 1},
      {{1, 2, 2, 3}, HuffmanStatus::kOverSubscribed, 3},
      {{0, 0, 0}, HuffmanStatus::kEmpty, 0},
      {{}, HuffmanStatus::kEmpty, 0},
      {{17, 1}, HuffmanStatus::kBadLength, 0},
      {std::vector<uint8_t>(65536, 16), HuffmanStatus::kBadLength, 0},  // too many symbols
  };
  std::vector<uint32_t> table(1 << 10);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.lengths.size()) + " symbols");
    const HuffmanBuildResult r =
        BuildHuffmanTable(c.lengths.data(), static_cast<unsigned>(c.lengths.size()), nullptr, 8,
                          table.data(), table.size(), false);
    EXPECT_EQ(r.status, c.status);
    if (c.status != HuffmanStatus::kBadLength) {
      EXPECT_EQ(r.longestCode, c.longest);
    }
  }
}

TEST(HuffmanTable, EveryCodeDecodesToItsSymbolAtEveryPrimaryWidth) {
  std::mt19937 rng(1951);
  for (int round = 0; round < 12; ++round) {
    const unsigned n = 2 + rng() % 300;
    std::vector<uint64_t> weights(n);
    // Skewed weights give long codes (up to the 16-bit limit) beside short ones.
    for (auto& w : weights) w = 1 + (rng() % 4 == 0 ? rng() % 100000 : rng() % 20);
    std::vector<uint8_t> lengths = LengthsFor(weights);
    if (round % 3 == 0) lengths[rng() % n] = 0;  // a symbol without a code: incomplete set
    const std::vector<uint32_t> codes = CanonicalCodes(lengths);
    std::vector<uint32_t> info(n);
    for (unsigned s = 0; s < n; ++s)
      info[s] = MakeHuffmanSymbol(1000 + s, s % 14, s % 2 ? kHuffmanLiteral : 0);
    for (unsigned primary = 1; primary <= kHuffmanMaxCodeLength; ++primary) {
      std::vector<uint32_t> table(1u << 17);
      const HuffmanBuildResult r = BuildHuffmanTable(lengths.data(), n, info.data(), primary,
                                                     table.data(), table.size(), true);
      ASSERT_TRUE(r.status == HuffmanStatus::kComplete || r.status == HuffmanStatus::kIncomplete);
      if (r.status == HuffmanStatus::kComplete) {
        EXPECT_LE(r.entriesUsed, HuffmanTableBound(n, primary, r.longestCode))
            << "n=" << n << " primary=" << primary;
      }
      for (unsigned s = 0; s < n; ++s) {
        if (!lengths[s]) continue;
        const uint32_t after = rng();
        const uint32_t e = Decode(table, primary, codes[s], lengths[s], after);
        ASSERT_EQ(HuffmanValue(e), 1000 + s) << "symbol " << s << " primary " << primary;
        ASSERT_EQ(HuffmanCodeLength(e), lengths[s]);
        ASSERT_EQ(HuffmanExtraBits(e), s % 14);
        ASSERT_EQ((e & kHuffmanLiteral) != 0, s % 2 == 1);
        ASSERT_EQ(e & (kHuffmanInvalid | kHuffmanLink), 0u);
      }
    }
  }
}

TEST(HuffmanTable, UnusedCodeSpaceIsInvalid) {
  // One 1-bit code: the other 1-bit pattern must be caught.
  const uint8_t one[] = {0, 1};
  std::vector<uint32_t> table(64);
  HuffmanBuildResult r = BuildHuffmanTable(one, 2, nullptr, 5, table.data(), table.size(), true);
  EXPECT_EQ(r.status, HuffmanStatus::kIncomplete);
  for (uint32_t i = 0; i < 32; ++i) {
    if (i & 1) {
      EXPECT_NE(table[i] & kHuffmanInvalid, 0u);
    } else {
      EXPECT_EQ(table[i], (1u << 16) | 1u);
    }
  }
  // An incomplete set with a long code: the unused space below its sub-table is invalid too.
  const uint8_t lengths[] = {1, 2, 3, 9};
  r = BuildHuffmanTable(lengths, 4, nullptr, 4, table.data(), table.size(), true);
  EXPECT_EQ(r.status, HuffmanStatus::kIncomplete);
  const std::vector<uint32_t> codes = CanonicalCodes({1, 2, 3, 9});
  std::vector<uint32_t> t(table);
  EXPECT_EQ(HuffmanValue(Decode(t, 4, codes[3], 9, 0)), 3u);
  // 1110 followed by anything other than the 5 bits of symbol 3's remainder
  const uint32_t other = codes[3] ^ 1u;
  EXPECT_NE(Decode(t, 4, other, 9, 0) & kHuffmanInvalid, 0u);
  // An empty set filled on request: every entry invalid.
  const uint8_t none[] = {0, 0, 0};
  r = BuildHuffmanTable(none, 3, nullptr, 5, table.data(), table.size(), true);
  EXPECT_EQ(r.status, HuffmanStatus::kEmpty);
  for (uint32_t i = 0; i < 32; ++i) EXPECT_NE(table[i] & kHuffmanInvalid, 0u);
}

TEST(HuffmanTable, InvertedCodesDecodeWithComplementedBits) {
  // A decoder whose codes arrive with their bits inverted complements its bit buffer first.
  const std::vector<uint8_t> lengths = {2, 2, 3, 3, 3, 4, 5, 5};
  const std::vector<uint32_t> codes = CanonicalCodes(lengths);
  std::vector<uint32_t> table(256);
  ASSERT_EQ(
      BuildHuffmanTable(lengths.data(), 8, nullptr, 3, table.data(), table.size(), false).status,
      HuffmanStatus::kComplete);
  for (unsigned s = 0; s < 8; ++s) {
    const unsigned len = lengths[s];
    uint64_t sent = 0;  // the stream's bits: the code inverted, least significant bit first
    for (unsigned i = 0; i < len; ++i) sent |= uint64_t(~(codes[s] >> (len - 1 - i)) & 1u) << i;
    const uint64_t bits = ~sent;
    uint32_t e = table[bits & 7];
    if (e & kHuffmanLink)
      e = table[HuffmanValue(e) + ((bits >> 3) & ((1u << HuffmanExtraBits(e)) - 1))];
    EXPECT_EQ(HuffmanValue(e), s);
    EXPECT_EQ(HuffmanCodeLength(e), len);
  }
}

TEST(HuffmanTable, RefusesTooSmallTableAndSkipsIncompleteUnlessAsked) {
  const std::vector<uint8_t> lengths = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10};
  std::vector<uint32_t> table(16);
  EXPECT_EQ(BuildHuffmanTable(lengths.data(), 11, nullptr, 2, table.data(), 16, false).status,
            HuffmanStatus::kTableTooSmall);
  EXPECT_EQ(BuildHuffmanTable(lengths.data(), 11, nullptr, 5, table.data(), 16, false).status,
            HuffmanStatus::kTableTooSmall);
  std::vector<uint32_t> untouched(16, 0x12345678u);
  const uint8_t incomplete[] = {2, 2, 2};
  EXPECT_EQ(BuildHuffmanTable(incomplete, 3, nullptr, 4, untouched.data(), 16, false).status,
            HuffmanStatus::kIncomplete);
  EXPECT_EQ(untouched, std::vector<uint32_t>(16, 0x12345678u));
}

}  // namespace
