// The number text of a result against fixed cases and against an exact
// decimal reference.
#include "number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace {

struct TextCase {
  double value;
  const char* text;
};

TEST(NumberText, FixedCases) {
  const TextCase cases[] = {
      {0.0, " 0.00"},
      {-0.0, "-0.00"},
      {-0.004, "-0.00"},
      {-3e-8, "-0.00"},
      {2.275, " 2.27"},   // the double lies below the tie
      {15.865, "15.87"},  // the double lies above the tie
      {0.125, " 0.13"},   // an exact tie rounds up
      {0.015, " 0.02"},   // within 5e-18 below the tie counts as the tie
      {50.0, "50.00"},
      {99.995, "100.00"},  // a carry into a new leading digit; longer than the field
      {-148.47, "-148.47"},
      {1e20, "100000000000000000000.00"},
      {1e23, "99999999999999991600000.00"},  // zeros beyond the 18th digit
      // A leading 1 from the rounding stands before 18 more digits.
      {12345678901234567890.0, "12345678901234567170.00"},
      // The largest double below 2^120: the last in fixed form, with 19 digits.
      {0x1.fffffffffffffp119, "1329227995784915725000000000000000000.00"},
      {0x1p120, " 1.3E+0036"},
      {-1.995e98, "-2.0E+0098"},
      {9.96e40, " 1.0E+0041"},  // the rounding carries into the exponent
      {1.7976931348623157e308, " 1.8E+0308"},
      {5e-324, " 0.00"},
  };
  for (const TextCase& c : cases) {
    NumberTextBuffer buffer;
    EXPECT_EQ(NumberText(c.value, buffer), c.text) << "value " << c.value;
  }
}

// Between 1 and 100 the text is the exact value of the double rounded half
// away from zero to 2 decimals; below 1 also, but for doubles within 5e-18 of
// a tie, which count as the tie.
std::string ExactRounding(double value) {
  char exact[128];
  std::snprintf(exact, sizeof exact, "%.70f", std::fabs(value));  // exact in glibc
  std::string s(exact);
  const std::size_t point = s.find('.');
  const bool up = s[point + 3] >= '5';
  std::string kept = s.substr(0, point + 3);
  if (up) {
    std::size_t i = kept.size();
    while (i-- > 0) {
      if (kept[i] == '.') continue;
      if (kept[i] != '9') {
        ++kept[i];
        break;
      }
      kept[i] = '0';
      if (i == 0) kept.insert(0, "1");
    }
  }
  if (std::signbit(value)) kept.insert(0, "-");
  if (kept.size() < 5) kept.insert(0, 5 - kept.size(), ' ');
  return kept;
}

bool NearTie(double value) {
  const double scaled = std::fabs(value) * 100;
  return std::fabs(scaled - std::floor(scaled) - 0.5) < 1e-12;
}

TEST(NumberText, AgreesWithExactDecimalRounding) {
  std::mt19937_64 random(20261211);
  std::uniform_real_distribution<double> magnitude(0.0, 100.0);
  NumberTextBuffer buffer;
  int compared = 0;
  for (int i = 0; i < 200000; ++i) {
    double value = magnitude(random);
    if (i % 2) value = -value;
    if (std::fabs(value) < 1 && NearTie(value)) continue;
    ASSERT_EQ(NumberText(value, buffer), ExactRounding(value)) << std::hexfloat << value;
    ++compared;
  }
  // Doubles that lie on or next to a tie, where the rounding is decided.
  for (int hundredths = 0; hundredths < 10000; ++hundredths) {
    const double tie = (hundredths + 0.5) / 100;
    for (double value : {std::nextafter(tie, 0.0), tie, std::nextafter(tie, 200.0)}) {
      if (value < 1) continue;
      ASSERT_EQ(NumberText(value, buffer), ExactRounding(value)) << std::hexfloat << value;
      ++compared;
    }
  }
  EXPECT_GT(compared, 200000);
}

}  // namespace
