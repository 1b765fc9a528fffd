// What the processor offers the core's faster kernels, probed once (CPUID) for the whole process:
// the CRC-32 kernels (crc32_carryless.cpp) and the deflate decoder's fast loop (inflate.cpp).
// Everything is false on processors other than x86.
#pragma once

struct ProcessorFeatures {
  bool carryless = false;  // PCLMULQDQ with SSE4.1 and SSE2
  bool wideCarryless =
      false;  // AVX-512F, AVX-512VL and VPCLMULQDQ, their state saved by the system
  bool bmi2 = false;
};

// The features of this processor, probed at the first call.
const ProcessorFeatures& Processor();
