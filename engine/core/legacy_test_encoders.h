// Test-only support for the legacy decoders: an output that collects bytes, a ZIP writer for one-
// entry archives (so that peer tools can check what the encoders make), and reference encoders for
// shrink (method 1), reduce (methods 2-5) and implode (method 6). Included only by tests.
#pragma once
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "core/decoder_io.h"
#include "core/le_fields.h"
#include "core/zip_records.h"

#ifdef PELLORO_HAVE_PEERS
#include <unistd.h>  // mkdtemp
#endif

namespace legacytest {

using Bytes = std::vector<uint8_t>;

class CollectOutput : public DecoderOutput {
 public:
  void Write(const uint8_t* data, size_t n) override {
    bytes.insert(bytes.end(), data, data + n);
    ++writes;
  }
  Bytes bytes;
  size_t writes = 0;
};

// Writes bits least significant first, as the legacy methods read them.
class BitWriter {
 public:
  void Put(uint32_t value, int n) {
    for (int i = 0; i < n; ++i) {
      if (count_ == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(1u << count_);
      count_ = (count_ + 1) & 7;
    }
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  int count_ = 0;
};

// One-entry archive: local header, data, central header, end record.
inline Bytes MakeZip(const std::string& name, uint16_t method, uint16_t flags, const Bytes& data,
                     const Bytes& packed) {
  Bytes zipFile(zip::local::kSize);
  uint8_t* l = zipFile.data();
  std::memcpy(l, zip::kLocalSignature, 4);
  const uint32_t crc = Crc32(data.data(), data.size());
  const uint8_t version = 10;
  l[zip::local::kVersionNeeded] = version;
  PutLE16(l + zip::local::kFlags, flags);
  PutLE16(l + zip::local::kMethod, method);
  PutLE16(l + zip::local::kTime, 0);
  PutLE16(l + zip::local::kDate, (45 << 9) | (1 << 5) | 1);
  PutLE32(l + zip::local::kCrc32, crc);
  PutLE32(l + zip::local::kCompressedSize, static_cast<uint32_t>(packed.size()));
  PutLE32(l + zip::local::kUncompressedSize, static_cast<uint32_t>(data.size()));
  PutLE16(l + zip::local::kNameLength, static_cast<uint16_t>(name.size()));
  zipFile.insert(zipFile.end(), name.begin(), name.end());
  zipFile.insert(zipFile.end(), packed.begin(), packed.end());
  const uint32_t centralOffset = static_cast<uint32_t>(zipFile.size());
  Bytes c(zip::central::kSize);
  std::memcpy(c.data(), zip::kCentralSignature, 4);
  c[zip::central::kVersionMadeBy] = 20;
  c[zip::central::kVersionNeeded] = version;
  PutLE16(c.data() + zip::central::kFlags, flags);
  PutLE16(c.data() + zip::central::kMethod, method);
  PutLE16(c.data() + zip::central::kDate, (45 << 9) | (1 << 5) | 1);
  PutLE32(c.data() + zip::central::kCrc32, crc);
  PutLE32(c.data() + zip::central::kCompressedSize, static_cast<uint32_t>(packed.size()));
  PutLE32(c.data() + zip::central::kUncompressedSize, static_cast<uint32_t>(data.size()));
  PutLE16(c.data() + zip::central::kNameLength, static_cast<uint16_t>(name.size()));
  zipFile.insert(zipFile.end(), c.begin(), c.end());
  zipFile.insert(zipFile.end(), name.begin(), name.end());
  const uint32_t centralSize = static_cast<uint32_t>(zipFile.size()) - centralOffset;
  Bytes e(zip::end::kSize);
  std::memcpy(e.data(), zip::kEndSignature, 4);
  PutLE16(e.data() + zip::end::kEntriesThisDisk, 1);
  PutLE16(e.data() + zip::end::kEntriesTotal, 1);
  PutLE32(e.data() + zip::end::kDirectorySize, centralSize);
  PutLE32(e.data() + zip::end::kDirectoryOffset, centralOffset);
  zipFile.insert(zipFile.end(), e.begin(), e.end());
  return zipFile;
}

// ---- Shrink (method 1) -------------------------------------------------------------------------
// A plain LZW encoder that keeps the same code table the decoder builds: it widens the code
// (256, 1) just before the first code that needs the wider width, and partially clears (256, 2)
// when the table is nearly full, or every `clearEvery` codes when that is not 0. A clear is only
// sent right after a code that survives it (a literal, or the prefix of another code), because
// the entry the decoder makes next has that code as its prefix, and a clear frees every code that
// is no other code's prefix. The table is never let fill up: one peer tool (unzip -t) rejects a
// code that arrives when no free code is left.
struct ShrinkOptions {
  uint32_t clearEvery = 0;
  bool clearWhenFull = true;
};

struct ShrinkStats {
  int widenings = 0;
  int clears = 0;
  int reusedCodes = 0;  // entries made in codes a clear had freed
  uint32_t codesSent = 0;
  uint32_t fullAt = 0;          // the code count at which the table first became full (0: never)
  std::vector<uint32_t> codes;  // every code sent, controls included
};

inline Bytes Shrink(const Bytes& data, const ShrinkOptions& options = {},
                    ShrinkStats* stats = nullptr) {
  constexpr uint32_t kCodes = 8192;
  constexpr int32_t kUnused = -1;
  constexpr uint32_t kClearMargin = 64;
  ShrinkStats local;
  ShrinkStats& st = stats ? *stats : local;
  BitWriter out;
  if (data.empty()) return out.bytes();
  std::vector<int32_t> prefix(kCodes, kUnused);
  std::vector<uint8_t> suffix(kCodes, 0);
  std::vector<bool> everUsed(kCodes, false);
  std::map<uint32_t, uint32_t> table;  // (prefix << 8 | byte) -> code
  uint32_t nextFree = 257;
  int width = 9;
  uint32_t codesSent = 0;
  auto send = [&](uint32_t code) {
    while (code >= (1u << width)) {
      out.Put(256, width);
      out.Put(1, width);
      ++width;
      ++st.widenings;
    }
    out.Put(code, width);
    st.codes.push_back(code);
  };
  auto advance = [&](uint32_t from) {
    nextFree = from;
    while (nextFree < kCodes && prefix[nextFree] != kUnused) ++nextFree;
  };
  auto partialClear = [&]() {
    std::vector<bool> isPrefix(kCodes, false);
    for (uint32_t c = 257; c < kCodes; ++c) {
      if (prefix[c] != kUnused) isPrefix[prefix[c]] = true;
    }
    for (uint32_t c = 257; c < kCodes; ++c) {
      if (!isPrefix[c]) prefix[c] = kUnused;
    }
    table.clear();
    for (uint32_t c = 257; c < kCodes; ++c) {
      if (prefix[c] != kUnused) table[static_cast<uint32_t>(prefix[c]) << 8 | suffix[c]] = c;
    }
    advance(257);
  };
  uint32_t w = data[0];
  for (size_t i = 1; i <= data.size(); ++i) {
    if (i < data.size()) {
      auto it = table.find(w << 8 | data[i]);
      if (it != table.end()) {
        w = it->second;
        continue;
      }
    }
    send(w);
    st.codesSent = ++codesSent;
    if (i == data.size()) break;
    const bool nearlyFull = nextFree >= kCodes - kClearMargin;
    const bool wanted = (options.clearWhenFull && nearlyFull) ||
                        (options.clearEvery != 0 && codesSent % options.clearEvery == 0);
    if (wanted && (w < 256 || std::find(prefix.begin(), prefix.end(), static_cast<int32_t>(w)) !=
                                  prefix.end())) {
      send(256);
      send(2);
      partialClear();
      ++st.clears;
    }
    if (nextFree < kCodes) {
      if (everUsed[nextFree]) ++st.reusedCodes;
      everUsed[nextFree] = true;
      prefix[nextFree] = static_cast<int32_t>(w);
      suffix[nextFree] = data[i];
      table[w << 8 | data[i]] = nextFree;
      advance(nextFree + 1);
      if (nextFree >= kCodes && st.fullAt == 0) st.fullAt = codesSent;
    }
    w = data[i];
  }
  return out.bytes();
}

// ---- Reduce (methods 2-5) ----------------------------------------------------------------------
// Two layers, as the decoder undoes them. The match layer writes literals (0x90 as 0x90 0x00) and
// matches as 0x90 V [extra length] D with V = (distance - 1) >> 8 in the high bits and the length
// minus 3 in the low bits (all ones: the extra byte adds to it); V = 0 would mean a literal 0x90,
// so a match of length 3 needs a distance above 256. The follower layer codes each byte by the
// previous one's follower set (at most maxFollowers of its most frequent successors).
struct ReduceOptions {
  uint32_t maxFollowers = 63;
  bool matches = true;
  bool matchBeforeStart = false;  // let matches reach into the zeros before the data
};

// The match layer alone: the byte stream the follower layer codes.
inline Bytes ReduceMatchLayer(const Bytes& data, int factor, const ReduceOptions& options) {
  const uint32_t lengthMask = 0xFFu >> factor;
  const uint32_t maxDistance = 256u << factor;
  const uint32_t maxLength = lengthMask + 255 + 3;
  Bytes out;
  auto at = [&](int64_t p) -> uint8_t { return p < 0 ? 0 : data[static_cast<size_t>(p)]; };
  size_t i = 0;
  while (i < data.size()) {
    uint32_t bestLength = 0, bestDistance = 0;
    if (options.matches) {
      const uint32_t reach = options.matchBeforeStart
                                 ? maxDistance
                                 : static_cast<uint32_t>(std::min<size_t>(i, maxDistance));
      for (uint32_t d = 1; d <= reach; ++d) {
        uint32_t n = 0;
        while (n < maxLength && i + n < data.size() &&
               at(static_cast<int64_t>(i + n) - d) == data[i + n]) {
          ++n;
        }
        if (n == 3 && d <= 256) continue;  // would give V = 0
        if (n > bestLength) {
          bestLength = n;
          bestDistance = d;
        }
      }
    }
    if (bestLength >= 3) {
      const uint32_t field = bestLength - 3;
      const uint32_t high = (bestDistance - 1) >> 8;
      out.push_back(0x90);
      out.push_back(static_cast<uint8_t>((high << (8 - factor)) | std::min(field, lengthMask)));
      if (field >= lengthMask) out.push_back(static_cast<uint8_t>(field - lengthMask));
      out.push_back(static_cast<uint8_t>((bestDistance - 1) & 0xFF));
      i += bestLength;
    } else {
      out.push_back(data[i]);
      if (data[i] == 0x90) out.push_back(0);
      ++i;
    }
  }
  return out;
}

inline int ReduceIndexBitsForTest(uint32_t n) {
  int bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}

// The follower layer over an already escaped byte stream.
inline Bytes ReduceFollowerLayer(const Bytes& stream, const ReduceOptions& options) {
  std::vector<std::vector<uint32_t>> counts(256, std::vector<uint32_t>(256, 0));
  uint32_t last = 0;
  for (uint8_t c : stream) {
    ++counts[last][c];
    last = c;
  }
  std::vector<std::vector<uint8_t>> sets(256);
  for (uint32_t b = 0; b < 256; ++b) {
    std::vector<uint32_t> order;
    for (uint32_t c = 0; c < 256; ++c) {
      if (counts[b][c] > 0) order.push_back(c);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t x, uint32_t y) { return counts[b][x] > counts[b][y]; });
    if (order.size() > options.maxFollowers) order.resize(options.maxFollowers);
    for (uint32_t c : order) sets[b].push_back(static_cast<uint8_t>(c));
  }
  BitWriter out;
  for (int b = 255; b >= 0; --b) {
    out.Put(static_cast<uint32_t>(sets[b].size()), 6);
    for (uint8_t c : sets[b]) out.Put(c, 8);
  }
  last = 0;
  for (uint8_t c : stream) {
    const auto& set = sets[last];
    if (set.empty()) {
      out.Put(c, 8);
    } else {
      auto it = std::find(set.begin(), set.end(), c);
      if (it == set.end()) {
        out.Put(1, 1);
        out.Put(c, 8);
      } else {
        out.Put(0, 1);
        out.Put(static_cast<uint32_t>(it - set.begin()),
                ReduceIndexBitsForTest(static_cast<uint32_t>(set.size())));
      }
    }
    last = c;
  }
  return out.bytes();
}

inline Bytes Reduce(const Bytes& data, int factor, const ReduceOptions& options = {}) {
  return ReduceFollowerLayer(ReduceMatchLayer(data, factor, options), options);
}

// ---- Implode (method 6) ------------------------------------------------------------------------
// Code lengths of at most 16 bits for every symbol (each gets a code, as the tree descriptions
// give every symbol a length): Huffman lengths of the counts plus one, the counts halved until the
// longest code fits.
inline std::vector<uint8_t> ImplodeCodeLengths(std::vector<uint64_t> counts) {
  const size_t n = counts.size();
  for (auto& c : counts) ++c;
  for (;;) {
    // Huffman by repeatedly merging the two lightest nodes; depth of each leaf.
    std::vector<uint64_t> weight(counts.begin(), counts.end());
    std::vector<int> parent(2 * n, -1);
    std::vector<bool> merged(2 * n, false);
    weight.resize(2 * n, 0);
    size_t nodes = n;
    for (size_t step = 0; step + 1 < n; ++step) {
      int a = -1, b = -1;
      for (size_t i = 0; i < nodes; ++i) {
        if (merged[i]) continue;
        if (a < 0 || weight[i] < weight[a]) {
          b = a;
          a = static_cast<int>(i);
        } else if (b < 0 || weight[i] < weight[b]) {
          b = static_cast<int>(i);
        }
      }
      merged[a] = merged[b] = true;
      weight[nodes] = weight[a] + weight[b];
      parent[a] = parent[b] = static_cast<int>(nodes);
      ++nodes;
    }
    std::vector<uint8_t> lengths(n);
    unsigned longest = 0;
    for (size_t i = 0; i < n; ++i) {
      unsigned depth = 0;
      for (int p = parent[i]; p >= 0; p = parent[p]) ++depth;
      lengths[i] = static_cast<uint8_t>(depth);
      longest = std::max(longest, depth);
    }
    if (longest <= 16) return lengths;
    for (auto& c : counts) c = (c >> 1) | 1;
  }
}

// Canonical codes for the lengths: shorter first, equal lengths in symbol order.
inline std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  uint32_t perLength[17] = {};
  for (uint8_t l : lengths) ++perLength[l];
  perLength[0] = 0;
  uint32_t next[17] = {};
  uint32_t code = 0;
  for (int l = 1; l <= 16; ++l) {
    code = (code + perLength[l - 1]) << 1;
    next[l] = code;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (size_t i = 0; i < lengths.size(); ++i) codes[i] = next[lengths[i]]++;
  return codes;
}

class ShannonFanoTree {
 public:
  explicit ShannonFanoTree(std::vector<uint8_t> lengths)
      : lengths_(std::move(lengths)), codes_(CanonicalCodes(lengths_)) {}
  // The description: (bytes - 1), then runs of equal lengths, at most 16 a byte.
  void Describe(BitWriter& out) const {
    std::vector<uint8_t> runs;
    for (size_t i = 0; i < lengths_.size();) {
      size_t j = i;
      while (j < lengths_.size() && j - i < 16 && lengths_[j] == lengths_[i]) ++j;
      runs.push_back(static_cast<uint8_t>(((j - i - 1) << 4) | (lengths_[i] - 1)));
      i = j;
    }
    out.Put(static_cast<uint32_t>(runs.size() - 1), 8);
    for (uint8_t r : runs) out.Put(r, 8);
  }
  // The code with its bits inverted, first bit first.
  void Put(BitWriter& out, uint32_t symbol) const {
    const uint32_t inverted = ~codes_[symbol];
    for (int b = lengths_[symbol] - 1; b >= 0; --b) out.Put((inverted >> b) & 1, 1);
  }
  unsigned Longest() const { return *std::max_element(lengths_.begin(), lengths_.end()); }

