// Decoding speed of Inflate beside the system zlib's inflate and libdeflate, over the benchmark
// corpus deflated by zlib at level 6 (raw deflate). Speeds are in MB/s of decoded output.
#include <libdeflate.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_support.h"
#include "core/decoder_io.h"
#include "core/inflate.h"

namespace {

std::vector<uint8_t> DeflateRaw(const std::vector<uint8_t>& data) {
  z_stream s{};
  if (deflateInit2(&s, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  std::vector<uint8_t> out(deflateBound(&s, data.size()));
  s.next_in = const_cast<Bytef*>(data.data());
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return rc == Z_STREAM_END ? out : std::vector<uint8_t>{};
}

// Collects the decoded bytes into a buffer of the known size (as the engine copies each window
// piece into its output buffer).
class BufferOutput : public DecoderOutput {
 public:
  explicit BufferOutput(std::vector<uint8_t>& buffer) : buffer_(buffer) {}
  void Write(const uint8_t* data, size_t n) override {
    if (n > buffer_.size() - size_) {
      overflow_ = true;
      return;
    }
    std::memcpy(buffer_.data() + size_, data, n);
    size_ += n;
  }
  size_t size() const { return size_; }
  bool overflow() const { return overflow_; }

 private:
  std::vector<uint8_t>& buffer_;
  size_t size_ = 0;
  bool overflow_ = false;
};

bool OursOnce(const std::vector<uint8_t>& packed, std::vector<uint8_t>& out, uint8_t* window) {
  // Runs of 24,576 bytes, as the engine's input blocks hand them out.
  MemoryDecoderInput in(packed.data(), packed.size(), 24576);
  BufferOutput sink(out);
  return Inflate(in, sink, window) == kInflateOk && !sink.overflow() && sink.size() == out.size();
}

bool ZlibOnce(const std::vector<uint8_t>& packed, std::vector<uint8_t>& out) {
  z_stream s{};
  if (inflateInit2(&s, -15) != Z_OK) return false;
  s.next_in = const_cast<Bytef*>(packed.data());
  s.avail_in = static_cast<uInt>(packed.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&s, Z_FINISH);
  inflateEnd(&s);
  return rc == Z_STREAM_END && s.total_out == out.size();
}

bool LibdeflateOnce(libdeflate_decompressor* d, const std::vector<uint8_t>& packed,
                    std::vector<uint8_t>& out) {
  size_t actual = 0;
  return libdeflate_deflate_decompress(d, packed.data(), packed.size(), out.data(), out.size(),
                                       &actual) == LIBDEFLATE_SUCCESS &&
         actual == out.size();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<BenchFile> files = LoadBenchCorpus(argc, argv);
  if (files.empty()) {
    std::fprintf(stderr, "no corpus files\n");
    return 1;
  }
  libdeflate_decompressor* ld = libdeflate_alloc_decompressor();
  if (!ld) return 1;
  std::vector<uint8_t> window(kDecoderWindowSize);
  double oursTotal = 0, zlibTotal = 0, ldTotal = 0;
  uint64_t bytesTotal = 0;
  bool allOk = true;
  std::printf("%-20s %10s %10s %10s %10s %10s\n", "file", "bytes", "ratio", "ours", "zlib",
              "libdeflate");
  for (const BenchFile& f : files) {
    const std::vector<uint8_t> packed = DeflateRaw(f.data);
    if (packed.empty() && !f.data.empty()) {
      std::fprintf(stderr, "%s: deflate failed\n", f.name.c_str());
      allOk = false;
      continue;
    }
    std::vector<uint8_t> out(f.data.size());
    bool ok = OursOnce(packed, out, window.data()) && out == f.data;
    if (!ok) {
      std::fprintf(stderr, "%s: inflate output differs\n", f.name.c_str());
      allOk = false;
    }
    const double ours = TimeBest([&] { OursOnce(packed, out, window.data()); });
    const double zl = TimeBest([&] { ZlibOnce(packed, out); });
    const double ldt = TimeBest([&] { LibdeflateOnce(ld, packed, out); });
    oursTotal += ours;
    zlibTotal += zl;
    ldTotal += ldt;
    bytesTotal += f.data.size();
    std::printf("%-20s %10zu %10.3f %10.1f %10.1f %10.1f\n", f.name.c_str(), f.data.size(),
                f.data.empty() ? 0.0 : double(packed.size()) / double(f.data.size()),
                MegabytesPerSecond(f.data.size(), ours), MegabytesPerSecond(f.data.size(), zl),
                MegabytesPerSecond(f.data.size(), ldt));
  }
  std::printf("%-20s %10llu %10s %10.1f %10.1f %10.1f   (MB/s)\n", "total",
              static_cast<unsigned long long>(bytesTotal), "",
              MegabytesPerSecond(bytesTotal, oursTotal), MegabytesPerSecond(bytesTotal, zlibTotal),
              MegabytesPerSecond(bytesTotal, ldTotal));
  libdeflate_free_decompressor(ld);
  return allOk ? 0 : 1;
}
