#include "base/exact_numbers.h"

#include <cmath>
#include <cstring>

namespace {

// ---- binary64 arithmetic in integers ---------------------------------------------------------
// RoundTo computes floor(value / p + 0.5) * p, each step rounded to the nearest double (ties to
// even) as SSE arithmetic does, but in integer arithmetic: the 32-bit build's x87 unit would keep
// 64-bit mantissas between the steps and could round a value near a half the other way.

// An unsigned 128-bit number as two 64-bit halves (the 32-bit compiler has no 128-bit type).
struct Wide {
  uint64_t high = 0;
  uint64_t low = 0;

  int BitLength() const {
    if (high != 0) return 64 + 64 - __builtin_clzll(high);
    return low != 0 ? 64 - __builtin_clzll(low) : 0;
  }
  Wide Shl(int bits) const {
    if (bits <= 0) return *this;
    if (bits >= 64) return {low << (bits - 64), 0};
    return {(high << bits) | (low >> (64 - bits)), low << bits};
  }
  // Shifts right; *lost receives whether any 1 bit fell out.
  Wide Shr(int bits, bool* lost) const {
    if (bits <= 0) return *this;
    if (bits >= 64) {
      const int inHigh = bits - 64;
      const uint64_t mask = inHigh >= 64 ? ~0ull : (1ull << inHigh) - 1;
      *lost = *lost || low != 0 || (high & mask) != 0;
      return {0, inHigh >= 64 ? 0 : high >> inHigh};
    }
    *lost = *lost || (low & ((1ull << bits) - 1)) != 0;
    return {high >> bits, (low >> bits) | (high << (64 - bits))};
  }
  bool Less(const Wide& other) const {
    return high != other.high ? high < other.high : low < other.low;
  }
  Wide Plus(const Wide& other) const {
    const uint64_t sum = low + other.low;
    return {high + other.high + (sum < low ? 1 : 0), sum};
  }
  Wide Minus(const Wide& other) const {  // *this >= other
    return {high - other.high - (low < other.low ? 1 : 0), low - other.low};
  }
};

Wide Multiply(uint64_t a, uint64_t b) {
  const uint64_t a0 = a & 0xFFFFFFFFu;
  const uint64_t a1 = a >> 32;
  const uint64_t b0 = b & 0xFFFFFFFFu;
  const uint64_t b1 = b >> 32;
  const uint64_t p00 = a0 * b0;
  const uint64_t p01 = a0 * b1;
  const uint64_t p10 = a1 * b0;
  const uint64_t p11 = a1 * b1;
  const uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & 0xFFFFFFFFu)};
}

// A finite double as sign, 53-bit mantissa (bit 52 set, or 0 for zero) and exponent:
// value = +-mantissa * 2^exponent.
struct Binary {
  bool negative = false;
  uint64_t mantissa = 0;
  int exponent = 0;
};

Binary Decompose(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  Binary b;
  b.negative = (bits >> 63) != 0;
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  b.mantissa = bits & ((1ull << 52) - 1);
  if (biased == 0) {
    if (b.mantissa == 0) return b;
    b.exponent = -1074;
    while ((b.mantissa >> 52) == 0) {  // a subnormal: normalised here
      b.mantissa <<= 1;
      --b.exponent;
    }
  } else {
    b.mantissa |= 1ull << 52;
    b.exponent = biased - 1075;
  }
  return b;
}

// The exact value wide * 2^exponent (plus something below its last bit when inexact), rounded to
// 53 bits, ties to even.
Binary Round(bool negative, Wide wide, int exponent, bool inexact) {
  Binary b;
  b.negative = negative;
  const int length = wide.BitLength();
  if (length == 0) {
    b.negative = false;
    return b;
  }
  if (length <= 53) {
    b.mantissa = wide.Shl(53 - length).low;
    b.exponent = exponent - (53 - length);
    return b;  // exact (inexact only when there were bits beyond: length > 53)
  }
  const int drop = length - 53;
  bool below = inexact;
  const Wide half = wide.Shr(drop - 1, &below);
  const bool halfBit = (half.low & 1) != 0;
  bool ignored = false;
  uint64_t mantissa = half.Shr(1, &ignored).low;
  if (halfBit && (below || (mantissa & 1) != 0)) ++mantissa;
  b.exponent = exponent + drop;
  if (mantissa == (1ull << 53)) {
    mantissa >>= 1;
    ++b.exponent;
  }
  b.mantissa = mantissa;
  return b;
}

