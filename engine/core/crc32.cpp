// UpdateCrc32 picks its kernel once per process: the widest carry-less folding the processor
// has, the table kernel otherwise (or when a test forces it).
#include "core/crc32.h"

#include <atomic>

#include "core/crc32_kernels.h"

namespace {

using Kernel = uint32_t (*)(uint32_t, const void*, size_t);

struct Choice {
  Kernel kernel;
  const char* name;
};

Choice BestKernel() {
  if (Crc32CarrylessWideAvailable()) return {UpdateCrc32CarrylessWide, "carry-less 512-bit"};
  if (Crc32CarrylessAvailable()) return {UpdateCrc32Carryless, "carry-less"};
  return {UpdateCrc32Table, "table"};
}

std::atomic<bool> g_forceTable{false};

Choice CurrentKernel() {
  static const Choice best = BestKernel();
  if (g_forceTable.load(std::memory_order_relaxed)) return {UpdateCrc32Table, "table"};
  return best;
}

}  // namespace

void ForceCrc32TableFallback(bool force) { g_forceTable.store(force, std::memory_order_relaxed); }

const char* ActiveCrc32KernelName() { return CurrentKernel().name; }

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t n) {
  return CurrentKernel().kernel(crc, data, n);
}
