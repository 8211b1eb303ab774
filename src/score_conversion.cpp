#include "score_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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
// A chain's sums are checked a vector block at a time: room for one spare
// sum makes whole blocks.
constexpr int kChainRoom = kInteriorOrdinates + 1;
static_assert(kChainRoom % density_fast_path::kBlock == 0);
constexpr long double kScaleMean = 50;
constexpr long double kScaleDeviation = 10;
constexpr long double kPercent = 100;

// The one place where an extended intermediate becomes a stored double.
double Store(long double value) {
  return static_cast<double>(value);
}

// The chain from index `from` on, every sum on the x87.
double ChainOnX87(double before, const double* addends, double* sums, int from) {
  double c = before;
  for (int i = from; i < kInteriorOrdinates; ++i) {
    sums[i] = c = Store(static_cast<long double>(c) + addends[i]);
  }
  return c;
}

// The running sums c[i] = Store(c[i-1] + a[i]), each sum taken at extended
// precision and stored as double: the two chains of the trapezoid rule.
// addends and sums have room for kChainRoom values, the last addend 0.
//
// A plain double sum gives the same double unless the extended rounding moves
// the sum onto a point halfway between two doubles, which needs the double
// sum's rounding error to lie within 2^-64 of half a unit without being half
// a unit (then the sum is a tie either way). So the chain runs on plain
// double sums; then their exact errors are found and checked in vector
// registers, and only where one lies that close is the x87 asked.
double ChainOfSums(double start, const double* addends, double* sums) {
  // chain[0] is the start, chain[i + 1] the sum i; the spare last sum adds
  // the last addend, 0, exactly.
  double chain[kChainRoom + 1];
  chain[0] = start;
  for (int i = 0; i < kChainRoom; ++i) chain[i + 1] = chain[i] + addends[i];
  std::memcpy(sums, chain + 1, kChainRoom * sizeof(double));
  const double last = chain[kInteriorOrdinates];

  // Sums too small for the units below to be normal run on the x87. The
  // abscissae grow in magnitude and the ordinate sums stay above 0.19, so
  // the first sum tells.
  constexpr double kSmallestChecked = 0x1p-900;
  if (!(std::fabs(chain[1]) >= kSmallestChecked)) return ChainOnX87(start, addends, sums, 0);

  std::int64_t flagged[kChainRoom];
  if (!density_fast_path::FlagUndecidedSums(chain, addends, flagged, kChainRoom)) return last;

  // Rare: ask the x87 about the flagged sums. Mostly it agrees, and the
  // chain stands; where it does not, the chain runs on from there on the x87.
  for (int i = 0; i < kInteriorOrdinates; ++i) {
    if (flagged[i] == 0) continue;
    if (Store(static_cast<long double>(chain[i]) + addends[i]) != chain[i + 1]) {
      return ChainOnX87(chain[i], addends, sums, i);
    }
  }
  return last;
}

}  // namespace

double NormalDensityByDefinition(double x) {
  const long double wide = x;
  const long double q = -(wide * wide) / 2;
  return Store(ExtendedExp(q) / std::sqrt(kTwoPi));
}

namespace {

// Rounds a count of densities up to whole blocks of the fast road.
constexpr int WholeBlocks(int count) {
  return (count + density_fast_path::kBlock - 1) / density_fast_path::kBlock *
         density_fast_path::kBlock;
}

// The densities of x[0 .. count), by the fast road where it decides; both
// arrays have room for whole blocks, and the x beyond count are finite.
void Densities(const double* x, double* density, int count) {
#if DEVIATION_RANK_PLATFORM_EXP
  for (int i = 0; i < count; ++i) density[i] = NormalDensityByDefinition(x[i]);
#else
  std::int64_t decided[WholeBlocks(kInteriorOrdinates + 2)];
  density_fast_path::TryDensities(x, density, decided, WholeBlocks(count));
  for (int i = 0; i < count; ++i) {
    if (!decided[i]) density[i] = NormalDensityByDefinition(x[i]);
  }
#endif
}

}  // namespace

double NormalDensity(double x) {
  double x_block[WholeBlocks(1)] = {x};
  double density[WholeBlocks(1)];
  Densities(x_block, density, 1);
  return density[0];
}

double AreaFromMean(double z) {
  const double h = Store(static_cast<long double>(z) / kIntervals);

  // The abscissae are accumulated by repeated addition, not k * h. Then the
  // densities, independent of each other, are taken together, several to a
  // vector register: 0 and z itself first (the last ordinate is taken at z,
  // not at the accumulated abscissa), then the interior ones.
  constexpr int kEnds = 2;
  constexpr int kDensities = kEnds + kInteriorOrdinates;
  double steps[kChainRoom];
  std::fill(steps, steps + kInteriorOrdinates, h);
  steps[kInteriorOrdinates] = 0;
  double x[WholeBlocks(kDensities + 1)] = {0, z};
  ChainOfSums(0, steps, x + kEnds);
  double ordinates[WholeBlocks(kDensities + 1)];
  Densities(x, ordinates, kDensities);
  ordinates[kDensities] = 0;  // the spare last addend of the chain below

  double partial_sums[kChainRoom];
  double s = ChainOfSums(Store(static_cast<long double>(ordinates[0]) / 2), ordinates + kEnds,
                         partial_sums);
  s = Store(static_cast<long double>(ordinates[1]) / 2 + s);
  return Store(static_cast<long double>(s) * h);
}

double TopPercentFor(double score) {
  const double z = Store((static_cast<long double>(score) - kScaleMean) / kScaleDeviation);
  const double area = AreaFromMean(z);
  return Store(kScaleMean - static_cast<long double>(area) * kPercent);
}
