// CRC-32 by carry-less multiplication folding on x86: 128-bit registers (PCLMULQDQ, SSE4.1) and,
// where available, 512-bit ones (VPCLMULQDQ, AVX-512). The functions that use the instructions
// carry target attributes, so the rest of the build needs no -m flags; the processor is asked
// once (CPUID) whether they may run.
//
// The arithmetic, in the reflected bit order of the running CRC: a 16-byte little-endian load R
// holds the polynomial whose x^127 coefficient is bit 0 of its first byte. Its low 64-bit lane L
// holds the high-degree half and its high lane H the low-degree half: R = L * x^64 + H. Moving R
// forward past D further bits of message means R * x^D = L * x^(D+64) + H * x^D (mod P). A
// carry-less product of two such reflected lanes lands one bit short of the 128-bit frame, i.e. it
// is x * a * b in that frame, so a lane constant for the factor x^d is x^(d-1) mod P. Keeping the
// 32-bit residue in the constant's low half makes it x^32 * (x^(d-33) mod P), hence the constant
// Crc32XPowMod(d - 33). Both products fit the 128-bit frame, and their XOR with the data D bits
// ahead carries the message on. At the end the one remaining register, stored back as 16 bytes,
// is an ordinary message whose CRC from 0 is the answer, so the table kernel finishes it together
// with the tail of fewer than 16 bytes.
#include "core/crc32_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include "core/processor.h"

// 32-bit Windows only guarantees 4-byte stack alignment, while spilled SSE registers need 16:
// the entry point realigns its own frame.
#if defined(__i386__)
#define PELLORO_CLMUL_ENTRY __attribute__((target("pclmul,sse4.1"), force_align_arg_pointer))
#else
#define PELLORO_CLMUL_ENTRY __attribute__((target("pclmul,sse4.1")))
#endif
#define PELLORO_CLMUL_INLINE __attribute__((target("pclmul,sse4.1"), always_inline)) static inline

namespace {

// The two lane constants that move a register forward by `distance` bits.
struct FoldConstants {
  uint64_t low;   // multiplies the register's low lane (its x^(distance+64) half)
  uint64_t high;  // multiplies the register's high lane (its x^distance half)
};

constexpr FoldConstants MakeFoldConstants(uint32_t distance) {
  return {Crc32XPowMod(distance + 64 - 33), Crc32XPowMod(distance - 33)};
}

constexpr int kLanes = 8;  // registers folded side by side: 128 bytes per step
constexpr size_t kStepBytes = 16 * kLanes;
// Below this the set-up and the final combination cost more than the table kernel.
constexpr size_t kMinimumLength = 2 * kStepBytes;

constexpr FoldConstants kFoldByStep = MakeFoldConstants(8 * kStepBytes);
// kFoldToLast[i] moves lane i onto the last lane: (kLanes - 1 - i) registers forward.
constexpr FoldConstants kFoldToLast[kLanes - 1] = {
    MakeFoldConstants(7 * 128), MakeFoldConstants(6 * 128), MakeFoldConstants(5 * 128),
    MakeFoldConstants(4 * 128), MakeFoldConstants(3 * 128), MakeFoldConstants(2 * 128),
    MakeFoldConstants(1 * 128)};
constexpr FoldConstants kFoldBy16Bytes = MakeFoldConstants(128);

PELLORO_CLMUL_INLINE __m128i Load(const FoldConstants& k) {
  return _mm_set_epi64x(static_cast<long long>(k.high), static_cast<long long>(k.low));
}

// r moved forward by the constants' distance (not yet combined with the data there).
PELLORO_CLMUL_INLINE __m128i Fold(__m128i r, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(r, k, 0x00), _mm_clmulepi64_si128(r, k, 0x11));
}

PELLORO_CLMUL_INLINE __m128i LoadData(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

PELLORO_CLMUL_ENTRY uint32_t FoldLongBuffer(uint32_t crc, const uint8_t* p, size_t n) {
  __m128i x[kLanes];
  for (int i = 0; i < kLanes; ++i) x[i] = LoadData(p + 16 * i);
  // The running CRC joins the first 32 message bits.
  x[0] = _mm_xor_si128(x[0], _mm_cvtsi32_si128(static_cast<int>(crc)));
  p += kStepBytes;
  n -= kStepBytes;

  const __m128i step = Load(kFoldByStep);
  while (n >= kStepBytes) {
    for (int i = 0; i < kLanes; ++i) x[i] = _mm_xor_si128(Fold(x[i], step), LoadData(p + 16 * i));
    p += kStepBytes;
    n -= kStepBytes;
  }

  __m128i acc = x[kLanes - 1];
  for (int i = 0; i < kLanes - 1; ++i) acc = _mm_xor_si128(acc, Fold(x[i], Load(kFoldToLast[i])));

  const __m128i by16 = Load(kFoldBy16Bytes);
  while (n >= 16) {
    acc = _mm_xor_si128(Fold(acc, by16), LoadData(p));
    p += 16;
    n -= 16;
  }

  alignas(16) uint8_t last[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(last), acc);
  return UpdateCrc32Table(UpdateCrc32Table(0, last, sizeof last), p, n);
}

#if defined(__x86_64__) && !defined(_WIN32)
// The 512-bit form (VPCLMULQDQ with AVX-512): four registers of four 128-bit lanes each, 256
// bytes per step, the same lane arithmetic as above. Only for 64-bit builds outside Windows: the
// Windows compilers cannot realign the stack for spilled 64-byte registers, and 32-bit code has
// only eight vector registers.
#define PELLORO_WIDE_TARGET "pclmul,sse4.1,avx2,avx512f,avx512vl,vpclmulqdq"
#define PELLORO_WIDE_INLINE \
  __attribute__((target(PELLORO_WIDE_TARGET), always_inline)) static inline

constexpr int kWideRegisters = 4;
constexpr size_t kWideStepBytes = 64 * kWideRegisters;
constexpr size_t kWideMinimumLength = 2 * kWideStepBytes;

constexpr FoldConstants kWideFoldByStep = MakeFoldConstants(8 * kWideStepBytes);
constexpr FoldConstants kWideFoldBy64Bytes = MakeFoldConstants(512);

PELLORO_WIDE_INLINE __m512i Broadcast(const FoldConstants& k) {
  const auto low = static_cast<long long>(k.low), high = static_cast<long long>(k.high);
  return _mm512_set_epi64(high, low, high, low, high, low, high, low);
}

// r moved forward by the constants' distance and combined with the data d found there.
PELLORO_WIDE_INLINE __m512i FoldWide(__m512i r, __m512i k, __m512i d) {
  return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(r, k, 0x00),
                                   _mm512_clmulepi64_epi128(r, k, 0x11), d, 0x96);
}

