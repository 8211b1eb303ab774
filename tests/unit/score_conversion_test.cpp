// The conversion from a score to its top percentage, and the exponential
// under it.
#include "score_conversion.h"

#include <gtest/gtest.h>
#include <quadmath.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "density_fast_path.h"
#include "extended_exp.h"
#include "number_text.h"

namespace {

struct ScoreCase {
  double score;
  const char* text;
};

TEST(ScoreConversion, WrittenPercentages) {
  const ScoreCase cases[] = {
      {0, "100.00"},      {-0.0, "100.00"},   {11.08, "100.00"},  {11.09, "99.99"},
      {20, "99.86"},      {36.5, "91.15"},    {40, "84.13"},      {45, "69.15"},
      {49.99, "50.04"},   {50, "50.00"},      {50.01, "49.96"},   {55, "30.85"},
      {60, "15.87"},      {63.5, " 8.85"},    {70, " 2.28"},      {75, " 0.62"},
      {80, " 0.14"},      {88.91, " 0.01"},   {88.92, " 0.00"},   {100, " 0.00"},
      {130.57, "-0.00"},  {1000, "-0.00"},    {1461.80, "-0.01"}, {2050, "-0.72"},
      {10050, "-149.47"}, {1e6, "-19896.12"}, {-50, "100.00"},    {-1361.80, "100.01"},
      {-1e6, "19998.11"},
  };
  NumberTextBuffer buffer;
  for (const ScoreCase& c : cases) {
    EXPECT_EQ(NumberText(TopPercentFor(c.score), buffer), c.text) << "score " << c.score;
  }
}

TEST(ScoreConversion, ExactValuesAndSymmetry) {
  EXPECT_EQ(TopPercentFor(50), 50.0);
  EXPECT_EQ(AreaFromMean(0), 0.0);
  // The 70-point example: z = 2, and the trapezoid value 2.2753...
  EXPECT_GE(TopPercentFor(70), 2.2753);
  EXPECT_LT(TopPercentFor(70), 2.2754);
  std::mt19937_64 random(2);
  std::uniform_real_distribution<double> z(0, 100);
  for (int i = 0; i < 20000; ++i) {
    const double x = i < 10000 ? z(random) / 25 : z(random);
    ASSERT_EQ(AreaFromMean(-x), -AreaFromMean(x)) << std::hexfloat << x;
  }
}

TEST(ScoreConversion, TrapezoidDeviationFromTheExactTail) {
  // Pulled towards 50 by about z^3 f(z) / 1200 points, most at z = sqrt 3.
  const double z = std::sqrt(3.0);
  const double exact = 50 - 50 * std::erf(z / std::sqrt(2.0));
  const double trapezoid = TopPercentFor(50 + 10 * z);
  EXPECT_NEAR(trapezoid - exact, 0.000385, 0.000005);
}

// The density against e^(-x^2/2)/sqrt(2 pi) at quadruple precision: the
// extended result rounds to the same double but for a last-bit double
// rounding.
TEST(NormalDensity, AgreesWithQuadPrecision) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> x(-40, 40);
  const __float128 root_two_pi = sqrtq(2 * acosq(-1));
  for (int i = 0; i < 100000; ++i) {
    const double at = x(random);
    const __float128 wide = at;
    const double reference = static_cast<double>(expq(-wide * wide / 2) / root_two_pi);
    const double ours = NormalDensity(at);
    ASSERT_LE(std::fabs(ours - reference), std::nextafter(reference, 1.0) - reference)
        << std::hexfloat << at;
  }
  EXPECT_EQ(NormalDensity(38.6), 0.0);
  EXPECT_GT(NormalDensity(38.0), 0.0);
  EXPECT_LT(NormalDensity(38.0), std::numeric_limits<double>::min());  // subnormal
  EXPECT_GE(NormalDensity(37.5), std::numeric_limits<double>::min());
}

