// Feeds arbitrary bytes to the stub's decoder and to zlib's raw inflate. Whenever zlib decodes the
// input completely, the stub must succeed with the same bytes; on any input it must stop with one
// of its codes, within the output the input's bits can describe, having given back every table.
// The first byte chooses how the input is cut into runs; the second, which allocation fails.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/decoder_io.h"
#include "stub_inflate.h"

namespace {

class CollectingOutput : public DecoderOutput {
 public:
  void Write(const uint8_t* data, size_t n) override {
    if (n == 0 || n > kDecoderWindowSize) std::abort();
    bytes.insert(bytes.end(), data, data + n);
  }
  std::vector<uint8_t> bytes;
};

class FuzzMemory : public StubInflateMemory {
 public:
  explicit FuzzMemory(int failAt) : failAt_(failAt) {}
  void* Allocate(size_t bytes) override {
    if (count_++ == failAt_) return nullptr;
    ++live;
    return std::malloc(bytes);
  }
  void Release(void* block) override {
    --live;
    std::free(block);
  }
  int live = 0;

 private:
  int failAt_;
  int count_ = 0;
};

bool ZlibInflate(const uint8_t* data, size_t size, std::vector<uint8_t>* out) {
  z_stream s{};
  if (inflateInit2(&s, -15) != Z_OK) return false;
  s.next_in = const_cast<Bytef*>(data);
  s.avail_in = static_cast<uInt>(size);
  std::vector<uint8_t> buffer(1 << 16);
  int rc;
  do {
    s.next_out = buffer.data();
    s.avail_out = static_cast<uInt>(buffer.size());
    rc = inflate(&s, Z_NO_FLUSH);
    out->insert(out->end(), buffer.data(), buffer.data() + (buffer.size() - s.avail_out));
  } while (rc == Z_OK && (s.avail_in > 0 || s.avail_out == 0));
  inflateEnd(&s);
  return rc == Z_STREAM_END;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t chunk = data[0] == 0 ? SIZE_MAX : data[0];
  // Most runs never fail an allocation, so that decoding is compared with zlib's.
  const int failAt = data[1] < 240 ? -1 : data[1] - 240;
  data += 2;
  size -= 2;

  MemoryDecoderInput in(data, size, chunk);
  CollectingOutput out;
  FuzzMemory memory(failAt);
  std::vector<uint8_t> window(kDecoderWindowSize);
  const int result = StubInflate(in, out, window.data(), memory);
  if (memory.live != 0) std::abort();
  if (result != kStubInflateOk && result != kStubInflateBadData && result != kStubInflateBadBlock &&
      result != kStubInflateNoMemory) {
    std::abort();
  }
  if (result == kStubInflateNoMemory && failAt < 0) std::abort();
  if (out.bytes.size() > 258 * 8 * size + 65535) std::abort();

  std::vector<uint8_t> expected;
  if (failAt < 0 && ZlibInflate(data, size, &expected)) {
    if (result != kStubInflateOk || out.bytes != expected) std::abort();
  }
  return 0;
}
