#include "number_text.h"

#include <cmath>
#include <cstdint>
#include <cstring>

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

// The two parts of an extended value: the 64-bit significand (with its
// explicit leading bit) and the biased exponent with the sign.
struct ExtendedBits {
  std::uint64_t significand;
  std::uint16_t sign_exponent;
};
ExtendedBits BitsOf(long double x) {
  ExtendedBits bits;
  std::memcpy(&bits.significand, &x, sizeof bits.significand);
  std::memcpy(&bits.sign_exponent, reinterpret_cast<const char*>(&x) + sizeof bits.significand,
              sizeof bits.sign_exponent);
  return bits;
}

// The binary exponent e of a positive normal x = 2^e * 1.f.
int BinaryExponent(long double x) {
  constexpr int kBias = 16383;
  return (BitsOf(x).sign_exponent & 0x7FFF) - kBias;
}

// Rounds a non-negative value below 2^63 to an integer, ties to even: after
// adding 2^63 the significand holds 2^63 plus the rounded value exactly.
std::uint64_t RoundToInteger(long double x) {
  constexpr long double kShift = 0x1p63L;
  return BitsOf(x + kShift).significand - (std::uint64_t{1} << 63);
}

// A run of decimal digits, with room for a carry into a new first digit.
struct Digits {
  char digit[NumberTextBuffer::kCapacity];
  int count = 0;

  void Append(char c, int times = 1) {
    std::memset(digit + count, c, static_cast<std::size_t>(times));
    count += times;
  }

  // Keeps the first `keep` digits, rounded half up by the first dropped digit
  // alone; a carry out of the front becomes a new leading 1.
  void RoundHalfUp(int keep) {
    const bool up = digit[keep] >= '5';
    count = keep;
    if (!up) return;
    for (int i = keep - 1; i >= 0; --i) {
      if (digit[i] != '9') {
        ++digit[i];
        return;
      }
      digit[i] = '0';
    }
    std::memmove(digit + 1, digit, static_cast<std::size_t>(count));
    digit[0] = '1';
    ++count;
  }
};

}  // namespace

std::string_view NumberText(double value, NumberTextBuffer& buffer) {
  const bool negative = std::signbit(value);
  const long double magnitude = std::fabs(static_cast<long double>(value));

  // Scale into [1, 16) (for magnitudes from 10 on); k is the decimal exponent.
  long double scaled = magnitude;
  int k = 0;
  if (magnitude >= 10) {
    for (;;) {
      const int j = BinaryExponent(scaled) * kLog10Of2 / 65536;
      if (j == 0) break;
      k += j;
      scaled = DivideByPowerOfTen(scaled, j);
    }
  }

  // 18 digits, with a leading 1 in front when the rounding reaches 10^18.
  std::uint64_t n = RoundToInteger(scaled * SmallPowerOfTen(17));
  Digits digits;
  if (n >= kTenTo18) {
    digits.Append('1');
    n -= kTenTo18;
  }
  for (int i = digits.count + kDigitCount - 1; i >= digits.count; --i, n /= 10) {
    digits.digit[i] = static_cast<char>('0' + n % 10);
  }
  digits.count += kDigitCount;
  // The decimal exponent of the first digit.
  int lead_exponent = k + (digits.count > kDigitCount ? 1 : 0);

  char* out = buffer.bytes + kNumberFieldWidth;  // room for the padding
  char* const text = out;
  if (k <= kLargestFixedExponent) {
    // Digits down to 10^-2; those beyond the 18 taken are zeros.
    const int wanted = lead_exponent + 1 + kDecimals;
    if (wanted >= digits.count) {
      digits.Append('0', wanted - digits.count);
    } else {
      digits.RoundHalfUp(wanted);
    }
    if (negative) *out++ = '-';
    const int integer_digits = digits.count - kDecimals;
    std::memcpy(out, digits.digit, static_cast<std::size_t>(integer_digits));
    out += integer_digits;
    *out++ = '.';
    std::memcpy(out, digits.digit + integer_digits, kDecimals);
    out += kDecimals;
  } else {
    digits.RoundHalfUp(kSignificantInExponentForm);
    if (digits.count > kSignificantInExponentForm) ++lead_exponent;  // carried
    *out++ = negative ? '-' : ' ';
    *out++ = digits.digit[0];
    *out++ = '.';
    *out++ = digits.digit[1];
    *out++ = 'E';
    *out++ = lead_exponent < 0 ? '-' : '+';
    int exponent = lead_exponent < 0 ? -lead_exponent : lead_exponent;
    for (int i = kExponentWidth - 1; i >= 0; --i, exponent /= 10) {
      out[i] = static_cast<char>('0' + exponent % 10);
    }
    out += kExponentWidth;
  }
  // Right-justified in the field; a longer text stands whole.
  const auto length = static_cast<int>(out - text);
  const int padding = length < kNumberFieldWidth ? kNumberFieldWidth - length : 0;
  std::memset(text - padding, ' ', static_cast<std::size_t>(padding));
  return {text - padding, static_cast<std::size_t>(length + padding)};
}
