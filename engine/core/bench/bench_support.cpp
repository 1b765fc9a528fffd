#include "bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#ifndef PELLORO_BENCH_CORPUS
#define PELLORO_BENCH_CORPUS PELLORO_SOURCE_DIR "/../shared/bench-corpus"
#endif

std::vector<BenchFile> LoadBenchCorpus(int argc, char** argv) {
  const std::filesystem::path dir = argc > 1 ? argv[1] : PELLORO_BENCH_CORPUS;
  std::vector<BenchFile> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (!entry.is_regular_file() || entry.path().filename() == "SOURCE.md") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    BenchFile f{entry.path().filename().string(),
                std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})};
    files.push_back(std::move(f));
  }
  if (ec || files.empty()) {
    std::fprintf(stderr, "no benchmark corpus in %s\n", dir.string().c_str());
    std::exit(2);
  }
  std::sort(files.begin(), files.end(),
            [](const BenchFile& a, const BenchFile& b) { return a.name < b.name; });
  return files;
}

double TimeBest(const std::function<void()>& fn, int minRuns, double minSeconds) {
  using clock = std::chrono::steady_clock;
  double best = 1e30, total = 0;
  for (int run = 0; run < minRuns || total < minSeconds; ++run) {
    const auto start = clock::now();
    fn();
    const double s = std::chrono::duration<double>(clock::now() - start).count();
    best = std::min(best, s);
    total += s;
  }
  return best;
}
