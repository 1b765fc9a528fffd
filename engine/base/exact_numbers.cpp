#include "base/exact_numbers.h"

#include <cmath>
#include <cstring>

namespace {

// An unsigned 128-bit number as four 32-bit limbs, most significant first: enough for a 53-bit
// mantissa times 10^9 shifted left by 64 bits. (The 32-bit compiler has no 128-bit integer type.)
struct Wide {
  uint32_t limb[4] = {};

  static Wide From(uint64_t value) {
    Wide w;
    w.limb[2] = static_cast<uint32_t>(value >> 32);
    w.limb[3] = static_cast<uint32_t>(value);
    return w;
  }
  void MultiplyBy(uint32_t factor) {
    uint64_t carry = 0;
    for (int i = 3; i >= 0; --i) {
      const uint64_t product = uint64_t{limb[i]} * factor + carry;
      limb[i] = static_cast<uint32_t>(product);
      carry = product >> 32;
    }
  }
  // Divides in place; returns the remainder.
  uint32_t DivideBy(uint32_t divisor) {
    uint64_t remainder = 0;
    for (uint32_t& l : limb) {
      const uint64_t part = (remainder << 32) | l;
      l = static_cast<uint32_t>(part / divisor);
      remainder = part % divisor;
    }
    return static_cast<uint32_t>(remainder);
  }
  void ShiftLeft(int bits) {
    for (; bits > 0; --bits) {
      for (int i = 0; i < 4; ++i) {
        limb[i] = (limb[i] << 1) | (i < 3 ? limb[i + 1] >> 31 : 0);
      }
    }
  }
  // Shifts right by `bits`; returns whether any 1 bit was shifted out.
  bool ShiftRight(int bits) {
    bool lost = false;
    for (; bits > 0; --bits) {
      lost = lost || (limb[3] & 1) != 0;
      for (int i = 3; i >= 0; --i) limb[i] = (limb[i] >> 1) | (i > 0 ? limb[i - 1] << 31 : 0);
    }
    return lost;
  }
  void Add(uint64_t value) {
    uint64_t carry = value;
    for (int i = 3; i >= 0 && carry != 0; --i) {
      const uint64_t sum = uint64_t{limb[i]} + (carry & 0xFFFFFFFFu);
      limb[i] = static_cast<uint32_t>(sum);
      carry = (carry >> 32) + (sum >> 32);
    }
  }
  bool FitsIn64() const { return limb[0] == 0 && limb[1] == 0; }
  uint64_t Low64() const { return (uint64_t{limb[2]} << 32) | limb[3]; }
  int BitLength() const {
    for (int i = 0; i < 4; ++i) {
      if (limb[i] != 0) {
        int bits = 32;
        while ((limb[i] >> (bits - 1)) == 0) --bits;
        return (3 - i) * 32 + bits;
      }
    }
    return 0;
  }
};

uint32_t PowerOfTen(int exponent) {
  uint32_t power = 1;
  for (int i = 0; i < exponent; ++i) power *= 10;
  return power;
}

// The double nearest to units / 10^decimals (units below 2^53), rounded to even on a tie, in
// integer arithmetic: the quotient is taken to 55 significant bits or more, plus whether anything
// was left over, and then rounded to the double's 53.
double DecimalToDouble(uint64_t units, int decimals) {
  if (units == 0) return 0.0;
  Wide dividend = Wide::From(units);
  // Shifted to 127 bits, so that the quotient keeps 96 or more (10^9 is below 2^30).
  const int shift = 127 - dividend.BitLength();
  dividend.ShiftLeft(shift);
  bool inexact = dividend.DivideBy(PowerOfTen(decimals)) != 0;
  int exponent = -shift;
  const int excess = dividend.BitLength() - 53;
  if (excess > 0) {
    // Keep the half bit apart from the others, then round half to even.
    const bool belowHalf = dividend.ShiftRight(excess - 1);
    const bool half = (dividend.limb[3] & 1) != 0;
    dividend.ShiftRight(1);
    inexact = inexact || belowHalf;
    if (half && (inexact || (dividend.limb[3] & 1) != 0)) dividend.Add(1);
    exponent += excess;
  }
  // The mantissa (at most 2^53) converts to a double exactly, and ldexp only moves the exponent.
  return std::ldexp(static_cast<double>(dividend.Low64()), exponent);
}

}  // namespace

double RoundTo(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  if (!std::isfinite(value) || value == 0.0) return value;
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int exponent = 0;  // value = +-mantissa * 2^exponent
  if (biased == 0) {
    exponent = -1074;
  } else {
    mantissa |= uint64_t{1} << 52;
    exponent = biased - 1075;
  }
  // value * 10^decimals is an integer already: nothing to round.
  if (exponent >= 0 || -exponent <= decimals) return value;
  // units = floor(|value| * 10^decimals + 1/2) for a positive value; for a negative one the half
  // goes toward zero: -floor(|value| * 10^decimals + 1/2 - tiny), i.e. ties round up.
  const int fraction = -exponent;
  if (fraction > 120) return 0.0;  // |value| * 10^9 is far below a half
  Wide scaled = Wide::From(mantissa);
  scaled.MultiplyBy(PowerOfTen(decimals));
  Wide half;
  half.limb[3 - (fraction - 1) / 32] = uint32_t{1} << ((fraction - 1) % 32);
  Wide sum = scaled;
  // sum = scaled + half (or + half - 1 for a negative value), limb by limb.
  uint64_t carry = 0;
  for (int i = 3; i >= 0; --i) {
    const uint64_t s = uint64_t{sum.limb[i]} + half.limb[i] + carry;
    sum.limb[i] = static_cast<uint32_t>(s);
    carry = s >> 32;
  }
  if (negative) {
    // Subtract 1: borrow through the limbs (sum >= 1, since half >= 1).
    for (int i = 3; i >= 0; --i) {
      if (sum.limb[i]-- != 0) break;
    }
  }
  sum.ShiftRight(fraction);
  // A count of units the double cannot hold exactly: the value is already as fine as its precision.
  if (!sum.FitsIn64() || sum.Low64() >= (uint64_t{1} << 53)) return value;
  const double magnitude = DecimalToDouble(sum.Low64(), decimals);
  if (magnitude == 0.0) return 0.0;
  return negative ? -magnitude : magnitude;
}

uint64_t PercentOf(uint64_t done, uint64_t total) {
  if (total == 0) return 100;
  // floor(done * 100 / total) as whole and remainder, so that done * 100 never overflows; the
  // remainder's share is exact for totals up to 2^64 / 100 (far beyond any file).
  const uint64_t whole = done / total;
  const uint64_t rest = done % total;
  const uint64_t restShare = total <= UINT64_MAX / 100 ? rest * 100 / total : rest / (total / 100 + 1);
  return whole * 100 + restShare;
}
