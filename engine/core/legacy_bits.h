// The least-significant-bit-first bit reader shared by explode, unshrink and unreduce, and the
// result codes of those three decoders.
//
// The reader knows exactly how many bits of the entry's compressed data are left, so a decoder can
// stop when a symbol needs more bits than remain. (Stopping when a byte fetch fails instead would
// drop the last symbols of a valid entry, because a buffer that is topped up ahead of its use runs
// past the end of the data before the decoder has used the bits it holds.)
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/decoder_io.h"

// Results of Explode, Unshrink and Unreduce.
enum LegacyResult : int {
  kLegacyOk = 0,
  // Damaged data: an invalid code, a code or symbol cut off by the end of the compressed data
  // before the entry's size was produced, a code width or subcode the format does not have.
  kLegacyDamaged = 1,
  // Unshrink: a code's string is longer than the 8,192-byte decode stack (a cycle in damaged data).
  kLegacyChainTooLong = 3,
  // Explode: a tree description does not give exactly the number of bit lengths the tree needs.
  kLegacyBadTree = 4,
  // Explode: the uncompressed size was produced with whole bytes of compressed data left over.
  kLegacyInputLeft = 5,
  // The decoder's tables could not be allocated.
  kLegacyNoMemory = 6,
};

class LegacyBitReader {
 public:
  explicit LegacyBitReader(DecoderInput& in) : in_(in) {}

  // Makes sure at least n bits (n <= 32) are held; false when the data ends first.
  bool Need(int n) {
    while (count_ < n) {
      if (!Load()) return false;
    }
    return true;
  }

  // Holds as many bits as the data still has, up to n (n <= 32); returns how many are held.
  int FillUpTo(int n) {
    while (count_ < n && Load()) {
    }
    return count_ < n ? count_ : n;
  }

  // The next n held bits (n <= 32), first bit in bit 0; bits above those held read as 0.
  uint32_t Peek(int n) const { return static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1)); }
  void Drop(int n) {
    bits_ >>= n;
    count_ -= n;
  }
  // Takes n bits; Need(n) must have succeeded.
  uint32_t Take(int n) {
    const uint32_t v = Peek(n);
    Drop(n);
    return v;
  }

  int Held() const { return count_; }

  // Whether at least one whole byte of the compressed data has not been used: the padding of the
  // last byte does not count.
  bool WholeBytesLeft() { return count_ >= 8 || Load(); }

 private:
  // Appends the next data byte to the held bits; false at the end of the data.
  bool Load() {
    if (left_ == 0) {
      if (ended_) return false;
      left_ = in_.NextRun(&run_);
      if (left_ == 0) {
        ended_ = true;
        return false;
      }
    }
    bits_ |= static_cast<uint64_t>(*run_++) << count_;
    --left_;
    count_ += 8;
    return true;
  }

  DecoderInput& in_;
  const uint8_t* run_ = nullptr;
  size_t left_ = 0;
  bool ended_ = false;
  uint64_t bits_ = 0;
  int count_ = 0;
};

// Collects decoded bytes in a circular window of `size` bytes (a power of two) and hands it to the
// output each time it fills, and its filled part at the end. It never accepts more than the limit
// (the entry's uncompressed size), so that damaged data cannot write past it.
class LegacyWindowSink {
 public:
  LegacyWindowSink(DecoderOutput& out, uint8_t* window, uint32_t size, uint32_t limit)
      : out_(out), window_(window), mask_(size - 1), limit_(limit) {}

  bool Full() const { return produced_ >= limit_; }
  uint32_t Produced() const { return produced_; }

  void Put(uint8_t byte) {
    window_[pos_++] = byte;
    ++produced_;
    if (pos_ > mask_) FlushWhole();
  }

  // Copies a match of `length` bytes from `distance` bytes back (1 <= distance <= size), byte by
  // byte so that an overlapping match repeats its start; stops at the limit.
  void Copy(uint32_t distance, uint32_t length) {
    const uint32_t room = limit_ - produced_;
    if (length > room) length = room;
    uint32_t from = (pos_ - distance) & mask_;
    while (length-- > 0) {
      const uint8_t byte = window_[from];
      from = (from + 1) & mask_;
      Put(byte);
    }
  }

  // Hands the filled part of the window to the output.
  void Finish() {
    if (pos_ > 0) out_.Write(window_, pos_);
    pos_ = 0;
  }

 private:
  void FlushWhole() {
    out_.Write(window_, pos_);
    pos_ = 0;
  }

  DecoderOutput& out_;
  uint8_t* window_;
  uint32_t mask_;
  uint32_t limit_;
  uint32_t pos_ = 0;
  uint32_t produced_ = 0;
};
