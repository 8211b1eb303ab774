#include "score_conversion.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
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
// A chain's sums are checked two at a time: room for one more.
constexpr int kChainRoom = kInteriorOrdinates + 1;
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
// double sums; then their exact errors are found and checked, two at a time
// and branch-free, and only if one lies that close is the x87 asked.
double ChainOfSums(double start, const double* addends, double* sums) {
  using Real2 = double __attribute__((vector_size(16)));
  using Bits2 = std::uint64_t __attribute__((vector_size(16)));
  constexpr std::uint64_t kExponentMask = std::uint64_t{0x7FF} << 52;
  constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;

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

  // With 2^E the power of two at the bottom of the sum's binade, the
  // dangerous errors lie just under half a unit, 2^(E-53), within one
  // extended unit, 2^(E-63); where the sum is 2^E itself the units below are
  // half as large, so that band is checked too (for every sum: a false alarm
  // costs one x87 sum).
  const auto undecided_pair = [&](int i) {
    Real2 before;
    Real2 sum;
    Real2 addend;
    std::memcpy(&before, chain + i, sizeof before);
    std::memcpy(&sum, chain + i + 1, sizeof sum);
    std::memcpy(&addend, addends + i, sizeof addend);
    const Real2 addend_virtual = sum - before;
    const Real2 signed_error = (before - (sum - addend_virtual)) + (addend - addend_virtual);
    const Real2 power = std::bit_cast<Real2>(std::bit_cast<Bits2>(sum) & kExponentMask);
    const Real2 error = std::bit_cast<Real2>(std::bit_cast<Bits2>(signed_error) & ~kSignBit);
    const Real2 above = power * 0x1p-53 - error;  // exact where it matters
    const Real2 below = power * 0x1p-54 - error;
    const Real2 zero = {};
    // SSE2 compares and masks: kept as masks, with no lane-wise conversion.
    return _mm_or_pd(_mm_and_pd(_mm_cmpgt_pd(above, zero), _mm_cmple_pd(above, power * 0x1p-63)),
                     _mm_and_pd(_mm_cmpgt_pd(below, zero), _mm_cmple_pd(below, power * 0x1p-64)));
  };
  __m128d undecided = _mm_setzero_pd();
  for (int i = 0; i < kChainRoom; i += 2) undecided = _mm_or_pd(undecided, undecided_pair(i));
  if (_mm_movemask_pd(undecided) == 0) return last;

  // Rare: ask the x87 about the sums in question. Mostly it agrees, and the
  // chain stands; where it does not, the chain runs on from there on the x87.
  for (int i = 0; i < kInteriorOrdinates; i += 2) {
    const int pair = _mm_movemask_pd(undecided_pair(i));
    for (int lane = 0; lane < 2 && i + lane < kInteriorOrdinates; ++lane) {
      if ((pair & (1 << lane)) == 0) continue;
      const int at = i + lane;
      if (Store(static_cast<long double>(chain[at]) + addends[at]) != chain[at + 1]) {
        return ChainOnX87(chain[at], addends, sums, at);
      }
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
