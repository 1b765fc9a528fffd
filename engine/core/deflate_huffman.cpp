#include "core/deflate_huffman.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kMaxSymbols = 288;
constexpr unsigned kMaxCodeBits = 15;

}  // namespace

void BuildCodeLengths(const uint32_t* freq, size_t n, unsigned maxBits, uint8_t* lengths) {
  std::memset(lengths, 0, n);
  if (n == 0 || n > kMaxSymbols || maxBits == 0 || maxBits > kMaxCodeBits) return;

  uint32_t work[kMaxSymbols];
  size_t used = 0;
  long highest = -1;
  for (size_t i = 0; i < n; ++i) {
    work[i] = freq[i];
    if (work[i] != 0) {
      ++used;
      highest = static_cast<long>(i);
    }
  }
  // A code needs two symbols at least (a single one would leave the code incomplete); the added
  // symbols never occur, so their codes cost nothing.
  while (used < 2 && used < n) {
    const size_t pick = highest < 2 ? static_cast<size_t>(highest + 1) : 0;
    work[pick] = 1;
    ++used;
    if (static_cast<long>(pick) > highest) highest = static_cast<long>(pick);
  }

  // Leaves in ascending order of frequency (ties by symbol), packed into one sortable key.
  uint64_t keys[kMaxSymbols];
  size_t m = 0;
  for (size_t i = 0; i < n; ++i)
    if (work[i] != 0) keys[m++] = (static_cast<uint64_t>(work[i]) << 16) | i;
  std::sort(keys, keys + m);

  // Two-queue construction: leaves are taken in sorted order and the joined nodes come out in
  // non-decreasing order of weight, so the two lightest nodes are always at one of the queue
  // fronts. Nodes 0..m-1 are the leaves, m..2m-2 the joined nodes; a parent's index is always
  // larger than its children's.
  uint64_t weight[2 * kMaxSymbols];
  uint16_t parent[2 * kMaxSymbols];
  for (size_t i = 0; i < m; ++i) weight[i] = keys[i] >> 16;
  size_t nextLeaf = 0, nextJoined = m, created = m;
  auto takeLightest = [&]() -> size_t {
    if (nextLeaf < m && (nextJoined >= created || weight[nextLeaf] <= weight[nextJoined]))
      return nextLeaf++;
    return nextJoined++;
  };
  for (size_t k = 0; k + 1 < m; ++k) {
    const size_t a = takeLightest();
    const size_t b = takeLightest();
    weight[created] = weight[a] + weight[b];
    parent[a] = parent[b] = static_cast<uint16_t>(created);
    ++created;
  }
  uint8_t depth[2 * kMaxSymbols];
  const size_t root = created - 1;
  depth[root] = 0;
  for (size_t node = root; node-- > 0;) depth[node] = static_cast<uint8_t>(depth[parent[node]] + 1);

  // Count leaves per length with the deep ones put at the limit, then restore the Kraft sum:
  // each step moves a leaf from the deepest level below the limit one level down, where it and a
  // leaf from the limit share its old place; that lowers the sum by exactly one unit at the limit.
  uint32_t countPerLength[kMaxCodeBits + 1] = {};
  for (size_t i = 0; i < m; ++i) countPerLength[std::min<unsigned>(depth[i], maxBits)]++;
  uint64_t kraft = 0;
  for (unsigned len = 1; len <= maxBits; ++len)
    kraft += static_cast<uint64_t>(countPerLength[len]) << (maxBits - len);
  const uint64_t full = uint64_t{1} << maxBits;
  while (kraft > full) {
    unsigned len = maxBits - 1;
    while (countPerLength[len] == 0) --len;
    countPerLength[len]--;
    countPerLength[len + 1] += 2;
    countPerLength[maxBits]--;
    --kraft;
  }

  // The rarest symbols get the longest codes.
  size_t next = 0;
  for (unsigned len = maxBits; len >= 1; --len)
    for (uint32_t c = 0; c < countPerLength[len]; ++c)
      lengths[keys[next++] & 0xFFFF] = static_cast<uint8_t>(len);
}

void AssignCanonicalCodes(const uint8_t* lengths, size_t n, uint16_t* codes) {
  uint32_t countPerLength[kMaxCodeBits + 1] = {};
  for (size_t i = 0; i < n; ++i) countPerLength[lengths[i]]++;
  countPerLength[0] = 0;
  uint32_t nextCode[kMaxCodeBits + 1] = {};
  uint32_t code = 0;
  for (unsigned bits = 1; bits <= kMaxCodeBits; ++bits) {
    code = (code + countPerLength[bits - 1]) << 1;
    nextCode[bits] = code;
  }
  for (size_t i = 0; i < n; ++i) {
    const unsigned len = lengths[i];
    codes[i] = len == 0 ? 0 : static_cast<uint16_t>(ReverseCodeBits(nextCode[len]++, len));
  }
}

size_t RunLengthCodeLengths(const uint8_t* lengths, size_t n, CodeLengthOp* ops) {
  size_t count = 0;
  auto emit = [&](unsigned symbol, unsigned extra) {
    ops[count++] = CodeLengthOp{static_cast<uint8_t>(symbol), static_cast<uint8_t>(extra)};
  };
  int previous = -1;
  size_t i = 0;
  while (i < n) {
    const unsigned len = lengths[i];
    size_t run = 1;
    while (i + run < n && lengths[i + run] == len) ++run;
    i += run;
    if (len == 0) {
      while (run >= 11) {
        const size_t take = std::min<size_t>(run, 138);
        emit(18, static_cast<unsigned>(take - 11));
        run -= take;
      }
      if (run >= 3) {
        emit(17, static_cast<unsigned>(run - 3));
        run = 0;
      }
      while (run-- > 0) emit(0, 0);
    } else {
      // A repeat refers to the previous length, so a run that starts fresh sends its length once.
      if (static_cast<int>(len) != previous) {
        emit(len, 0);
        --run;
      }
      while (run >= 3) {
        const size_t take = std::min<size_t>(run, 6);
        emit(16, static_cast<unsigned>(take - 3));
        run -= take;
      }
      while (run-- > 0) emit(len, 0);
    }
    previous = static_cast<int>(len);
  }
  return count;
}
