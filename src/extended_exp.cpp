// e^x = 2^m * 2^(j/32) * e^r with k = 32 m + j = round(x * 32 / ln 2) and
// r = x - k ln2/32, |r| <= ln2/64. ln2/32 is split so that k times its head is
// exact; 2^(j/32) is held as a pair of extended values; e^r - 1 comes from its
// Taylor series to r^8, whose first omitted term is below 2^-77.
#include "extended_exp.h"

#include <bit>
#include <cmath>
#include <cstdint>

#if DEVIATION_RANK_PLATFORM_EXP

// The C library's exponential, kept for comparison; the split of an infinite
// argument is still made, so that it stays an invalid operation.
long double ExtendedExp(long double x) {
  const long double infinite_split = x - x;
  if (infinite_split != 0) return infinite_split;
  return std::exp(x);
}

#else

namespace {

// clang-format off
// BEGIN GENERATED ln2 (tools/gen_tables.py)
constexpr long double kThirtyTwoOverLn2 = 0xB8AA3B295C17F0BCp-58L;
constexpr long double kLn2Over32Head = 0xB17217F7D1000000p-69L;
constexpr long double kLn2Over32Tail = 0xCF79ABC9E3B39804p-109L;
// END GENERATED ln2

struct HighLow {
  long double high;
  long double low;
};
// 2^(j/32), j = 0 .. 31: high is the nearest extended value, low the rest.
constexpr HighLow kExp2Fractions[32] = {
// BEGIN GENERATED exp2 (tools/gen_tables.py)
    {0x8000000000000000p-63L, 0.0L},
    {0x82CD8698AC2BA1D7p-63L, 0xF8A91D6D19482FFDp-129L},
    {0x85AAC367CC487B15p-63L, -0xE8DA91CF7AACF938p-129L},
    {0x88980E8092DA8527p-63L, 0xBBF1AED9318CEAC6p-128L},
    {0x8B95C1E3EA8BD6E7p-63L, -0x8373AF14EB586DFDp-132L},
    {0x8EA4398B45CD53C0p-63L, 0xB70051321E0F5317p-129L},
    {0x91C3D373AB11C336p-63L, 0xFD6D8E0AE5AC9D82p-131L},
    {0x94F4EFA8FEF70961p-63L, 0xBA2BEB4495477951p-129L},
    {0x9837F0518DB8A96Fp-63L, 0x8D5A46305C85EDEDp-128L},
    {0x9B8D39B9D54E5539p-63L, -0xBAAFD0BAB86781C2p-128L},
    {0x9EF5326091A111AEp-63L, -0xBEDDC1EC288C045Dp-128L},
    {0xA27043030C496819p-63L, -0xC90BF620FE6042B1p-128L},
    {0xA5FED6A9B15138EAp-63L, 0xE5EBFB10B88380D9p-130L},
    {0xA9A15AB4EA7C0EF8p-63L, 0xA83C49D86A63F4E6p-128L},
    {0xAD583EEA42A14AC6p-63L, 0x93015191EB345D89p-128L},
    {0xB123F581D2AC2590p-63L, -0xF05F902D25BD44E3p-128L},
    {0xB504F333F9DE6484p-63L, 0xB2FB1366EA957D3Ep-128L},
    {0xB8FBAF4762FB9EE9p-63L, 0xDC3CBBC2B35B2D0Dp-130L},
    {0xBD08A39F580C36BFp-63L, -0xAEFDC09325E0A10Cp-128L},
    {0xC12C4CCA66709456p-63L, 0xF88AFAB34A010F6Bp-128L},
    {0xC5672A115506DADDp-63L, 0xF8AB432593767CDEp-129L},
    {0xC9B9BD866E2F27A3p-63L, -0xFE3C0DABF5DD2D04p-128L},
    {0xCE248C151F8480E4p-63L, -0xEE53E3835069C895p-130L},
    {0xD2A81D91F12AE45Ap-63L, 0x912472BE1EF20143p-130L},
    {0xD744FCCAD69D6AF4p-63L, 0xE69A2EE640B4FF78p-129L},
    {0xDBFBB797DAF23755p-63L, 0xF610356A78A6A991p-129L},
    {0xE0CCDEEC2A94E111p-63L, 0xCB12A091BA667944p-132L},
    {0xE5B906E77C8348A8p-63L, 0xF2F47A5276DD8765p-130L},
    {0xEAC0C6E7DD24392Fp-63L, -0xBF4A29323E46AC15p-129L},
    {0xEFE4B99BDCDAF5CBp-63L, 0x8CAC39ED291B7226p-128L},
    {0xF5257D152486CC2Cp-63L, 0xF73A18F5DB301F87p-128L},
    {0xFA83B2DB722A033Ap-63L, 0xF84B762862BAFF99p-128L},
// END GENERATED exp2
};
// clang-format on

// 1/n! for n = 2 .. 8.
constexpr long double kInverseFactorial[] = {
    1.0L / 2, 1.0L / 6, 1.0L / 24, 1.0L / 120, 1.0L / 720, 1.0L / 5040, 1.0L / 40320,
};

// Beyond these, e^x is infinite or below the smallest subnormal.
constexpr long double kOverflowBound = 11357.0L;
constexpr long double kUnderflowBound = -11400.0L;
// Adding and removing 1.5 * 2^63 rounds to an integer, ties to even.
constexpr long double kRoundingShift = 0x1.8p63L;

// 2^m as a double, built from its bits, for the normal range of doubles.
constexpr int kDoubleBias = 1023;
constexpr int kDoubleMinExponent = -1022;
constexpr int kDoubleMaxExponent = 1023;
double DoublePowerOfTwo(int m) {
  return std::bit_cast<double>(static_cast<std::uint64_t>(m + kDoubleBias) << 52);
}

// y * 2^m with a single rounding. Doubles cover the whole range that the
// conversion uses (down to about 2^-1160) in at most two exact steps; only
// results near the ends of the extended range take the library's ldexp.
constexpr int kTwoStepLimit = 2 * kDoubleMinExponent;
long double ScaleByPowerOfTwo(long double y, int m) {
  if (m >= kDoubleMinExponent && m <= kDoubleMaxExponent) return y * DoublePowerOfTwo(m);
  if (m < kDoubleMinExponent && m >= kTwoStepLimit) {
    return (y * DoublePowerOfTwo(kDoubleMinExponent)) * DoublePowerOfTwo(m - kDoubleMinExponent);
  }
  return std::ldexp(y, m);
}

}  // namespace

long double ExtendedExp(long double x) {
  const long double k_real = (x * kThirtyTwoOverLn2 + kRoundingShift) - kRoundingShift;
  // For an infinite x this is infinity minus infinity.
  const long double r = (x - k_real * kLn2Over32Head) - k_real * kLn2Over32Tail;
  if (r != r) return r;
  if (x > kOverflowBound) return 0x1p16383L * 2;    // overflows, with its flag
  if (x < kUnderflowBound) return 0x1p-16445L / 2;  // underflows to 0

  // k_real is a whole number far inside the double range: going through
  // double avoids the x87 control-word switch of a direct conversion.
  const auto k = static_cast<std::int32_t>(static_cast<double>(k_real));
  const HighLow& fraction = kExp2Fractions[k & 31];
  const int m = k >> 5;  // floor(k / 32)

  long double p = kInverseFactorial[6];
  for (int i = 5; i >= 0; --i) p = p * r + kInverseFactorial[i];
  p = r + r * r * p;  // e^r - 1
  long double y = fraction.high + (fraction.low + fraction.high * p);

  return ScaleByPowerOfTwo(y, m);
}

#endif