PELLORO_WIDE_INLINE __m512i LoadWide(const uint8_t* p) { return _mm512_loadu_si512(p); }

PELLORO_WIDE_INLINE __m128i FoldNarrow(__m128i r, __m128i k, __m128i d) {
  return _mm_ternarylogic_epi64(_mm_clmulepi64_si128(r, k, 0x00), _mm_clmulepi64_si128(r, k, 0x11),
                                d, 0x96);
}

__attribute__((target(PELLORO_WIDE_TARGET))) uint32_t FoldLongBufferWide(uint32_t crc,
                                                                         const uint8_t* p,
                                                                         size_t n) {
  __m512i z0 = _mm512_xor_si512(LoadWide(p),
                                _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(crc))));
  __m512i z1 = LoadWide(p + 64), z2 = LoadWide(p + 128), z3 = LoadWide(p + 192);
  p += kWideStepBytes;
  n -= kWideStepBytes;

  const __m512i step = Broadcast(kWideFoldByStep);
  while (n >= kWideStepBytes) {
    z0 = FoldWide(z0, step, LoadWide(p));
    z1 = FoldWide(z1, step, LoadWide(p + 64));
    z2 = FoldWide(z2, step, LoadWide(p + 128));
    z3 = FoldWide(z3, step, LoadWide(p + 192));
    p += kWideStepBytes;
    n -= kWideStepBytes;
  }

  // Down to one register, then 64 bytes at a time while they last.
  const __m512i by64 = Broadcast(kWideFoldBy64Bytes);
  z1 = FoldWide(z0, by64, z1);
  z2 = FoldWide(z1, by64, z2);
  __m512i z = FoldWide(z2, by64, z3);
  while (n >= 64) {
    z = FoldWide(z, by64, LoadWide(p));
    p += 64;
    n -= 64;
  }

  // The four lanes down to one, then 16 bytes at a time.
  // (Through memory: one store per call, and the lane-extracting intrinsics draw false warnings
  // from some compilers.)
  alignas(64) uint8_t lanes[64];
  _mm512_store_si512(lanes, z);
  const __m128i by16 = Load(kFoldBy16Bytes);
  __m128i acc = LoadData(lanes);
  for (int i = 1; i < 4; ++i) acc = FoldNarrow(acc, by16, LoadData(lanes + 16 * i));
  while (n >= 16) {
    acc = FoldNarrow(acc, by16, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    p += 16;
    n -= 16;
  }

  alignas(16) uint8_t last[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(last), acc);
  return UpdateCrc32Table(UpdateCrc32Table(0, last, sizeof last), p, n);
}
#endif

}  // namespace

bool Crc32CarrylessAvailable() {
  static const bool available = Processor().carryless;
  return available;
}

uint32_t UpdateCrc32Carryless(uint32_t crc, const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  if (n < kMinimumLength) return UpdateCrc32Table(crc, p, n);
  return FoldLongBuffer(crc, p, n);
}

#if defined(__x86_64__) && !defined(_WIN32)
bool Crc32CarrylessWideAvailable() {
  static const bool available = Crc32CarrylessAvailable() && Processor().wideCarryless;
  return available;
}

uint32_t UpdateCrc32CarrylessWide(uint32_t crc, const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  if (n < kWideMinimumLength) return UpdateCrc32Carryless(crc, p, n);
  return FoldLongBufferWide(crc, p, n);
}
#else
bool Crc32CarrylessWideAvailable() { return false; }

uint32_t UpdateCrc32CarrylessWide(uint32_t crc, const void* data, size_t n) {
  return UpdateCrc32Carryless(crc, data, n);
}
#endif

#else  // no x86: only the table kernel exists

bool Crc32CarrylessAvailable() { return false; }
bool Crc32CarrylessWideAvailable() { return false; }

uint32_t UpdateCrc32CarrylessWide(uint32_t crc, const void* data, size_t n) {
  return UpdateCrc32Table(crc, data, n);
}

uint32_t UpdateCrc32Carryless(uint32_t crc, const void* data, size_t n) {
  return UpdateCrc32Table(crc, data, n);
}

#endif
