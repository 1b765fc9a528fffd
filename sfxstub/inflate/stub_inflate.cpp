#include "stub_inflate.h"

namespace {

constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kMaxCodes = 320;
constexpr uint32_t kWindowMask = kDecoderWindowSize - 1;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                          11, 4,  12, 3, 13, 2, 14, 1, 15};
constexpr uint16_t kMask[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F,
                                0x003F, 0x007F, 0x00FF, 0x01FF, 0x03FF, 0x07FF,
                                0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

constexpr unsigned kFixedLiteralBits = 7;
constexpr unsigned kFixedDistanceBits = 5;
constexpr unsigned kDynamicLiteralBits = 9;
constexpr unsigned kDynamicDistanceBits = 6;
constexpr unsigned kCodeLengthBits = 7;

StubCode CodeFor(unsigned symbol, StubTableKind kind, uint8_t bits) {
  switch (kind) {
    case StubTableKind::kCodeLength:
      return {kStubCodeLiteral, bits, static_cast<uint16_t>(symbol)};
    case StubTableKind::kDistance:
      if (symbol < 30) return {kDistanceExtra[symbol], bits, kDistanceBase[symbol]};
      return {kStubCodeInvalid, bits, 0};
    case StubTableKind::kLiteralLength:
      break;
  }
  if (symbol < 256) return {kStubCodeLiteral, bits, static_cast<uint16_t>(symbol)};
  if (symbol == 256) return {kStubCodeEndOfBlock, bits, 0};
  if (symbol - 257 < 29) return {kLengthExtra[symbol - 257], bits, kLengthBase[symbol - 257]};
  return {kStubCodeInvalid, bits, 0};  // 286 and 287 exist only to complete the fixed code
}

// The code's bits in the order the stream sends them (first bit lowest).
unsigned Reverse(unsigned code, unsigned length) {
  unsigned r = 0;
  for (unsigned i = 0; i < length; ++i) {
    r = (r << 1) | (code & 1u);
    code >>= 1;
  }
  return r;
}

// Whatever the decoder took from the hook during one block; given back when the block ends.
class BlockMemory {
 public:
  explicit BlockMemory(StubInflateMemory& memory) : memory_(memory) {}
  ~BlockMemory() {
    for (unsigned i = 0; i < count_; ++i) memory_.Release(blocks_[i]);
  }
  BlockMemory(const BlockMemory&) = delete;
  BlockMemory& operator=(const BlockMemory&) = delete;
  void* Take(size_t bytes) {
    if (count_ == kMaxBlocks) return nullptr;
    void* block = memory_.Allocate(bytes);
    if (block != nullptr) blocks_[count_++] = block;
    return block;
  }
  void Keep(void* block) {
    if (block != nullptr) blocks_[count_++] = block;
  }

 private:
  static constexpr unsigned kMaxBlocks = 4;
  StubInflateMemory& memory_;
  void* blocks_[kMaxBlocks] = {};
  unsigned count_ = 0;
};

class Decoder {
 public:
  Decoder(DecoderInput& in, DecoderOutput& out, uint8_t* window, StubInflateMemory& memory)
      : in_(in), out_(out), window_(window), memory_(memory) {}

  int Run() {
    for (;;) {
      if (!Need(3)) return kStubInflateBadData;
      const uint32_t final = Bits(1);
      Drop(1);
      const uint32_t type = Bits(2);
      Drop(2);
      int result;
      if (type == 0)
        result = StoredBlock();
      else if (type == 1)
        result = FixedBlock();
      else if (type == 2)
        result = DynamicBlock();
      else
        result = kStubInflateBadBlock;
      if (result != kStubInflateOk) return result;
      out_.BlockDone();
      if (final) break;
    }
    if (position_ != 0) out_.Write(window_, position_);
    return kStubInflateOk;
  }

 private:
  // Fills the bit buffer to at least n bits (n <= 16) one byte at a time. Past the end of the
  // input the missing bits read as zeros so that a lookup near the end can be made; false then,
  // and Drop refuses to take bits that are not there.
  bool Need(unsigned n) {
    while (count_ < n) {
      if (runLeft_ == 0) {
        runLeft_ = in_.NextRun(&run_);
        if (runLeft_ == 0) return false;
      }
      bits_ |= static_cast<uint32_t>(*run_++) << count_;
      --runLeft_;
      count_ += 8;
    }
    return true;
  }
  uint32_t Bits(unsigned n) const { return bits_ & kMask[n]; }
  bool Drop(unsigned n) {
    if (n > count_) return false;
    bits_ >>= n;
    count_ -= n;
    return true;
  }
  // Reads n bits (n <= 16) into *value; false when the input ends first.
  bool Take(unsigned n, uint32_t* value) {
    if (!Need(n)) return false;
    *value = Bits(n);
    Drop(n);
    return true;
  }

  void Put(uint8_t byte) {
    window_[position_++] = byte;
    if (position_ == kDecoderWindowSize) {
      out_.Write(window_, kDecoderWindowSize);
      position_ = 0;
      wrapped_ = true;
    }
  }

  // The entry the next code selects, through sub-tables; nullptr for an invalid code, a lookup in
  // an empty table or a code cut off by the end of the input.
  const StubCode* Decode(const StubTable& table) {
    if (table.entries == nullptr) return nullptr;
    Need(table.lookupBits);
    const StubCode* code = &table.entries[Bits(table.lookupBits)];
    while (code->e > kStubCodeLiteral && code->e != kStubCodeInvalid) {
      const StubCode* sub = table.entries + code->value;
      if (!Drop(code->b)) return nullptr;
      const unsigned subBits = code->e - kStubCodeLiteral;
      Need(subBits);
      code = &sub[Bits(subBits)];
    }
    if (code->e == kStubCodeInvalid) return nullptr;
    if (!Drop(code->b)) return nullptr;
    return code;
  }

  int StoredBlock() {
    Drop(count_ & 7u);
    uint32_t length, complement;
    if (!Take(16, &length) || !Take(16, &complement)) return kStubInflateBadData;
    if (length != (~complement & 0xFFFFu)) return kStubInflateBadData;
    // Whole bytes still in the bit buffer come first, then the input runs directly.
    for (; length > 0 && count_ >= 8; --length) {
      Put(static_cast<uint8_t>(Bits(8)));
      Drop(8);
    }
    while (length > 0) {
      if (runLeft_ == 0) {
        runLeft_ = in_.NextRun(&run_);
        if (runLeft_ == 0) return kStubInflateBadData;
      }
      size_t n = runLeft_ < length ? runLeft_ : length;
      runLeft_ -= n;
      length -= static_cast<uint32_t>(n);
      while (n-- > 0) Put(*run_++);
    }
    return kStubInflateOk;
  }

  int FixedBlock() {
    BlockMemory block(memory_);
    uint8_t* lengths = static_cast<uint8_t*>(block.Take(288 + 30));
    if (lengths == nullptr) return kStubInflateNoMemory;
    unsigned i = 0;
    for (; i < 144; ++i) lengths[i] = 8;
    for (; i < 256; ++i) lengths[i] = 9;
    for (; i < 280; ++i) lengths[i] = 7;
    for (; i < 288; ++i) lengths[i] = 8;
    for (i = 0; i < 30; ++i) lengths[288 + i] = 5;
    StubTable literals, distances;
    int result = BuildStubTable(lengths, 288, StubTableKind::kLiteralLength, kFixedLiteralBits,
                                memory_, &literals);
    block.Keep(literals.entries);
    if (result != 0) return result;
    // Thirty codes of five bits leave two unused: the one set that is used incomplete.
    result = BuildStubTable(lengths + 288, 30, StubTableKind::kDistance, kFixedDistanceBits,
                            memory_, &distances);
    block.Keep(distances.entries);
    if (result != 0 && result != 1) return result;
    return Codes(literals, distances);
  }

  int DynamicBlock() {
    uint32_t hlit, hdist, hclen;
    if (!Take(5, &hlit) || !Take(5, &hdist) || !Take(4, &hclen)) return kStubInflateBadData;
    hlit += 257;
    hdist += 1;
    hclen += 4;
    if (hlit > 286 || hdist > 30) return kStubInflateBadData;

    BlockMemory block(memory_);
    uint8_t* lengths = static_cast<uint8_t*>(block.Take(kMaxCodes));
    if (lengths == nullptr) return kStubInflateNoMemory;
    for (unsigned i = 0; i < 19; ++i) lengths[i] = 0;
    for (unsigned i = 0; i < hclen; ++i) {
      uint32_t length;
      if (!Take(3, &length)) return kStubInflateBadData;
      lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(length);
    }
    StubTable table;
    int result =
        BuildStubTable(lengths, 19, StubTableKind::kCodeLength, kCodeLengthBits, memory_, &table);
    if (result != 0) {
      if (table.entries != nullptr) memory_.Release(table.entries);
      return result;
    }
    // The code-length table is used up before the block's own tables are built.
    const unsigned total = hlit + hdist;
    unsigned n = 0;
    uint8_t previous = 0;
    while (n < total) {
      const StubCode* code = Decode(table);
      if (code == nullptr) {
        result = kStubInflateBadData;
        break;
      }
      const unsigned symbol = code->value;
      if (symbol < 16) {
        previous = static_cast<uint8_t>(symbol);
        lengths[n++] = previous;
        continue;
      }
      uint32_t extra;
      unsigned repeat;
      uint8_t value = 0;
      if (symbol == 16) {
        if (!Take(2, &extra)) {
          result = kStubInflateBadData;
          break;
        }
        repeat = 3 + extra;
        value = previous;
      } else if (symbol == 17) {
        if (!Take(3, &extra)) {
          result = kStubInflateBadData;
          break;
        }
        repeat = 3 + extra;
        previous = 0;
      } else {
        if (!Take(7, &extra)) {
          result = kStubInflateBadData;
          break;
        }
        repeat = 11 + extra;
        previous = 0;
      }
      if (n + repeat > total) {
        result = kStubInflateBadData;
        break;
      }
      while (repeat-- > 0) lengths[n++] = value;
    }
    if (table.entries != nullptr) memory_.Release(table.entries);
    if (result != 0) return result;

    StubTable literals, distances;
    result = BuildStubTable(lengths, hlit, StubTableKind::kLiteralLength, kDynamicLiteralBits,
                            memory_, &literals);
    block.Keep(literals.entries);
    if (result != 0) return result;
    result = BuildStubTable(lengths + hlit, hdist, StubTableKind::kDistance, kDynamicDistanceBits,
                            memory_, &distances);
    block.Keep(distances.entries);
    if (result != 0) return result;
    return Codes(literals, distances);
  }

  int Codes(const StubTable& literals, const StubTable& distances) {
    for (;;) {
      const StubCode* code = Decode(literals);
      if (code == nullptr) return kStubInflateBadData;
      if (code->e == kStubCodeLiteral) {
        Put(static_cast<uint8_t>(code->value));
        continue;
      }
      if (code->e == kStubCodeEndOfBlock) return kStubInflateOk;
      uint32_t extra;
      if (!Take(code->e, &extra)) return kStubInflateBadData;
      unsigned length = code->value + extra;
      code = Decode(distances);
      if (code == nullptr || code->e > 13) return kStubInflateBadData;
      if (!Take(code->e, &extra)) return kStubInflateBadData;
      const uint32_t distance = code->value + extra;
      if (!wrapped_ && distance > position_) return kStubInflateBadData;
      uint32_t from = (position_ - distance) & kWindowMask;
      while (length-- > 0) {
        Put(window_[from]);
        from = (from + 1) & kWindowMask;
      }
    }
  }

  DecoderInput& in_;
  DecoderOutput& out_;
  uint8_t* window_;
  StubInflateMemory& memory_;
  const uint8_t* run_ = nullptr;
  size_t runLeft_ = 0;
  uint32_t bits_ = 0;
  unsigned count_ = 0;
  uint32_t position_ = 0;
  bool wrapped_ = false;
};

}  // namespace

