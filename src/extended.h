// Extended precision is the x87 80-bit format: a 64-bit significand and a
// 15-bit exponent. Every computation that the program does "at extended
// precision" is written in long double, which must be that format.
#pragma once

#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 80-bit extended format");
static_assert(std::numeric_limits<long double>::max_exponent == 16384,
              "long double must be the x87 80-bit extended format");
static_assert(std::numeric_limits<double>::digits == 53 && std::numeric_limits<double>::is_iec559,
              "double must be IEEE 754 binary64");
