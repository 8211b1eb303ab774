#include "score_conversion.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "density_fast_path.h"
#include "extended_exp.h"

namespace {

// 2 pi as the extended value of the decimal 6.283185307179586477; its square
// root is taken at run time, at extended precision.
// BEGIN GENERATED two_pi (tools/gen_tables.py)
constexpr long double kTwoPi = 0xC90FDAA22168C235p-61L;
// END GENERATED two_pi

constexpr int kIntervals = 100;
constexpr int kInteriorOrdinates = kIntervals - 1;
constexpr long double kScaleMean = 50;
constexpr long double kScaleDeviation = 10;
constexpr long double kPercent = 100;

// The one place where an extended intermediate becomes a stored double.
double Store(long double value) {
  return static_cast<double>(value);
}

// Store(a + b) with the sum at extended precision, the step of both running
// chains. The double sum is the same unless the extended sum lands exactly
// halfway between two doubles, which needs the rounding error of the double
// sum to lie within 2^-64 of half a unit; only then is the x87 asked.
double StoreSum(double a, double b) {
  constexpr std::uint64_t kSignificandMask = (std::uint64_t{1} << 52) - 1;
  constexpr std::uint64_t kExponentUnit = std::uint64_t{1} << 52;
  const double sum = a + b;
  const double b_virtual = sum - a;
  const double error = (a - (sum - b_virtual)) + (b - b_virtual);  // a + b = sum + error
  if (error == 0) return sum;
  const auto bits = std::bit_cast<std::uint64_t>(sum);
  const std::uint64_t exponent_bits = bits & ~kSignificandMask & ~(std::uint64_t{1} << 63);
  if (exponent_bits > 64 * kExponentUnit && (bits & kSignificandMask) != 0) {
    const double half_unit = std::bit_cast<double>(exponent_bits - 53 * kExponentUnit);
    const double extended_unit = std::bit_cast<double>(exponent_bits - 63 * kExponentUnit);
    if (std::fabs(error) < half_unit - extended_unit) return sum;
  }
  return Store(static_cast<long double>(a) + b);
}

}  // namespace

double NormalDensityByDefinition(double x) {
  const long double wide = x;
  const long double q = -(wide * wide) / 2;
  return Store(ExtendedExp(q) / std::sqrt(kTwoPi));
}

double NormalDensity(double x) {
#if !DEVIATION_RANK_PLATFORM_EXP
  if (double density; density_fast_path::TryDensity(x, density)) return density;
#endif
  return NormalDensityByDefinition(x);
}

double AreaFromMean(double z) {
  const double h = Store(static_cast<long double>(z) / kIntervals);

  // The abscissae are accumulated by repeated addition, not k * h. They form
  // the only chain besides the sum, so they come first and the densities,
  // independent of each other, can then overlap in the processor.
  double abscissae[kInteriorOrdinates];
  double t = 0;
  for (double& abscissa : abscissae) {
    t = StoreSum(t, h);
    abscissa = t;
  }
  double ordinates[kInteriorOrdinates];
  for (int i = 0; i < kInteriorOrdinates; ++i) ordinates[i] = NormalDensity(abscissae[i]);

  double s = Store(static_cast<long double>(NormalDensity(0)) / 2);
  for (double ordinate : ordinates) s = StoreSum(ordinate, s);
  // The last ordinate is taken at z itself, not at the accumulated abscissa.
  s = Store(static_cast<long double>(NormalDensity(z)) / 2 + s);
  return Store(static_cast<long double>(s) * h);
}

double TopPercentFor(double score) {
  const double z = Store((static_cast<long double>(score) - kScaleMean) / kScaleDeviation);
  const double area = AreaFromMean(z);
  return Store(kScaleMean - static_cast<long double>(area) * kPercent);
}
