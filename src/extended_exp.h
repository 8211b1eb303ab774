// The exponential at extended precision, the program's own so that every
// platform computes the same bits (the C libraries' expl differ in the last
// bit or two) and so that it is fast: a table of 2^(j/32) and a short
// polynomial, with no library call.
#pragma once

#include "extended.h"

// e^x, within one unit in the last place of the 64-bit significand, subnormal
// and zero results included. As in the classic method (2 to the power
// x log2 e, split into an integer power of two and a remainder), an infinite
// argument makes the split meet infinity minus infinity: the result is NaN and
// the invalid-operation flag is raised.
long double ExtendedExp(long double x);
