// A fast road to the density's double.
//
// The density is defined at extended precision: e := e^q, d := e / sqrt(2 pi),
// both rounded to 64-bit significands, then d rounded to double. Only that
// double is ever used. Here e^q / sqrt(2 pi) is evaluated in double-double
// arithmetic on the SSE unit, much faster than the x87 can, and rounded to
// double directly. In units of the double's last place, the extended road lies
// within 2^-10.4 of the exact value (its exponential is within one extended
// unit, the division adds half of one, and an extended unit is 2^-11 of a
// double unit) and this road within about 2^-10.7 (relative error below
// 2^-63.7), so both give the same double unless the value lies within 2^-9.5
// units of a point halfway between two doubles. Within 2^-8 units of one,
// about one value in 120, and wherever the result is not a normal double, the
// fast road declines and the caller takes the extended one.
#pragma once

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

// The densities of x[0 .. count), count a multiple of kBlock: decided[i] is
// not 0 where density[i] was found; the others are left to the extended
// road. Uses four lanes with exact fused products where the processor has
// AVX2 and FMA, else two SSE2 lanes.
inline constexpr int kBlock = 4;
void TryDensities(const double* x, double* density, std::int64_t* decided, int count);

// The check of the trapezoid rule's running sums, in the same lanes: for the
// sums chain[i + 1] = chain[i] + addends[i], i < count (a multiple of
// kBlock), flags[i] is not 0 where the double sum may differ from the double
// of the extended sum (its rounding error lies within an extended unit of
// half a unit); returns whether any is flagged.
bool FlagUndecidedSums(const double* chain, const double* addends, std::int64_t* flags, int count);

// The two ways each may take, for the tests: two SSE2 lanes (any x86), and
// four AVX2 lanes (only where HasFourLanes()).
void TryDensitiesTwoLanes(const double* x, double* density, std::int64_t* decided, int count);
void TryDensitiesFourLanes(const double* x, double* density, std::int64_t* decided, int count);
bool FlagSumsTwoLanes(const double* chain, const double* addends, std::int64_t* flags, int count);
bool FlagSumsFourLanes(const double* chain, const double* addends, std::int64_t* flags, int count);
bool HasFourLanes();

}  // namespace density_fast_path
