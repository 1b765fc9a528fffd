// The one processor probe of the core.
#include "core/processor.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#define PELLORO_PROBE_X86 1
#endif

namespace {

ProcessorFeatures Probe() {
  ProcessorFeatures features;
#if defined(PELLORO_PROBE_X86)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return features;
  features.carryless = (ecx & bit_PCLMUL) && (ecx & bit_SSE4_1) && (edx & bit_SSE2);
  const bool osSavesState = (ecx & bit_OSXSAVE) != 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return features;
  features.bmi2 = (ebx & bit_BMI2) != 0;
  if (osSavesState) {
    // The operating system must save the AVX-512 state: XCR0 bits 1-2 (SSE, AVX) and 5-7
    // (opmask and the upper register halves).
    unsigned xcr0Low = 0, xcr0High = 0;
    __asm__("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
    features.wideCarryless = (xcr0Low & 0xE6u) == 0xE6u && (ebx & bit_AVX512F) &&
                             (ebx & bit_AVX512VL) && (ecx & bit_VPCLMULQDQ);
  }
#endif
  return features;
}

}  // namespace

const ProcessorFeatures& Processor() {
  static const ProcessorFeatures features = Probe();
  return features;
}
