// The deflate compressor's bit writer: bits enter a 64-bit accumulator least significant bit first
// and leave it as whole bytes, eight at a time, into an output buffer that is drained to the sink
// when it is nearly full. One symbol (at most 48 bits with its extra bits) is put as one value and
// followed by one Flush, so the accumulator never holds more than 7 + 48 bits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <bit>

#include "core/deflate.h"

class DeflateBitWriter {
 public:
  // The buffer's capacity before it is drained; the array behind it has room for one more store.
  static constexpr size_t kBufferSize = 24576;

  void Start(DeflateSink* sink) {
    sink_ = sink;
    bits_ = 0;
    count_ = 0;
    fill_ = 0;
    bytesOut_ = 0;
    failed_ = false;
  }

  // Adds the lowest n bits of value (n + pending bits <= 64; the caller flushes often enough).
  void Put(uint64_t value, unsigned n) {
    bits_ |= value << count_;
    count_ += n;
  }

  // Moves the whole bytes of the accumulator into the buffer (at most 63 bits are pending, so the
  // shift stays below 64).
  void Flush() {
    StoreLE64(buffer_ + fill_, bits_);
    fill_ += count_ >> 3;
    bits_ >>= count_ & ~7u;
    count_ &= 7;
    if (fill_ >= kBufferSize) Drain();
  }

  // Pads the pending bits with zeros to a byte boundary.
  void AlignToByte() {
    if (count_ & 7) count_ = (count_ + 7) & ~7u;
    Flush();
  }

  // Writes n bytes as they are (the bit position must be on a byte boundary, after AlignToByte).
  void PutBytes(const uint8_t* data, size_t n) {
    Drain();
    if (n == 0) return;
    bytesOut_ += n;
    if (!sink_->Write(data, n)) failed_ = true;
  }

  // Hands the buffered bytes to the sink.
  void Drain() {
    if (fill_ == 0) return;
    bytesOut_ += fill_;
    if (!sink_->Write(buffer_, fill_)) failed_ = true;  // the bytes are dropped; the flag tells
    fill_ = 0;
  }

  // Bits produced so far, pending ones included.
  uint64_t BitCount() const { return (bytesOut_ + fill_) * 8 + count_; }
  uint64_t ByteCount() const { return bytesOut_ + fill_ + ((count_ + 7) >> 3); }
  bool Failed() const { return failed_; }

 private:
  friend class DeflateBitCursor;

  static void StoreLE64(uint8_t* p, uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(p, &v, sizeof v);
    } else {
      for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
  }

  DeflateSink* sink_ = nullptr;
  uint64_t bits_ = 0;
  unsigned count_ = 0;
  size_t fill_ = 0;
  uint64_t bytesOut_ = 0;
  bool failed_ = false;
  uint8_t buffer_[kBufferSize + 8] = {};
};

// The writer's state held in locals for a hot loop: a byte store into the buffer could otherwise
// alias the writer's own fields and force them through memory on every symbol. The state goes
// back to the writer when the cursor ends and before every drain.
class DeflateBitCursor {
 public:
  explicit DeflateBitCursor(DeflateBitWriter& writer)
      : writer_(writer),
        bits_(writer.bits_),
        count_(writer.count_),
        next_(writer.buffer_ + writer.fill_),
        limit_(writer.buffer_ + DeflateBitWriter::kBufferSize) {}
  ~DeflateBitCursor() { Sync(); }
  DeflateBitCursor(const DeflateBitCursor&) = delete;
  DeflateBitCursor& operator=(const DeflateBitCursor&) = delete;

  void Put(uint64_t value, unsigned n) {
    bits_ |= value << count_;
    count_ += n;
  }
  void Flush() {
    DeflateBitWriter::StoreLE64(next_, bits_);
    next_ += count_ >> 3;
    bits_ >>= count_ & ~7u;
    count_ &= 7;
    if (next_ >= limit_) {
      Sync();
      writer_.Drain();
      next_ = writer_.buffer_;
    }
  }

 private:
  void Sync() {
    writer_.bits_ = bits_;
    writer_.count_ = count_;
    writer_.fill_ = static_cast<size_t>(next_ - writer_.buffer_);
  }

  DeflateBitWriter& writer_;
  uint64_t bits_;
  unsigned count_;
  uint8_t* next_;
  uint8_t* const limit_;
};