int BuildStubTable(const uint8_t* lengths, unsigned count, StubTableKind kind, unsigned lookupBits,
                   StubInflateMemory& memory, StubTable* table) {
  table->entries = nullptr;
  table->lookupBits = lookupBits;
  if (count > kMaxCodes || lookupBits == 0 || lookupBits > kMaxCodeLength) return 1;
  unsigned perLength[kMaxCodeLength + 1] = {};
  unsigned longest = 0;
  for (unsigned s = 0; s < count; ++s) {
    if (lengths[s] > kMaxCodeLength) return 1;
    ++perLength[lengths[s]];
    if (lengths[s] > longest) longest = lengths[s];
  }
  if (longest == 0) return 0;
  int left = 1;
  for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
    left = (left << 1) - static_cast<int>(perLength[len]);
    if (left < 0) return 2;
  }
  const int status = (left > 0 && longest > 1) ? 1 : 0;

  unsigned next[kMaxCodeLength + 2] = {};
  unsigned code = 0;
  perLength[0] = 0;
  for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
    code = (code + perLength[len - 1]) << 1;
    next[len] = code;
  }

  // Each first-level slot that longer codes pass through gets one sub-table, as wide as the
  // longest of those codes needs. The sub-table widths go in a work array of one byte per slot.
  const unsigned rootSize = 1u << lookupBits;
  uint8_t* subBits = static_cast<uint8_t*>(memory.Allocate(rootSize));
  if (subBits == nullptr) return kStubInflateNoMemory;
  for (unsigned i = 0; i < rootSize; ++i) subBits[i] = 0;
  unsigned walk[kMaxCodeLength + 2];
  for (unsigned len = 0; len <= kMaxCodeLength; ++len) walk[len] = next[len];
  for (unsigned s = 0; s < count; ++s) {
    const unsigned len = lengths[s];
    if (len <= lookupBits) {
      if (len != 0) ++walk[len];
      continue;
    }
    const unsigned slot = Reverse(walk[len]++, len) & (rootSize - 1);
    if (len - lookupBits > subBits[slot]) subBits[slot] = static_cast<uint8_t>(len - lookupBits);
  }
  unsigned total = rootSize;
  for (unsigned i = 0; i < rootSize; ++i) {
    if (subBits[i] != 0) total += 1u << subBits[i];
  }
  StubCode* entries = static_cast<StubCode*>(memory.Allocate(total * sizeof(StubCode)));
  if (entries == nullptr) {
    memory.Release(subBits);
    return kStubInflateNoMemory;
  }
  for (unsigned i = 0; i < total; ++i) entries[i] = {kStubCodeInvalid, 1, 0};
  unsigned start = rootSize;
  for (unsigned i = 0; i < rootSize; ++i) {
    if (subBits[i] == 0) continue;
    entries[i] = {static_cast<uint8_t>(kStubCodeLiteral + subBits[i]),
                  static_cast<uint8_t>(lookupBits), static_cast<uint16_t>(start)};
    start += 1u << subBits[i];
  }
  for (unsigned s = 0; s < count; ++s) {
    const unsigned len = lengths[s];
    if (len == 0) continue;
    const unsigned reversed = Reverse(next[len]++, len);
    if (len <= lookupBits) {
      const StubCode entry = CodeFor(s, kind, static_cast<uint8_t>(len));
      for (unsigned i = reversed; i < rootSize; i += 1u << len) entries[i] = entry;
      continue;
    }
    const StubCode& link = entries[reversed & (rootSize - 1)];
    const unsigned width = 1u << (link.e - kStubCodeLiteral);
    const unsigned rest = len - lookupBits;
    const StubCode entry = CodeFor(s, kind, static_cast<uint8_t>(rest));
    for (unsigned i = reversed >> lookupBits; i < width; i += 1u << rest) {
      entries[link.value + i] = entry;
    }
  }
  memory.Release(subBits);
  table->entries = entries;
  return status;
}

int StubInflate(DecoderInput& in, DecoderOutput& out, uint8_t* window, StubInflateMemory& memory) {
  Decoder decoder(in, out, window, memory);
  return decoder.Run();
}
