// What the portable decoders (inflate, explode, unshrink, unreduce) know of the archive reader:
// a source of compressed bytes and a sink for the decoded window. The engine implements both over
// its buffered archive input (with decryption) and its output buffer (with CRC-32 and progress);
// tests and fuzz targets implement them over memory.
#pragma once
#include <cstddef>
#include <cstdint>

// The entry's compressed data. Each call hands out the next run of bytes (for the engine, the rest
// of the current input block) and never anything past the entry's compressed data.
class DecoderInput {
 public:
  virtual ~DecoderInput() = default;
  // Points *run at the next bytes and returns how many (at least 1), or 0 at the end of the data.
  virtual size_t NextRun(const uint8_t** run) = 0;
};

// Receives the decoded bytes in window-sized pieces, in order.
class DecoderOutput {
 public:
  virtual ~DecoderOutput() = default;
  virtual void Write(const uint8_t* data, size_t n) = 0;
  // Called after each decoded block (inflate) so that the engine can pump its message queue.
  virtual void BlockDone() {}
};

// The sliding window every decoder works in: 32,768 bytes, supplied by the caller.
inline constexpr size_t kDecoderWindowSize = 32768;

// In-memory implementations for tests, fuzz targets and benchmarks.
class MemoryDecoderInput : public DecoderInput {
 public:
  // chunk limits each run, to exercise decoders on input that arrives in small pieces.
  MemoryDecoderInput(const uint8_t* data, size_t size, size_t chunk = SIZE_MAX)
      : data_(data), size_(size), chunk_(chunk == 0 ? 1 : chunk) {}
  size_t NextRun(const uint8_t** run) override {
    if (pos_ >= size_) return 0;
    size_t n = size_ - pos_;
    if (n > chunk_) n = chunk_;
    *run = data_ + pos_;
    pos_ += n;
    return n;
  }
  size_t Consumed() const { return pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t chunk_;
  size_t pos_ = 0;
};