 private:
  std::vector<uint8_t> lengths_;
  std::vector<uint32_t> codes_;
};

struct ImplodeOptions {
  bool dictionary8K = false;
  bool literalTree = false;
  bool matches = true;
  bool matchBeforeStart = false;  // let matches reach into the zeros before the data
};

struct ImplodeStats {
  unsigned longestLiteralCode = 0, longestLengthCode = 0, longestDistanceCode = 0;
  size_t matches = 0, matchesBeforeStart = 0, longMatches = 0;  // long: length code 63
};

inline uint16_t ImplodeFlags(const ImplodeOptions& o) {
  return static_cast<uint16_t>((o.dictionary8K ? zip::kFlagImplode8KDictionary : 0) |
                               (o.literalTree ? zip::kFlagImplodeThreeTrees : 0));
}

inline Bytes Implode(const Bytes& data, const ImplodeOptions& o, ImplodeStats* stats = nullptr) {
  ImplodeStats local;
  ImplodeStats& st = stats ? *stats : local;
  const int lowBits = o.dictionary8K ? 7 : 6;
  const uint32_t dictionary = o.dictionary8K ? 8192 : 4096;
  const uint32_t minLength = o.literalTree ? 3 : 2;
  const uint32_t maxLength = minLength + 63 + 255;
  auto at = [&](int64_t p) -> uint8_t { return p < 0 ? 0 : data[static_cast<size_t>(p)]; };

  struct Token {
    uint32_t length;  // 0: literal
    uint32_t value;   // the literal or the distance
  };
  std::vector<Token> tokens;
  std::map<uint32_t, std::vector<uint32_t>> chains;  // first two bytes -> positions
  auto key = [&](size_t i) { return static_cast<uint32_t>(data[i]) << 8 | data[i + 1]; };
  for (size_t i = 0; i < data.size();) {
    uint32_t bestLength = 0, bestDistance = 0;
    auto tryDistance = [&](uint32_t d) {
      uint32_t n = 0;
      while (n < maxLength && i + n < data.size() &&
             at(static_cast<int64_t>(i + n) - d) == data[i + n]) {
        ++n;
      }
      if (n > bestLength) {
        bestLength = n;
        bestDistance = d;
      }
    };
    if (o.matches && i + 1 < data.size()) {
      auto it = chains.find(key(i));
      if (it != chains.end()) {
        int tried = 0;
        for (auto p = it->second.rbegin(); p != it->second.rend() && tried < 64; ++p, ++tried) {
          if (i - *p > dictionary) break;
          tryDistance(static_cast<uint32_t>(i - *p));
        }
      }
      if (o.matchBeforeStart && i < dictionary) {
        tryDistance(static_cast<uint32_t>(i + 1));
        tryDistance(dictionary);
      }
    }
    const size_t step = bestLength >= minLength ? bestLength : 1;
    if (bestLength >= minLength) {
      tokens.push_back({bestLength, bestDistance});
      ++st.matches;
      if (bestDistance > i) ++st.matchesBeforeStart;
      if (bestLength - minLength >= 63) ++st.longMatches;
    } else {
      tokens.push_back({0, data[i]});
    }
    for (size_t k = i; k < i + step; ++k) {
      if (k + 1 < data.size()) chains[key(k)].push_back(static_cast<uint32_t>(k));
    }
    i += step;
  }

  std::vector<uint64_t> literalCounts(256), lengthCounts(64), distanceCounts(64);
  for (const Token& t : tokens) {
    if (t.length == 0) {
      ++literalCounts[t.value];
    } else {
      ++lengthCounts[std::min<uint32_t>(t.length - minLength, 63)];
      ++distanceCounts[(t.value - 1) >> lowBits];
    }
  }
  const ShannonFanoTree literalTree(ImplodeCodeLengths(literalCounts));
  const ShannonFanoTree lengthTree(ImplodeCodeLengths(lengthCounts));
  const ShannonFanoTree distanceTree(ImplodeCodeLengths(distanceCounts));
  st.longestLiteralCode = o.literalTree ? literalTree.Longest() : 0;
  st.longestLengthCode = lengthTree.Longest();
  st.longestDistanceCode = distanceTree.Longest();

  BitWriter out;
  if (o.literalTree) literalTree.Describe(out);
  lengthTree.Describe(out);
  distanceTree.Describe(out);
  for (const Token& t : tokens) {
    if (t.length == 0) {
      out.Put(1, 1);
      if (o.literalTree) {
        literalTree.Put(out, t.value);
      } else {
        out.Put(t.value, 8);
      }
      continue;
    }
    out.Put(0, 1);
    out.Put((t.value - 1) & ((1u << lowBits) - 1), lowBits);
    distanceTree.Put(out, (t.value - 1) >> lowBits);
    const uint32_t l = t.length - minLength;
    lengthTree.Put(out, std::min<uint32_t>(l, 63));
    if (l >= 63) out.Put(l - 63, 8);
  }
  return out.bytes();
}

#ifdef PELLORO_HAVE_PEERS
// Which peer tools accept an archive: the test commands `unzip -t` and `7z t`, each run on a copy
// in a fresh temporary folder with a time limit and no input.
struct PeerVerdict {
  bool unzip = false;
  bool sevenZip = false;
};

inline PeerVerdict PeersTest(const Bytes& zipFile) {
  PeerVerdict verdict;
  char folder[] = "/tmp/pelloro-legacy-XXXXXX";
  if (mkdtemp(folder) == nullptr) return verdict;
  const std::string dir = folder;
  const std::string path = dir + "/t.zip";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    const bool written = std::fwrite(zipFile.data(), 1, zipFile.size(), f) == zipFile.size();
    if (std::fclose(f) == 0 && written) {
      verdict.unzip = std::system(("cd '" + dir +
                                   "' && timeout 20 unzip -t -qq t.zip </dev/null "
                                   ">/dev/null 2>&1")
                                      .c_str()) == 0;
      verdict.sevenZip = std::system(("cd '" + dir +
                                      "' && timeout 20 7z t t.zip </dev/null "
                                      ">/dev/null 2>&1")
                                         .c_str()) == 0;
    }
  }
  std::system(("rm -rf '" + dir + "'").c_str());
  return verdict;
}
#endif

}  // namespace legacytest
