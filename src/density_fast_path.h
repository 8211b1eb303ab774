// A fast road to the density's double.
//
// The density is defined at extended precision: e := e^q, d := e / sqrt(2 pi),
// both rounded to 64-bit significands, then d rounded to double. Only that
// double is ever used. Here e^q / sqrt(2 pi) is evaluated in double-double
// arithmetic on the SSE unit to about 2^-66 relative, much faster than the x87
// can, and rounded to double directly. The extended road lies within 2^-62 of
// the exact value (its exponential is within one unit in the last place, the
// division adds half a unit), so both give the same double unless the value
// lies within 2^-60 of a point halfway between two doubles. There, about one
// value in a hundred, and wherever the result is not a normal double, the fast
// road declines and the caller takes the extended one.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "extended.h"

namespace density_fast_path {

struct ScaledExp2 {
  double high;       // 2^(j/32) / sqrt(2 pi), nearest double
  double low;        // the rest
  double high_head;  // high split in two halves of 26 bits, for exact products
  double high_tail;
};

// 2^(j/32) / sqrt(2 pi), j = 0 .. 31, with sqrt(2 pi) the extended value the
// density divides by; ln2/32 with a head short enough that k times it is
// exact for |k| < 2^15. Computed exactly by tools/gen_tables.py.
// clang-format off
inline constexpr ScaledExp2 kScaledExp2[32] = {
// BEGIN GENERATED density (tools/gen_tables.py)
    {0x1.9884533d43651p-2, -0x1.cbeaa324a0859p-56, 0x1.9884530000000p-2, 0x1.ea1b288000000p-29},
    {0x1.a17656095254ap-2, -0x1.c6b3f5c289641p-56, 0x1.a176560000000p-2, 0x1.2a4a940000000p-31},
    {0x1.aa9a7de112a90p-2, 0x1.4e8f7f408bf16p-56, 0x1.aa9a7e0000000p-2, -0x1.eed5700000000p-30},
    {0x1.b3f1e3dcc279bp-2, -0x1.2fbcf83a6cd47p-56, 0x1.b3f1e40000000p-2, -0x1.19ec328000000p-29},
    {0x1.bd7da73c593e6p-2, -0x1.a1a74250e4333p-59, 0x1.bd7da70000000p-2, 0x1.e2c9f30000000p-29},
    {0x1.c73eed8a08cccp-2, -0x1.1f5dacad3be50p-61, 0x1.c73eed8000000p-2, 0x1.4119980000000p-31},
    {0x1.d136e2bd7fc06p-2, -0x1.143894129b794p-57, 0x1.d136e28000000p-2, 0x1.ebfe030000000p-29},
    {0x1.db66b95ff189fp-2, 0x1.7e73a1f650490p-58, 0x1.db66b98000000p-2, -0x1.0073b08000000p-29},
    {0x1.e5cfaab0e879ap-2, -0x1.946f0174b9641p-56, 0x1.e5cfaa8000000p-2, 0x1.8743cd0000000p-29},
    {0x1.f072f6cbe6306p-2, -0x1.5945395b66fa5p-60, 0x1.f072f70000000p-2, -0x1.a0ce7d0000000p-29},
    {0x1.fb51e4ced6fe0p-2, 0x1.ec76ce1d6316bp-56, 0x1.fb51e50000000p-2, -0x1.8948100000000p-29},
    {0x1.0336e180ae64cp-1, 0x1.78a3aaa2519d3p-55, 0x1.0336e18000000p-1, 0x1.5cc9800000000p-34},
    {0x1.08e3f37e7b1e4p-1, 0x1.e667b55fdf1dep-58, 0x1.08e3f38000000p-1, -0x1.84e1c00000000p-33},
    {0x1.0eb0d6eb03821p-1, 0x1.1967e97195c73p-56, 0x1.0eb0d70000000p-1, -0x1.4fc7df0000000p-29},
    {0x1.149e3e22e30aep-1, -0x1.fd4b8c8b49034p-57, 0x1.149e3e0000000p-1, 0x1.1718570000000p-28},
    {0x1.1aacdf6a8b7fep-1, 0x1.99d001f7fcdf1p-55, 0x1.1aacdf8000000p-1, -0x1.5748020000000p-29},
    {0x1.20dd750429b6dp-1, 0x1.1a6d655b39f41p-57, 0x1.20dd750000000p-1, 0x1.0a6db40000000p-31},
    {0x1.2730bd46050fep-1, -0x1.d688ea6f3800cp-55, 0x1.2730bd8000000p-1, -0x1.cfd7810000000p-28},
    {0x1.2da77ab15c5c6p-1, 0x1.cd64a97e9b973p-57, 0x1.2da77a8000000p-1, 0x1.8ae2e30000000p-28},
    {0x1.34427409c2ef0p-1, -0x1.bdd1c8c32bbe7p-58, 0x1.3442740000000p-1, 0x1.385de00000000p-30},
    {0x1.3b02746d00a35p-1, 0x1.8df1de7f2b8b0p-57, 0x1.3b02748000000p-1, -0x1.2ff5cb0000000p-29},
    {0x1.41e84b6b77bbfp-1, 0x1.0e5545c6ba94ep-61, 0x1.41e84b8000000p-1, -0x1.4884410000000p-29},
    {0x1.48f4cd2113849p-1, 0x1.0af4364c8a83fp-55, 0x1.48f4cd0000000p-1, 0x1.089c248000000p-28},
    {0x1.5028d24ec2b73p-1, 0x1.958dc93f92955p-55, 0x1.5028d28000000p-1, -0x1.89ea468000000p-28},
    {0x1.5785387480b39p-1, -0x1.568e0133e3d14p-58, 0x1.5785388000000p-1, -0x1.6fe98e0000000p-30},
    {0x1.5f0ae1ebf0a9ap-1, -0x1.34365ce2fed65p-55, 0x1.5f0ae20000000p-1, -0x1.40f5660000000p-29},
    {0x1.66bab6038de94p-1, 0x1.3a5a0f202b975p-56, 0x1.66bab60000000p-1, 0x1.c6f4a00000000p-32},
    {0x1.6e95a11a749b4p-1, -0x1.d114bb5e61482p-55, 0x1.6e95a10000000p-1, 0x1.a749b40000000p-29},
    {0x1.769c94bcc6397p-1, -0x1.059f2c7b5c3dbp-56, 0x1.769c948000000p-1, 0x1.e631cb8000000p-28},
    {0x1.7ed087c0ad302p-1, 0x1.5d2df24d82648p-55, 0x1.7ed0880000000p-1, -0x1.fa967f0000000p-28},
    {0x1.873276640323ep-1, 0x1.e0912e08da473p-56, 0x1.8732768000000p-1, -0x1.bfcdc20000000p-29},
    {0x1.8fc3626a9d6bfp-1, -0x1.3f28a09c9c31ep-56, 0x1.8fc3628000000p-1, -0x1.5629410000000p-29},
};
inline constexpr double kLn2Over32Head = 0x1.62e42fefa0000p-6;
inline constexpr double kLn2Over32Tail = 0x1.cf79abc9e3b3ap-45;
inline constexpr double kThirtyTwoOverLn2 = 0x1.71547652b82fep+5;
// END GENERATED density
// clang-format on

// e^(-x^2/2) / sqrt(2 pi) is a normal double up to |x| = 37.4 (x^2/2 = 700),
// and rounds to 0 from 38.6 on (x^2/2 = 745, e^-745 / sqrt(2 pi) < 2^-1075).
inline constexpr double kLargestNormalX = 37;
inline constexpr double kZeroBeyondX = 38.7;
// A value is decided when it lies farther than this, in units of the last
// place, from a point halfway between two doubles: 2^-60 relative is at most
// 2^-7 units.
inline constexpr double kDecidedBelow = 0.5 - 0x1p-7;
inline constexpr double kSmallestSquare = 0x1p-900;

// Sets `density` to the double of e^q / sqrt(2 pi), where q is -(x x)/2
// rounded to a 64-bit significand, and returns true; or returns false when
// the extended road must decide.
inline bool TryDensity(double x, double& density) {
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1: splits a double in halves
  constexpr std::uint64_t kSignificandMask = (std::uint64_t{1} << 52) - 1;
  constexpr std::uint64_t kExponentUnit = std::uint64_t{1} << 52;

  // Checked before squaring, which must not overflow: no finite score may
  // raise a floating-point flag. An infinite x must fault on the extended road.
  const double magnitude = std::fabs(x);
  if (!(magnitude <= kLargestNormalX)) {
    if (magnitude > kZeroBeyondX && magnitude != INFINITY) {
      density = 0;
      return true;
    }
    return false;
  }

  // x x = square + square_low exactly.
  const double square = x * x;
  const double x_split = kSplitter * x;
  const double x_head = x_split - (x_split - x);
  const double x_tail = x - x_head;
  const double square_low = ((x_head * x_head - square) + 2 * x_head * x_tail) + x_tail * x_tail;

  // Round the exact square to a 64-bit significand, as the extended product
  // does: square_low to a multiple of 2^-11 units of square, ties to even.
  // Tiny squares (x = 0 among them) leave no room for the grain below.
  const auto square_bits = std::bit_cast<std::uint64_t>(square);
  if (square < kSmallestSquare) return false;
  if ((square_bits & kSignificandMask) == 0 && square_low != 0) return false;
  // grain = 2^-63 of the square's binade; 1/grain is exact too.
  const std::uint64_t exponent_bits = square_bits & ~kSignificandMask;
  const double grain = std::bit_cast<double>(exponent_bits - 63 * kExponentUnit);
  const double inverse_grain =
      std::bit_cast<double>((2 * std::uint64_t{1023} + 63) * kExponentUnit - exponent_bits);
  constexpr double kRoundingShift52 = 0x1.8p52;
  const double low_rounded =
      ((square_low * inverse_grain + kRoundingShift52) - kRoundingShift52) * grain;
  const double q_high = -square / 2;
  const double q_low = -low_rounded / 2;

  // q = k ln2/32 + r; k = 32 m + j.
  constexpr double kRoundingShift = 0x1.8p52;
  const double k_real = (q_high * kThirtyTwoOverLn2 + kRoundingShift) - kRoundingShift;
  const auto k = static_cast<std::int32_t>(k_real);
  const double a = q_high - k_real * kLn2Over32Head;  // exact
  const double b = q_low - k_real * kLn2Over32Tail;
  const double r = a + b;  // r + r_low = a + b exactly
  const double b_virtual = r - a;
  const double r_low = (a - (r - b_virtual)) + (b - b_virtual);

  // e^r - 1 - r = r^2/2 + ... + r^7/5040, small enough for double.
  const double p =
      r * r *
      (0.5 + r * (1.0 / 6 + r * (1.0 / 24 + r * (1.0 / 120 + r * (1.0 / 720 + r * (1.0 / 5040))))));
  const double tail = r_low + r_low * r + p;

  // T * (1 + r + tail), with T * r exact as a double-double.
  const ScaledExp2& t = kScaledExp2[k & 31];
  const double split = kSplitter * r;
  const double r_head = split - (split - r);
  const double r_tail = r - r_head;
  const double product = t.high * r;
  const double product_low =
      ((t.high_head * r_head - product) + t.high_head * r_tail + t.high_tail * r_head) +
      t.high_tail * r_tail;
  const double sum = t.high + product;  // |product| < |t.high| / 64
  const double sum_low = product - (sum - t.high);
  const double low = (((t.low + t.high * tail) + t.low * r) + product_low) + sum_low;
  const double value = sum + low;
  const double value_low = low - (value - sum);

  // value is the nearest double to value + value_low; is it surely the one
  // the extended road rounds to?
  const auto bits = std::bit_cast<std::uint64_t>(value);
  if ((bits & kSignificandMask) == 0) return false;  // the step below halves
  const double ulp = std::bit_cast<double>((bits & ~kSignificandMask) - 52 * kExponentUnit);
  if (!(std::fabs(value_low) < kDecidedBelow * ulp)) return false;

  const int m = k >> 5;  // floor(k / 32), >= -1011 here
  density = value * std::bit_cast<double>(static_cast<std::uint64_t>(m + 1023) << 52);
  return true;
}

}  // namespace density_fast_path
