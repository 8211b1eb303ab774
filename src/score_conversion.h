// From a deviation score to the percentage of the population above it.
//
// The score is standardised, z = (score - 50) / 10, and the area under the
// standard normal density from 0 to z is taken with the composite trapezoid
// rule over 100 equal intervals; the percentage above the score is then
// 50 - 100 * area. Arithmetic is at extended precision; a value is rounded to
// double exactly where it is stored as one, and those stores decide the last
// bits, so each is spelled out. The functions are pure: no state, no I/O.
#pragma once

#include "extended.h"

// The standard normal density, e^(-x^2/2) / sqrt(2 pi): q := -(x x)/2,
// e := e^q and d := e / sqrt(2 pi) at extended precision, d rounded to double.
double NormalDensity(double x);

// The same, always by the extended steps above; NormalDensity takes a faster
// road to the same double where it can.
double NormalDensityByDefinition(double x);

// The trapezoid approximation of the integral of NormalDensity from 0 to z;
// negative for negative z.
double AreaFromMean(double z);

// 50 - 100 * AreaFromMean((score - 50) / 10): the top percentage of a score.
double TopPercentFor(double score);
