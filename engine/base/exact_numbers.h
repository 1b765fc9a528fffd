// Numbers the programs show or send that must come out the same in every build: the shipped
// 32-bit one computes floating-point expressions on the x87 unit with 64-bit mantissas, the
// 64-bit one with SSE doubles, and a value near a rounding boundary can fall on either side.
// These work in integer arithmetic, so every build gives the same, exact results.
#pragma once

#include <cstdint>

// value rounded to `decimals` places (0 to 9; other counts are taken as 0 or 9), halves upward
// (2.5 -> 3, -2.5 -> -2), from the exact binary value of the double (1.25 -> 1.3, while 2.675,
// which is 2.67499999... in binary, -> 2.67). The result is the double nearest to that decimal.
double RoundTo(double value, int decimals);

// done as a whole percentage of total, rounded down (above 100 when done exceeds total); 100 when
// total is 0.
uint64_t PercentOf(uint64_t done, uint64_t total);
