#include "score_conversion.h"

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
template <typename Addend>
double ChainOnX87(double before, Addend addend, double* sums, int from) {
  double c = before;
  for (int i = from; i < kInteriorOrdinates; ++i) {
    sums[i] = c = Store(static_cast<long double>(c) + addend(i));
  }
  return c;
}

// The running sums c[i] = Store(c[i-1] + a[i]), each sum taken at extended
// precision and stored as double: the two chains of the trapezoid rule.
// A plain double sum gives the same double unless the extended rounding moves
// the sum onto a point halfway between two doubles, which needs the double
// sum's rounding error to lie within 2^-64 of half a unit without being half
// a unit (then the sum is a tie either way). So the chain runs on plain double
// sums, keeping their exact errors; then the errors are checked, and only
// if one lies that close is the x87 asked.
template <typename Addend>
double ChainOfSums(double start, Addend addend, double* sums) {
  constexpr std::uint64_t kExponentMask = std::uint64_t{0x7FF} << 52;
  double errors[kChainRoom];
  double c = start;
  for (int i = 0; i < kInteriorOrdinates; ++i) {
    const double a = addend(i);
    const double sum = c + a;
    const double a_virtual = sum - c;
    errors[i] = (c - (sum - a_virtual)) + (a - a_virtual);  // c + a = sum + error
    sums[i] = c = sum;
  }
  // With 2^E the power of two at the bottom of the sum's binade, the
  // dangerous errors lie just under half a unit, 2^(E-53), within one
  // extended unit, 2^(E-63); where the sum is 2^E itself the units below are
  // half as large, so that band is checked too (for every sum: a false alarm
  // costs one x87 sum). Two lanes to an SSE register, branch-free. Sums too small for the units to
  // be normal run on the x87 (the abscissae grow in magnitude, and the ordinate sums stay above
  // 0.19, so the first sum tells).
  constexpr double kSmallestChecked = 0x1p-900;
  if (!(std::fabs(sums[0]) >= kSmallestChecked)) return ChainOnX87(start, addend, sums, 0);
  using Real2 = double __attribute__((vector_size(16)));
  using Bits2 = std::uint64_t __attribute__((vector_size(16)));
  using Mask2 = std::int64_t __attribute__((vector_size(16)));
  constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
  const auto undecided_pair = [&](int i) {
    Real2 sum;
    Real2 signed_error;
    std::memcpy(&sum, sums + i, sizeof sum);
    std::memcpy(&signed_error, errors + i, sizeof signed_error);
    const Real2 power = std::bit_cast<Real2>(std::bit_cast<Bits2>(sum) & kExponentMask);
    const Real2 error = std::bit_cast<Real2>(std::bit_cast<Bits2>(signed_error) & ~kSignBit);
    const Real2 above = power * 0x1p-53 - error;  // exact where it matters
    const Real2 below = power * 0x1p-54 - error;
    return ((above > 0) & (above <= power * 0x1p-63)) | ((below > 0) & (below <= power * 0x1p-64));
  };
  // The odd last lane repeats the last sum, with no error.
  errors[kInteriorOrdinates] = 0;
  sums[kInteriorOrdinates] = c;
  // Gathered as plain bits: so it stays one OR a pair.
  Bits2 undecided = {};
  for (int i = 0; i < kChainRoom; i += 2) undecided |= std::bit_cast<Bits2>(undecided_pair(i));
  if ((undecided[0] | undecided[1]) == 0) return c;
  // Rare: ask the x87 about the sums in question. Mostly it agrees, and the
  // chain stands; where it does not, the chain runs on from there on the x87.
  for (int i = 0; i < kInteriorOrdinates; i += 2) {
    const Mask2 pair = undecided_pair(i);
    for (int lane = 0; lane < 2 && i + lane < kInteriorOrdinates; ++lane) {
      if (pair[lane] == 0) continue;
      const int at = i + lane;
      const double before = at == 0 ? start : sums[at - 1];
      if (Store(static_cast<long double>(before) + addend(at)) != sums[at]) {
        return ChainOnX87(before, addend, sums, at);
      }
    }
  }
  return c;
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
  // vector register: the interior ones, then 0 and z itself (the last
  // ordinate is taken at z, not at the accumulated abscissa).
  constexpr int kDensities = kInteriorOrdinates + 2;
  double x[WholeBlocks(kDensities)] = {};
  ChainOfSums(
      0, [h](int) { return h; }, x);
  x[kInteriorOrdinates] = 0;
  x[kInteriorOrdinates + 1] = z;
  double ordinates[WholeBlocks(kDensities)];
  Densities(x, ordinates, kDensities);
  const double at_zero = ordinates[kInteriorOrdinates];
  const double at_z = ordinates[kInteriorOrdinates + 1];

  double partial_sums[kChainRoom];
  double s = ChainOfSums(
      Store(static_cast<long double>(at_zero) / 2), [&ordinates](int i) { return ordinates[i]; },
      partial_sums);
  s = Store(static_cast<long double>(at_z) / 2 + s);
  return Store(static_cast<long double>(s) * h);
}

double TopPercentFor(double score) {
  const double z = Store((static_cast<long double>(score) - kScaleMean) / kScaleDeviation);
  const double area = AreaFromMean(z);
  return Store(kScaleMean - static_cast<long double>(area) * kPercent);
}
