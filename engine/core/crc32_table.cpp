// Table-driven CRC-32: the 256-entry byte table shared with the cipher's key schedule, and the
// slicing-by-16 kernel that serves processors without carry-less multiplication and the short
// pieces the folding kernel leaves over.
#include <array>

#include "core/crc32_kernels.h"
#include "core/le_fields.h"

namespace {

// kSlices[k][b] is the CRC (from 0) of the byte b followed by k zero bytes; kSlices[0] is the
// byte table. Sixteen slices let one step consume 16 bytes with independent lookups.
constexpr int kSliceCount = 16;
using SliceTables = std::array<std::array<uint32_t, 256>, kSliceCount>;

constexpr SliceTables MakeSliceTables() {
  SliceTables t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (kCrc32Polynomial ^ (c >> 1)) : (c >> 1);
    t[0][n] = c;
  }
  for (int k = 1; k < kSliceCount; ++k) {
    for (uint32_t n = 0; n < 256; ++n) {
      const uint32_t prev = t[k - 1][n];
      t[k][n] = t[0][prev & 0xFF] ^ (prev >> 8);
    }
  }
  return t;
}

constexpr SliceTables kSlices = MakeSliceTables();

}  // namespace

const uint32_t* Crc32Table() { return kSlices[0].data(); }

namespace {

// One slicing-by-16 step over p[0..15].
inline uint32_t Step16(uint32_t crc, const uint8_t* p) {
  // Byte j of the block is followed by 15 - j more bytes of it, hence slice 15 - j. Only the
  // first word depends on the running CRC: the lookups of the other three are summed first so
  // that they overlap the previous step instead of lengthening the chain through crc.
  const uint32_t b = GetLE32(p + 4);
  const uint32_t c = GetLE32(p + 8);
  const uint32_t d = GetLE32(p + 12);
  const uint32_t rest = (kSlices[11][b & 0xFF] ^ kSlices[10][(b >> 8) & 0xFF] ^
                         kSlices[9][(b >> 16) & 0xFF] ^ kSlices[8][b >> 24]) ^
                        (kSlices[7][c & 0xFF] ^ kSlices[6][(c >> 8) & 0xFF] ^
                         kSlices[5][(c >> 16) & 0xFF] ^ kSlices[4][c >> 24]) ^
                        (kSlices[3][d & 0xFF] ^ kSlices[2][(d >> 8) & 0xFF] ^
                         kSlices[1][(d >> 16) & 0xFF] ^ kSlices[0][d >> 24]);
  const uint32_t a = crc ^ GetLE32(p);
  return rest ^ ((kSlices[15][a & 0xFF] ^ kSlices[14][(a >> 8) & 0xFF]) ^
                 (kSlices[13][(a >> 16) & 0xFF] ^ kSlices[12][a >> 24]));
}

// a * b mod P, both in the reflected form: b is multiplied by x once per coefficient of a.
constexpr uint32_t MultiplyModP(uint32_t a, uint32_t b) {
  uint32_t product = 0;
  for (int degree = 0; degree < 32; ++degree) {
    if (a & (0x80000000u >> degree)) product ^= b;
    b = (b >> 1) ^ ((b & 1u) ? kCrc32Polynomial : 0u);
  }
  return product;
}

// Long buffers run as three interleaved stripes, each its own chain of table lookups, so that
// the processor overlaps them; the stripe CRCs are then joined: the CRC of A followed by B is
// crc(A) * x^(8 * |B|) + crc(B) from 0 (mod P).
constexpr size_t kStripeBytes = 2048;
constexpr uint32_t kPastOneStripe = Crc32XPowMod(8 * kStripeBytes);

}  // namespace

uint32_t UpdateCrc32Table(uint32_t crc, const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (n >= 3 * kStripeBytes) {
    uint32_t c0 = crc, c1 = 0, c2 = 0;
    for (size_t i = 0; i < kStripeBytes; i += 16) {
      c0 = Step16(c0, p + i);
      c1 = Step16(c1, p + kStripeBytes + i);
      c2 = Step16(c2, p + 2 * kStripeBytes + i);
    }
    crc = MultiplyModP(MultiplyModP(c0, kPastOneStripe) ^ c1, kPastOneStripe) ^ c2;
    p += 3 * kStripeBytes;
    n -= 3 * kStripeBytes;
  }
  for (; n >= 16; n -= 16, p += 16) crc = Step16(crc, p);
  for (; n > 0; --n, ++p) crc = kSlices[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
  return crc;
}
