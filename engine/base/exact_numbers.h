// Numbers the programs show or send that must come out the same in every build: the shipped
// 32-bit one computes floating-point expressions on the x87 unit with 64-bit mantissas, the
// 64-bit one with SSE doubles, and a value near a rounding boundary can fall on either side.
// These work in integer arithmetic, so every build gives the same, exact results.
#pragma once

#include <cstdint>

// floor(value / p + 0.5) * p with p = 0.1 to the power decimals, every step rounded to the
// nearest double as the 64-bit build's SSE arithmetic rounds it, and p as its pow gives it: the
// same bits in every build (2.5 -> 3, -2.5 -> -2, 1.25 to one place -> 1.3, where the x87 unit
// once gave 1.2). decimals -3 to 12; other counts are taken as the nearer of those two.
double RoundTo(double value, int decimals);

// done as a whole percentage of total, rounded down (above 100 when done exceeds total); 100 when
// total is 0.
uint64_t PercentOf(uint64_t done, uint64_t total);
