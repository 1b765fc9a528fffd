// Deflate compressor benchmark: per corpus file the compressed size and speed of each of our modes
// beside zlib (raw deflate, levels 1, 6, 9) and libdeflate (levels 1, 6, 9, 12), then the sums over
// the corpus with the goals for our modes.
#include <libdeflate.h>
#include <zlib.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/deflate.h"
#include "core/deflate_memory_io.h"

namespace {

struct Coder {
  std::string name;
  std::function<size_t(const std::vector<uint8_t>&)> run;  // returns the compressed size
};

struct Totals {
  uint64_t compressed = 0;
  double seconds = 0;
};

size_t ZlibRaw(const std::vector<uint8_t>& in, int level, std::vector<uint8_t>& out) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  out.resize(deflateBound(&z, in.size()));
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  const size_t n = z.total_out;
  deflateEnd(&z);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<BenchFile> files = LoadBenchCorpus(argc, argv);
  auto compressor = std::make_unique<DeflateCompressor>();
  MemoryDeflateSink sink;
  sink.bytes.reserve(16 << 20);
  std::vector<uint8_t> scratch;

  std::vector<Coder> coders;
  for (int mode : {0, 1, 2}) {
    coders.push_back(
        {"ours mode " + std::to_string(mode), [&, mode](const std::vector<uint8_t>& in) {
           MemoryDeflateSource source(in.data(), in.size());
           sink.Clear();
           const DeflateResult r = compressor->Compress(mode, source, sink);
           if (r.error) std::fprintf(stderr, "compression failed\n");
           return static_cast<size_t>(r.compressedBytes);
         }});
  }
  for (int level : {1, 6, 9}) {
    coders.push_back({"zlib -" + std::to_string(level), [&, level](const std::vector<uint8_t>& in) {
                        return ZlibRaw(in, level, scratch);
                      }});
  }
  for (int level : {1, 6, 9, 12}) {
    coders.push_back(
        {"libdeflate -" + std::to_string(level), [&, level](const std::vector<uint8_t>& in) {
           libdeflate_compressor* c = libdeflate_alloc_compressor(level);
           scratch.resize(libdeflate_deflate_compress_bound(c, in.size()));
           const size_t n =
               libdeflate_deflate_compress(c, in.data(), in.size(), scratch.data(), scratch.size());
           libdeflate_free_compressor(c);
           return n;
         }});
  }

  std::vector<Totals> totals(coders.size());
  uint64_t inputTotal = 0;
  for (const BenchFile& f : files) {
    inputTotal += f.data.size();
    std::printf("%s (%zu bytes)\n", f.name.c_str(), f.data.size());
    for (size_t i = 0; i < coders.size(); ++i) {
      size_t size = 0;
      const double s = TimeBest([&] { size = coders[i].run(f.data); });
      totals[i].compressed += size;
      totals[i].seconds += s;
      std::printf("  %-16s %10zu  %.4f  %8.1f MB/s\n", coders[i].name.c_str(), size,
                  static_cast<double>(size) / static_cast<double>(f.data.size()),
                  MegabytesPerSecond(f.data.size(), s));
    }
  }

  std::printf("\nSums over the corpus (%llu bytes)\n", static_cast<unsigned long long>(inputTotal));
  std::printf("  %-16s %10s  %6s  %13s\n", "coder", "bytes", "ratio", "speed");
  std::vector<double> ratio(coders.size()), speed(coders.size());
  for (size_t i = 0; i < coders.size(); ++i) {
    ratio[i] = static_cast<double>(totals[i].compressed) / static_cast<double>(inputTotal);
    speed[i] = MegabytesPerSecond(inputTotal, totals[i].seconds);
    std::printf("  %-16s %10llu  %.4f  %8.1f MB/s\n", coders[i].name.c_str(),
                static_cast<unsigned long long>(totals[i].compressed), ratio[i], speed[i]);
  }
  // Coders 0-2 are our modes 0, 1, 2; 3 and 4 are zlib -1 and -6.
  std::printf("\nGoals\n");
  std::printf("  mode 1: ratio %.4f <= 0.380 %s, speed %.1f > zlib -1 %.1f %s\n", ratio[1],
              ratio[1] <= 0.380 ? "met" : "MISSED", speed[1], speed[3],
              speed[1] > speed[3] ? "met" : "MISSED");
  std::printf("  mode 0: ratio %.4f <= 0.347 %s, speed %.1f >= 2 x zlib -6 %.1f %s\n", ratio[0],
              ratio[0] <= 0.347 ? "met" : "MISSED", speed[0], 2 * speed[4],
              speed[0] >= 2 * speed[4] ? "met" : "MISSED");
  std::printf("  mode 2: ratio %.4f <= 0.3445 %s\n", ratio[2],
              ratio[2] <= 0.3445 ? "met" : "MISSED");
  return 0;
}
