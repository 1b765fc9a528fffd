// Shared pieces of the native benchmarks: the corpus files and a best-of-several timer.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct BenchFile {
  std::string name;
  std::vector<uint8_t> data;
};

// Every file of the benchmark corpus folder except its SOURCE.md. The folder is the first
// command-line argument when given, else the shared corpus beside the checkout.
std::vector<BenchFile> LoadBenchCorpus(int argc, char** argv);

// Runs fn repeatedly (at least minRuns times and for at least minSeconds in all) and returns the
// fastest single run in seconds.
double TimeBest(const std::function<void()>& fn, int minRuns = 3, double minSeconds = 0.3);

inline double MegabytesPerSecond(uint64_t bytes, double seconds) {
  return seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
}
