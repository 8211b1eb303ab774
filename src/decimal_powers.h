// Powers of ten at extended precision, and scaling by them.
//
// Both the number reader and the number text scale a value by 10^n in the
// same three steps, 10^(n mod 32), then 10^(32 ((n div 32) mod 16)), then
// 10^(512 (n div 512)), each factor the nearest extended value. The order and
// the rounding of each step are part of what the program prints, so both
// sides share this one implementation.
#pragma once

#include "extended.h"

// 10^n for 0 <= n <= 31, the nearest extended value.
long double SmallPowerOfTen(int n);

// value * 10^n for 0 <= n < 5120, rounding at each of the three steps.
long double MultiplyByPowerOfTen(long double value, int n);
// value / 10^n for 0 <= n < 5120, rounding at each of the three steps.
long double DivideByPowerOfTen(long double value, int n);
