// The CRC-32 implementations behind UpdateCrc32, exposed so that tests and benchmarks can run each
// one directly and so that the carry-less folding constants can be checked independently.
// Every kernel has the contract of UpdateCrc32: no preset, no final inversion.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/crc32.h"

// x^k mod P in the reflected 32-bit form the running CRC uses (bit 31 - d holds the coefficient of
// x^d). Multiplying by x is a right shift that folds the polynomial back in when the x^31
// coefficient (bit 0) moves out.
constexpr uint32_t Crc32XPowMod(uint32_t k) {
  uint32_t r = 0x80000000u;  // x^0
  for (uint32_t i = 0; i < k; ++i) r = (r >> 1) ^ ((r & 1u) ? kCrc32Polynomial : 0u);
  return r;
}

// Portable kernel: slicing-by-16 over 16 lookup tables, one byte at a time for the remainder.
uint32_t UpdateCrc32Table(uint32_t crc, const void* data, size_t n);

// Carry-less multiplication folding (x86 PCLMULQDQ with SSE4.1). Call it only when
// Crc32CarrylessAvailable() is true; short buffers are passed on to the table kernel.
uint32_t UpdateCrc32Carryless(uint32_t crc, const void* data, size_t n);

// True when this processor (and build target) can run UpdateCrc32Carryless.
bool Crc32CarrylessAvailable();

// The same folding over 512-bit registers (VPCLMULQDQ with AVX-512), for 64-bit builds outside
// Windows. Call it only when Crc32CarrylessWideAvailable() is true; shorter buffers go to the
// 128-bit kernel.
uint32_t UpdateCrc32CarrylessWide(uint32_t crc, const void* data, size_t n);
bool Crc32CarrylessWideAvailable();

// Makes UpdateCrc32 use the table kernel even where the folding kernel could run (for tests and
// benchmarks of the fallback); false returns to the automatic choice. Safe to call from any thread.
void ForceCrc32TableFallback(bool force);

// The kernel UpdateCrc32 uses for long buffers right now: "carry-less 512-bit", "carry-less" or
// "table".
const char* ActiveCrc32KernelName();