Binary Divide(const Binary& a, const Binary& b) {  // b not zero
  if (a.mantissa == 0) return Binary{a.negative != b.negative, 0, 0};
  // (a << 64) / b has 64 or 65 bits: enough for the rounding.
  const Wide dividend = Wide{a.mantissa, 0};
  Wide quotient;
  uint64_t remainder = 0;
  for (int bit = 127; bit >= 0; --bit) {
    const uint64_t next = bit >= 64 ? (dividend.high >> (bit - 64)) & 1 : (dividend.low >> bit) & 1;
    remainder = (remainder << 1) | next;
    quotient = quotient.Shl(1);
    if (remainder >= b.mantissa) {
      remainder -= b.mantissa;
      quotient.low |= 1;
    }
  }
  return Round(a.negative != b.negative, quotient, a.exponent - 64 - b.exponent, remainder != 0);
}

Binary Add(const Binary& a, const Binary& b) {
  if (a.mantissa == 0) return b;
  if (b.mantissa == 0) return a;
  const Binary& big = a.exponent >= b.exponent ? a : b;
  const Binary& small = a.exponent >= b.exponent ? b : a;
  // Far below the larger one's last bit, the smaller cannot change the rounded sum.
  if (big.exponent - small.exponent > 70) return big;
  const Wide x = Wide{0, big.mantissa}.Shl(big.exponent - small.exponent);
  const Wide y = Wide{0, small.mantissa};
  if (big.negative == small.negative) return Round(big.negative, x.Plus(y), small.exponent, false);
  if (x.Less(y)) return Round(small.negative, y.Minus(x), small.exponent, false);
  return Round(big.negative, x.Minus(y), small.exponent, false);  // an exact 0 is +0
}

Binary Floor(const Binary& v) {
  if (v.mantissa == 0 || v.exponent >= 0) return v;
  if (v.exponent <= -53) {  // |v| < 1
    return v.negative ? Binary{true, 1ull << 52, -52} : Binary{};
  }
  uint64_t whole = v.mantissa >> -v.exponent;
  const bool fraction = (v.mantissa & ((1ull << -v.exponent) - 1)) != 0;
  if (v.negative && fraction) ++whole;
  return Round(v.negative, Wide{0, whole}, 0, false);
}

Binary Multiply(const Binary& a, const Binary& b) {
  return Round(a.negative != b.negative, Multiply(a.mantissa, b.mantissa), a.exponent + b.exponent,
               false);
}

double Compose(const Binary& b) {
  if (b.mantissa == 0) return b.negative ? -0.0 : 0.0;
  if (b.exponent + 52 > 1023) return b.negative ? -HUGE_VAL : HUGE_VAL;
  // The mantissa converts to a double exactly, and ldexp only moves the exponent.
  const double magnitude = std::ldexp(static_cast<double>(b.mantissa), b.exponent);
  return b.negative ? -magnitude : magnitude;
}

// 0.1 to the power decimals as the 64-bit build's pow gives it (not always the nearest double:
// from 4 decimals on it is a few units of the last place above).
constexpr int kFewestDecimals = -3;
constexpr int kMostDecimals = 12;
const uint64_t kPowersOfATenth[] = {
    0x408f400000000000, 0x4059000000000000, 0x4024000000000000, 0x3ff0000000000000,
    0x3fb999999999999a, 0x3f847ae147ae147c, 0x3f50624dd2f1a9fd, 0x3f1a36e2eb1c4330,
    0x3ee4f8b588e368f4, 0x3eb0c6f7a0b5ed90, 0x3e7ad7f29abcaf4e, 0x3e45798ee2308c3f,
    0x3e112e0be826d699, 0x3ddb7cdfd9d7bdc3, 0x3da5fd7fe179649c, 0x3d719799812dea18,
};

}  // namespace

double RoundTo(double value, int decimals) {
  if (decimals < kFewestDecimals) decimals = kFewestDecimals;
  if (decimals > kMostDecimals) decimals = kMostDecimals;
  if (!std::isfinite(value)) return value;
  double p = 0.0;
  std::memcpy(&p, &kPowersOfATenth[decimals - kFewestDecimals], sizeof p);
  const Binary power = Decompose(p);
  const Binary half{false, 1ull << 52, -53};
  const Binary quotient = Divide(Decompose(value), power);
  if (quotient.mantissa != 0 && quotient.exponent + 52 > 1023) return Compose(quotient);  // inf
  return Compose(Multiply(Floor(Add(quotient, half)), power));
}

uint64_t PercentOf(uint64_t done, uint64_t total) {
  if (total == 0) return 100;
  // floor(done * 100 / total) as whole and remainder, so that done * 100 never overflows; the
  // remainder's share is exact for totals up to 2^64 / 100 (far beyond any file).
  const uint64_t whole = done / total;
  const uint64_t rest = done % total;
  const uint64_t restShare =
      total <= UINT64_MAX / 100 ? rest * 100 / total : rest / (total / 100 + 1);
  return whole * 100 + restShare;
}
