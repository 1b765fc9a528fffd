// CRC-32 throughput over the benchmark corpus: our carry-less and table kernels (through
// UpdateCrc32, as callers reach them), the system zlib's crc32 and libdeflate_crc32.
#include <libdeflate.h>
#include <zlib.h>

#include <cstdio>
#include <functional>

#include "bench_support.h"
#include "core/crc32.h"
#include "core/crc32_kernels.h"

namespace {

struct Contender {
  const char* name;
  std::function<uint32_t(const uint8_t*, size_t)> crc;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<BenchFile> files = LoadBenchCorpus(argc, argv);
  uint64_t totalBytes = 0;
  for (const auto& f : files) totalBytes += f.data.size();

  const Contender contenders[] = {
      {"ours (fast)",
       [](const uint8_t* p, size_t n) {
         ForceCrc32TableFallback(false);
         return Crc32(p, n);
       }},
      {"ours (128-bit)",
       [](const uint8_t* p, size_t n) {
         return UpdateCrc32Carryless(kCrc32Initial, p, n) ^ 0xFFFFFFFFu;
       }},
      {"ours (table)",
       [](const uint8_t* p, size_t n) {
         ForceCrc32TableFallback(true);
         return Crc32(p, n);
       }},
      {"zlib", [](const uint8_t* p,
                  size_t n) { return static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(n))); }},
      {"libdeflate",
       [](const uint8_t* p, size_t n) { return static_cast<uint32_t>(libdeflate_crc32(0, p, n)); }},
  };

  ForceCrc32TableFallback(false);
  std::printf("fast kernel: %s; %zu files, %llu bytes\n", ActiveCrc32KernelName(), files.size(),
              static_cast<unsigned long long>(totalBytes));
  // The 128-bit column runs the table kernel where the processor lacks carry-less multiply.
  std::printf("%-16s", "file");
  for (const auto& c : contenders) std::printf(" %14s", c.name);
  std::printf("   (MB/s)\n");

  std::vector<double> totalSeconds(std::size(contenders), 0.0);
  int mismatches = 0;
  for (const auto& f : files) {
    std::printf("%-16s", f.name.c_str());
    uint32_t reference = 0;
    for (size_t i = 0; i < std::size(contenders); ++i) {
      uint32_t result = 0;
      const double s = TimeBest([&] {
                         // Several passes per timing so that small files still measure well above
                         // clock noise.
                         for (int pass = 0; pass < 16; ++pass)
                           result = contenders[i].crc(f.data.data(), f.data.size());
                       }) /
                       16;
      if (i == 0) reference = result;
      if (result != reference) ++mismatches;
      totalSeconds[i] += s;
      std::printf(" %14.0f", MegabytesPerSecond(f.data.size(), s));
    }
    std::printf("\n");
  }
  std::printf("%-16s", "all");
  for (double s : totalSeconds) std::printf(" %14.0f", MegabytesPerSecond(totalBytes, s));
  std::printf("\n");
  ForceCrc32TableFallback(false);
  if (mismatches) std::printf("RESULTS DIFFER: %d\n", mismatches);
  return mismatches ? 1 : 0;
}