// The conversion written plainly, step by step at extended precision, with
// the density by its definition: the fast roads must give the same bits.
double PlainAreaFromMean(double z) {
  const double h = static_cast<double>(static_cast<long double>(z) / 100);
  double t = 0;
  double s = static_cast<double>(static_cast<long double>(NormalDensityByDefinition(0)) / 2);
  for (int i = 0; i < 99; ++i) {
    t = static_cast<double>(static_cast<long double>(t) + h);
    s = static_cast<double>(static_cast<long double>(NormalDensityByDefinition(t)) + s);
  }
  s = static_cast<double>(static_cast<long double>(NormalDensityByDefinition(z)) / 2 + s);
  return static_cast<double>(static_cast<long double>(s) * h);
}

TEST(NormalDensity, FastRoadGivesTheDefinedDouble) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> x(-40, 40);
  for (int i = 0; i < 2000000; ++i) {
    const double at = i % 4 ? x(random) : x(random) / 1024;
    ASSERT_EQ(NormalDensity(at), NormalDensityByDefinition(at)) << std::hexfloat << at;
  }
  for (double at : {0.0, -0.0, 1e-300, 5e-324, 37.4, 38.6, 1e10, 1e300}) {
    EXPECT_EQ(NormalDensity(at), NormalDensityByDefinition(at)) << at;
  }
}

// Both instruction sets of the fast road, whichever this processor would
// choose: where they decide, they give the defined double, and they decide
// nearly everywhere.
TEST(NormalDensity, BothLaneWidthsGiveTheDefinedDouble) {
  using Road = void (*)(const double*, double*, std::int64_t*, int);
  std::vector<std::pair<const char*, Road>> roads = {
      {"two lanes", density_fast_path::TryDensitiesTwoLanes}};
  if (density_fast_path::HasFourLanes()) {
    roads.emplace_back("four lanes", density_fast_path::TryDensitiesFourLanes);
  } else {
    std::printf("this processor has no AVX2 and FMA: the four-lane road is not tested\n");
  }
  constexpr int kCount = 4096;
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> x(-39, 39);
  for (const auto& [name, road] : roads) {
    long decided_normal = 0;  // results that are normal doubles, |x| <= 37
    long normal = 0;
    for (int round = 0; round < 250; ++round) {
      std::vector<double> at(kCount);
      for (double& value : at) value = round % 2 ? x(random) : x(random) / 64;
      std::vector<double> density(kCount);
      std::vector<std::int64_t> decided(kCount);
      road(at.data(), density.data(), decided.data(), kCount);
      for (int i = 0; i < kCount; ++i) {
        const bool normal_result = std::fabs(at[i]) <= 37;
        normal += normal_result;
        if (!decided[i]) continue;
        decided_normal += normal_result;
        ASSERT_EQ(density[i], NormalDensityByDefinition(at[i])) << name << std::hexfloat << at[i];
      }
    }
    EXPECT_GT(decided_normal, normal * 97 / 100) << name;
  }
}

// The check of the running sums, in both lane widths: every double sum that
// differs from the double of the extended sum is flagged, and few others are.
TEST(ScoreConversion, RunningSumCheckFlagsEveryDifference) {
  using Check = bool (*)(const double*, const double*, std::int64_t*, int);
  std::vector<std::pair<const char*, Check>> checks = {
      {"two lanes", density_fast_path::FlagSumsTwoLanes}};
  if (density_fast_path::HasFourLanes()) {
    checks.emplace_back("four lanes", density_fast_path::FlagSumsFourLanes);
  }
  constexpr int kCount = 1024;
  std::mt19937_64 random(8);
  std::uniform_real_distribution<double> step(-0.5, 0.5);
  for (const auto& [name, check] : checks) {
    long differences = 0;
    long flagged_count = 0;
    for (int round = 0; round < 400; ++round) {
      // Repeated equal steps, as the abscissae take, or ordinates of every
      // size: only an addend far smaller than the sum leaves more than 64
      // bits to round.
      const double h = step(random);
      std::vector<double> addends(kCount);
      for (double& a : addends) {
        a = round % 2 ? h : std::ldexp(step(random) + 0.5, -static_cast<int>(random() % 64));
      }
      std::vector<double> chain(kCount + 1);
      chain[0] = step(random);
      for (int i = 0; i < kCount; ++i) chain[i + 1] = chain[i] + addends[i];
      std::vector<std::int64_t> flags(kCount);
      check(chain.data(), addends.data(), flags.data(), kCount);
      for (int i = 0; i < kCount; ++i) {
        const double extended =
            static_cast<double>(static_cast<long double>(chain[i]) + addends[i]);
        if (std::fabs(chain[i + 1]) < 0x1p-900) continue;  // left to the x87 by the caller
        flagged_count += flags[i] != 0;
        if (extended == chain[i + 1]) continue;
        ++differences;
        ASSERT_NE(flags[i], 0) << name << std::hexfloat << " " << chain[i] << " + " << addends[i];
      }
    }
    EXPECT_GT(differences, 0) << name;
    EXPECT_LT(flagged_count, 400 * kCount / 100) << name;
  }
}

