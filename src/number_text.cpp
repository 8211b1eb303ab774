#include "number_text.h"

#include <cmath>
#include <cstdint>

#include "decimal_powers.h"

namespace {

constexpr int kDecimals = 2;
constexpr int kDigitCount = 18;            // digits taken from the scaled value
constexpr int kLargestFixedExponent = 35;  // the fixed form ends at 2^120
constexpr int kSignificantInExponentForm = 2;
constexpr int kExponentWidth = 4;
constexpr std::uint64_t kTenTo18 = 1000000000000000000ULL;
// log10(2) in 16-bit fixed point: floor(e * kLog10Of2 / 65536) is a decimal
// exponent that never exceeds that of 2^e.
constexpr int kLog10Of2 = 19728;

// Rounds a non-negative value below 2^63 to an integer, ties to even: adding
// and removing 2^63 leaves no fraction bits in the extended significand.
std::uint64_t RoundToInteger(long double x) {
  constexpr long double kShift = 0x1p63L;
  return static_cast<std::uint64_t>((x + kShift) - kShift);
}

// Adds one unit at the last digit of digits[0, length); true when the carry
// runs out of the front.
bool CarryInto(std::string& digits, std::size_t length) {
  for (std::size_t i = length; i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  return true;
}

// Rounds the digit string to its first `keep` digits, half up by the first
// dropped digit alone; a carry out of the front becomes a new leading 1.
void RoundHalfUp(std::string& digits, std::size_t keep) {
  const bool up = digits[keep] >= '5';
  digits.resize(keep);
  if (up && CarryInto(digits, keep)) digits.insert(digits.begin(), '1');
}

}  // namespace

std::string NumberText(double value) {
  const bool negative = std::signbit(value);
  const long double magnitude = std::fabs(static_cast<long double>(value));

  // Scale into [1, 16) (for magnitudes from 10 on); k is the decimal exponent.
  long double scaled = magnitude;
  int k = 0;
  if (magnitude >= 10) {
    for (;;) {
      const int j = std::ilogb(scaled) * kLog10Of2 / 65536;
      if (j == 0) break;
      k += j;
      scaled = DivideByPowerOfTen(scaled, j);
    }
  }

  // 18 digits, with a leading 1 in front when the rounding reaches 10^18.
  std::uint64_t n = RoundToInteger(scaled * SmallPowerOfTen(17));
  std::string digits;
  if (n >= kTenTo18) {
    digits = "1";
    n -= kTenTo18;
  }
  const std::string eighteen = std::to_string(n);
  digits.append(kDigitCount - eighteen.size(), '0');
  digits += eighteen;
  // The decimal exponent of digits[0].
  int lead_exponent = k + (digits.size() > kDigitCount ? 1 : 0);

  std::string text;
  if (k <= kLargestFixedExponent) {
    // Digits down to 10^-2; those beyond the 18 taken are zeros.
    const std::size_t wanted = static_cast<std::size_t>(lead_exponent + 1 + kDecimals);
    if (wanted >= digits.size()) {
      digits.append(wanted - digits.size(), '0');
    } else {
      RoundHalfUp(digits, wanted);
    }
    if (negative) text += '-';
    text.append(digits, 0, digits.size() - kDecimals);
    text += '.';
    text.append(digits, digits.size() - kDecimals, kDecimals);
  } else {
    RoundHalfUp(digits, kSignificantInExponentForm);
    if (digits.size() > kSignificantInExponentForm) {
      digits.resize(kSignificantInExponentForm);
      ++lead_exponent;
    }
    text += negative ? '-' : ' ';
    text += digits[0];
    text += '.';
    text += digits[1];
    text += 'E';
    text += lead_exponent < 0 ? '-' : '+';
    const std::string exponent = std::to_string(lead_exponent < 0 ? -lead_exponent : lead_exponent);
    text.append(kExponentWidth - exponent.size(), '0');
    text += exponent;
  }
  if (text.size() < kNumberFieldWidth) text.insert(0, kNumberFieldWidth - text.size(), ' ');
  return text;
}
