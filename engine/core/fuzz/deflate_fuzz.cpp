// Round trip of the deflate compressor: compresses the input in the mode and read size chosen by
// its first byte, inflates the result with zlib's raw inflate and with the engine's own inflate (or
// compares it directly when it is the raw copy of the input) and requires the original bytes back,
// with the right CRC-32 and count.
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/crc32.h"
#include "core/decoder_io.h"
#include "core/deflate.h"
#include "core/deflate_memory_io.h"
#include "core/inflate.h"

namespace {

bool InflateRaw(const std::vector<uint8_t>& in, std::vector<uint8_t>* out, size_t expected) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  out->assign(expected + 1, 0);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out->data();
  z.avail_out = static_cast<uInt>(out->size());
  const int rc = inflate(&z, Z_FINISH);
  out->resize(z.total_out);
  const bool ok = rc == Z_STREAM_END && z.avail_in == 0;
  inflateEnd(&z);
  return ok;
}

class CollectingOutput : public DecoderOutput {
 public:
  void Write(const uint8_t* data, size_t n) override { bytes.insert(bytes.end(), data, data + n); }
  std::vector<uint8_t> bytes;
};

bool InflateOwn(const std::vector<uint8_t>& in, std::vector<uint8_t>* out) {
  MemoryDecoderInput input(in.data(), in.size());
  CollectingOutput output;
  static uint8_t window[kDecoderWindowSize];
  const bool ok = Inflate(input, output, window) == kInflateOk;
  *out = std::move(output.bytes);
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int mode = data[0] % 3;
  static const size_t kChunks[] = {SIZE_MAX, 1, 3, 262, 4096, 32767};
  const size_t chunk = kChunks[(data[0] / 3) % std::size(kChunks)];
  // Inputs past the window slide come from repeating the fuzz input (bits 7 of the first byte).
  std::vector<uint8_t> input(data + 1, data + size);
  if ((data[0] & 0x80) && !input.empty())
    while (input.size() < 150000) input.insert(input.end(), data + 1, data + size);

  static auto* compressor = new DeflateCompressor();
  MemoryDeflateSource source(input.data(), input.size(), chunk);
  MemoryDeflateSink sink;
  const DeflateResult r = compressor->Compress(mode, source, sink);
  if (r.error || r.bytesRead != input.size() || r.compressedBytes != sink.bytes.size() ||
      r.crc != Crc32(input.data(), input.size()))
    std::abort();
  if (r.rawCopy) {
    if (sink.bytes != input) std::abort();
    return 0;
  }
  std::vector<uint8_t> back;
  if (!InflateRaw(sink.bytes, &back, input.size()) || back != input) std::abort();
  if (!InflateOwn(sink.bytes, &back) || back != input) std::abort();
  return 0;
}
