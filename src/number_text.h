// The number text of a result: a double written with 2 decimals, right-
// justified in a field of 5 characters, by an exact decimal algorithm at
// extended precision.
//
// The magnitude is scaled below 16 by powers of ten, turned into 18 decimal
// digits (19 when the rounding carries into a leading 1) and rounded half up
// to the digits shown. Below 2^120 the fixed form "ddd.dd" is written, with
// every digit beyond the eighteenth significant one written as 0; from 2^120
// on, the exponent form " d.dE+dddd". The sign comes from the sign bit alone,
// so negative zero and tiny negative values show as -0.00.
#pragma once

#include <string_view>

#include "extended.h"

inline constexpr int kNumberFieldWidth = 5;

// Room for the longest text: the padding, a sign, a leading 1 and 36 more
// integer digits, the point and 2 decimals.
struct NumberTextBuffer {
  static constexpr int kCapacity = 48;
  char bytes[kNumberFieldWidth + kCapacity];
};

// The text of a finite value, padded on the left to kNumberFieldWidth; a
// longer text is returned whole. The text lives in `buffer`.
std::string_view NumberText(double value, NumberTextBuffer& buffer);
