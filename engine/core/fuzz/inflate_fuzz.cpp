// Feeds arbitrary bytes to Inflate and to zlib's raw inflate. Whenever zlib decodes the input
// completely, Inflate must succeed with the same bytes; on any input it must stop, within the
// output that the input's bits can describe. The first byte chooses how the input is cut into
// runs, so that refills across run boundaries are exercised.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/decoder_io.h"
#include "core/inflate.h"

namespace {

class CollectingOutput : public DecoderOutput {
 public:
  void Write(const uint8_t* data, size_t n) override {
    if (n == 0 || n > kDecoderWindowSize) std::abort();
    bytes.insert(bytes.end(), data, data + n);
  }
  std::vector<uint8_t> bytes;
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
  if (size == 0) return 0;
  const size_t chunk = data[0] == 0 ? SIZE_MAX : data[0];
  ++data;
  --size;

  MemoryDecoderInput in(data, size, chunk);
  CollectingOutput out;
  std::vector<uint8_t> window(kDecoderWindowSize);
  const int result = Inflate(in, out, window.data());
  if (result != kInflateOk && result != kInflateBadData && result != kInflateBadBlock) std::abort();
  // Each code takes at least one bit and yields at most 258 bytes.
  if (out.bytes.size() > 258 * 8 * size + 65535) std::abort();

  std::vector<uint8_t> expected;
  if (ZlibInflate(data, size, &expected)) {
    if (result != kInflateOk || out.bytes != expected) std::abort();
  }
  return 0;
}
