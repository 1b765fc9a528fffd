// In-memory source and sink for the deflate compressor (tests, fuzz targets, benchmarks).
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/deflate.h"

class MemoryDeflateSource : public DeflateSource {
 public:
  // chunk limits each read, to exercise the compressor on input that arrives in small pieces.
  MemoryDeflateSource(const uint8_t* data, size_t size, size_t chunk = SIZE_MAX)
      : data_(data), size_(size), chunk_(chunk == 0 ? 1 : chunk) {}
  long Read(uint8_t* buffer, size_t n) override {
    const size_t take = std::min({n, size_ - pos_, chunk_});
    std::copy(data_ + pos_, data_ + pos_ + take, buffer);
    pos_ += take;
    return static_cast<long>(take);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t chunk_;
  size_t pos_ = 0;
};

class MemoryDeflateSink : public DeflateSink {
 public:
  bool Write(const uint8_t* data, size_t n) override {
    bytes.insert(bytes.end(), data, data + n);
    return true;
  }
  void Clear() { bytes.clear(); }
  std::vector<uint8_t> bytes;
};
