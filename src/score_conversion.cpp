#include "score_conversion.h"

#include <cmath>

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

}  // namespace

double NormalDensity(double x) {
  const long double wide = x;
  const long double q = -(wide * wide) / 2;
  return Store(ExtendedExp(q) / std::sqrt(kTwoPi));
}

double AreaFromMean(double z) {
  const double h = Store(static_cast<long double>(z) / kIntervals);

  // The abscissae are accumulated by repeated addition, not k * h. They form
  // the only chain besides the sum, so they come first and the densities,
  // independent of each other, can then overlap in the processor.
  double abscissae[kInteriorOrdinates];
  double t = 0;
  for (double& abscissa : abscissae) {
    t = Store(static_cast<long double>(t) + h);
    abscissa = t;
  }
  double ordinates[kInteriorOrdinates];
  for (int i = 0; i < kInteriorOrdinates; ++i) ordinates[i] = NormalDensity(abscissae[i]);

  double s = Store(static_cast<long double>(NormalDensity(0)) / 2);
  for (double ordinate : ordinates) s = Store(static_cast<long double>(ordinate) + s);
  // The last ordinate is taken at z itself, not at the accumulated abscissa.
  s = Store(static_cast<long double>(NormalDensity(z)) / 2 + s);
  return Store(static_cast<long double>(s) * h);
}

double TopPercentFor(double score) {
  const double z = Store((static_cast<long double>(score) - kScaleMean) / kScaleDeviation);
  const double area = AreaFromMean(z);
  return Store(kScaleMean - static_cast<long double>(area) * kPercent);
}
