// The fast road's blocks: the densities of N arguments at once, and the check
// of N running sums, written once for any number of lanes with GCC's vector
// extensions. Included by the two files that compile it, each for its own
// instruction set; everything here has internal linkage, so that neither
// file's code can stand in for the other's.
#pragma once

#include <immintrin.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "density_fast_path.h"

namespace density_fast_path {
namespace {

template <int N>
struct Lanes {
  typedef double Real __attribute__((vector_size(8 * N)));
  typedef std::uint64_t Bits __attribute__((vector_size(8 * N)));
  typedef std::int64_t Mask __attribute__((vector_size(8 * N)));
};

// e^(-x^2/2) / sqrt(2 pi) is a normal double up to |x| = 37.4 (x^2/2 = 700),
// and rounds to 0 from 38.6 on (x^2/2 = 745, e^-745 / sqrt(2 pi) < 2^-1075).
constexpr double kLargestNormalX = 37;
constexpr double kZeroBeyondX = 38.7;
// Below this the square's rounding grain is not a normal double; there
// e^(-x^2/2) is 1 to far more than 64 bits anyway.
constexpr double kSmallestSquare = 0x1p-900;
// A value is decided when it lies farther than this, in units of the last
// place, from a point halfway between two doubles: 2^-8 units, against a
// largest difference of 2^-9.5 between the two roads.
constexpr double kDecidedBelow = 0.5 - 0x1p-8;

constexpr std::uint64_t kSignificandMask = (std::uint64_t{1} << 52) - 1;
constexpr std::uint64_t kExponentUnit = std::uint64_t{1} << 52;
constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr double kSplitter = 134217729.0;  // 2^27 + 1: splits a double in halves
constexpr double kShift52 = 0x1.8p52;      // adding and removing it rounds to an integer

enum class Products { kDekker, kFused };

// The rounding error of a * b, given p = a * b: a * b = p + error exactly.
template <int N, Products kind>
[[gnu::always_inline]] inline typename Lanes<N>::Real ProductError(typename Lanes<N>::Real a,
                                                                   typename Lanes<N>::Real b,
                                                                   typename Lanes<N>::Real p) {
  if constexpr (kind == Products::kFused) {
    static_assert(N == 4);
    return _mm256_fmsub_pd(a, b, p);
  } else {
    const auto a_split = kSplitter * a;
    const auto a_head = a_split - (a_split - a);
    const auto a_tail = a - a_head;
    const auto b_split = kSplitter * b;
    const auto b_head = b_split - (b_split - b);
    const auto b_tail = b - b_head;
    return ((a_head * b_head - p) + a_head * b_tail + a_tail * b_head) + a_tail * b_tail;
  }
}

// Every operation works on finite, in-range stand-ins, so that no lane raises
// a floating-point flag.
template <int N, Products kind>
[[gnu::always_inline]] inline void Block(const double* x_in, double* density,
                                         std::int64_t* decided_out) {
  using Real = typename Lanes<N>::Real;
  using Bits = typename Lanes<N>::Bits;
  using Mask = typename Lanes<N>::Mask;
  const auto bits_of = [](Real v) { return std::bit_cast<Bits>(v); };
  const auto from_bits = [](Bits b) { return std::bit_cast<Real>(b); };
  const Real zeros = {};

  Real x;
  std::memcpy(&x, x_in, sizeof x);
  const Real magnitude = from_bits(bits_of(x) & ~kSignBit);
  const Mask in_range = magnitude <= kLargestNormalX;
  const Mask zero = (magnitude > kZeroBeyondX) & (magnitude != __builtin_inf());
  const Real arg = in_range ? x : zeros + 1;

  // x x = square + square_low exactly.
  const Real square = arg * arg;
  const Real square_low = ProductError<N, kind>(arg, arg, square);

  // Round the exact square to a 64-bit significand, as the extended product
  // does: square_low to a multiple of 2^-63 of the square's binade, ties to
  // even. Where the square is a power of two and square_low negative, the
  // grain would halve: such lanes are left undecided.
  const Mask tiny = square < kSmallestSquare;
  const Bits square_bits = bits_of(tiny ? zeros + kSmallestSquare : square);
  const Bits exponent_bits = square_bits & ~kSignificandMask;
  const Mask square_at_binade_edge =
      ((square_bits & kSignificandMask) == 0) & (square_low != 0) & ~tiny;
  const Real grain = from_bits(exponent_bits - 63 * kExponentUnit);
  const Real inverse_grain =
      from_bits((2 * std::uint64_t{1023} + 63) * kExponentUnit - exponent_bits);
  const Real low_rounded = ((square_low * inverse_grain + kShift52) - kShift52) * grain;
  const Real q_high = -square / 2;
  const Real q_low = tiny ? zeros : -low_rounded / 2;

  // q = k ln2/32 + r, k = 32 m + j; the shifted product carries k in its
  // low bits, as 2^51 + k.
  const Real k_shifted = q_high * kThirtyTwoOverLn2 + kShift52;
  const Real k_real = k_shifted - kShift52;
  const Bits k_bits = bits_of(k_shifted) & kSignificandMask;
  const Real a = q_high - k_real * kLn2Over32Head;  // exact
  const Real b = q_low - k_real * kLn2Over32Tail;
  const Real r = a + b;  // r + r_low = a + b exactly
  const Real b_virtual = r - a;
  const Real r_low = (a - (r - b_virtual)) + (b - b_virtual);

  // e^r - 1 - r = r^2/2 + ... + r^7/5040, small enough for double.
  const Real p =
      r * r *
      (0.5 + r * (1.0 / 6 + r * (1.0 / 24 + r * (1.0 / 120 + r * (1.0 / 720 + r * (1.0 / 5040))))));
  const Real tail = r_low + r_low * r + p;

  // T * (1 + r + tail), with T * r exact as a double-double.
  Real t_high;
  Real t_low;
  for (int i = 0; i < N; ++i) {
    const ScaledExp2& entry = kScaledExp2[k_bits[i] & 31];
    t_high[i] = entry.high;
    t_low[i] = entry.low;
  }
  const Real product = t_high * r;
  const Real product_low = ProductError<N, kind>(t_high, r, product);
  const Real sum = t_high + product;  // |product| < |t_high| / 64
  const Real sum_low = product - (sum - t_high);
  const Real low = (((t_low + t_high * tail) + t_low * r) + product_low) + sum_low;
  const Real value = sum + low;
  const Real value_low = low - (value - sum);

  // value is the nearest double to value + value_low; is it surely the one
  // the extended road rounds to? (At a power of two the step below halves.)
  const Bits value_bits = bits_of(value);
  const Real ulp = from_bits((value_bits & ~kSignificandMask) - 52 * kExponentUnit);
  const Real value_low_magnitude = from_bits(bits_of(value_low) & ~kSignBit);
  const Mask decided = in_range & ~square_at_binade_edge & ((value_bits & kSignificandMask) != 0) &
                       (value_low_magnitude < kDecidedBelow * ulp);

  // Scale by 2^m, m = floor(k / 32) >= -1011: an exact product.
  const Bits m_biased = (k_bits >> 5) - (std::uint64_t{1} << 46) + 1023;
  const Real scaled = value * from_bits(m_biased << 52);
  const Real result = decided ? scaled : zeros;
  const Mask known = decided | zero;
  std::memcpy(density, &result, sizeof result);
  std::memcpy(decided_out, &known, sizeof known);
}

// Flags each running sum chain[i + 1] = chain[i] + addends[i], i < count,
// whose double may differ from the double of the extended sum, and returns
// whether any is flagged. With 2^E the power of two at the bottom of the
// sum's binade, such sums have a rounding error just under half a unit,
// 2^(E-53), within one extended unit, 2^(E-63); where the sum is 2^E itself
// the units below are half as large, so that band is flagged too (for every
// sum: a false alarm costs one extended sum).
template <int N>
[[gnu::always_inline]] inline bool FlagSums(const double* chain, const double* addends,
                                            std::int64_t* flags, int count) {
  using Real = typename Lanes<N>::Real;
  using Bits = typename Lanes<N>::Bits;
  using Mask = typename Lanes<N>::Mask;
  constexpr std::uint64_t kExponentMask = std::uint64_t{0x7FF} << 52;
  const Real zeros = {};
  Bits any = {};
  for (int i = 0; i < count; i += N) {
    Real before;
    Real sum;
    Real addend;
    std::memcpy(&before, chain + i, sizeof before);
    std::memcpy(&sum, chain + i + 1, sizeof sum);
    std::memcpy(&addend, addends + i, sizeof addend);
    const Real addend_virtual = sum - before;
    const Real signed_error = (before - (sum - addend_virtual)) + (addend - addend_virtual);
    const Real power = std::bit_cast<Real>(std::bit_cast<Bits>(sum) & kExponentMask);
    const Real error = std::bit_cast<Real>(std::bit_cast<Bits>(signed_error) & ~kSignBit);
    const Real above = power * 0x1p-53 - error;  // exact where it matters
    const Real below = power * 0x1p-54 - error;
    const Mask flagged = ((above > zeros) & (above <= power * 0x1p-63)) |
                         ((below > zeros) & (below <= power * 0x1p-64));
    std::memcpy(flags + i, &flagged, sizeof flagged);
    any |= std::bit_cast<Bits>(flagged);
  }
  std::uint64_t all_lanes = 0;
  for (int lane = 0; lane < N; ++lane) all_lanes |= any[lane];
  return all_lanes != 0;
}

}  // namespace
}  // namespace density_fast_path