TEST(ScoreConversion, FastRoadsGiveThePlainResult) {
  std::mt19937_64 random(6);
  std::uniform_real_distribution<double> z(-20, 20);
  for (int i = 0; i < 20000; ++i) {
    const double at = i % 2 ? z(random) : z(random) * 1e4;
    ASSERT_EQ(AreaFromMean(at), PlainAreaFromMean(at)) << std::hexfloat << at;
  }
}

// Error of ExtendedExp in units of the last place of the extended result.
double UlpError(long double x) {
  const __float128 reference = expq(static_cast<__float128>(x));
  const long double ours = ExtendedExp(x);
  int exponent = 0;
  frexpq(reference, &exponent);
  // ulp of an extended value in [2^(e-1), 2^e): 2^(e-64), no finer than the
  // smallest subnormal 2^-16445.
  const int ulp_exponent = std::max(exponent - 64, -16445);
  return static_cast<double>(fabsq(static_cast<__float128>(ours) - reference) /
                             ldexpq(1, ulp_exponent));
}

TEST(ExtendedExp, WithinOneUnitInTheLastPlace) {
  std::mt19937_64 random(4);
  std::uniform_real_distribution<long double> conversion_range(-800, 0);
  std::uniform_real_distribution<long double> subnormal_range(-11400, -11355);
  double worst = 0;
  for (int i = 0; i < 1000000; ++i) worst = std::max(worst, UlpError(conversion_range(random)));
  for (int i = 0; i < 20000; ++i) worst = std::max(worst, UlpError(subnormal_range(random)));
  for (long double x : {0.0L, -0.0L, -1e-30L, 1e-30L, 1.0L, -1.0L, 700.0L}) {
    worst = std::max(worst, UlpError(x));
  }
  RecordProperty("worst_ulp_error", std::to_string(worst));
  std::printf("worst error: %.3f ulp\n", worst);
#if DEVIATION_RANK_PLATFORM_EXP
  GTEST_SKIP() << "built with the C library's expl, whose worst error here is " << worst << " ulp";
#endif
  EXPECT_LE(worst, 1.0);
  EXPECT_EQ(ExtendedExp(0), 1.0L);
  EXPECT_EQ(ExtendedExp(-11400.5L), 0.0L);
  EXPECT_EQ(ExtendedExp(11400), std::numeric_limits<long double>::infinity());
}

TEST(ExtendedExp, InfiniteArgumentIsAnInvalidOperation) {
  std::feclearexcept(FE_ALL_EXCEPT);
  const long double result = ExtendedExp(-std::numeric_limits<long double>::infinity());
  EXPECT_TRUE(std::isnan(result));
  EXPECT_TRUE(std::fetestexcept(FE_INVALID));
  std::feclearexcept(FE_ALL_EXCEPT);
  // An infinite score makes the conversion raise it too.
  const double percent = TopPercentFor(std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::fetestexcept(FE_INVALID)) << percent;
  std::feclearexcept(FE_ALL_EXCEPT);
  // No finite score does.
  for (double score : {0.0, 50.0, 1e6, -1e300, 1.7976931348623157e308, 5e-324}) {
    std::feclearexcept(FE_ALL_EXCEPT);
    TopPercentFor(score);
    EXPECT_FALSE(std::fetestexcept(FE_INVALID | FE_OVERFLOW | FE_DIVBYZERO)) << score;
  }
}

}  // namespace
