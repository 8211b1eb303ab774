#include "number_reader.h"

#include <limits>

#include "decimal_powers.h"

namespace {

constexpr int kMaxSignificantDigits = 64;
// From 10^5120 on a token reads as infinity, and below 10^-5119 as zero,
// whatever its digits: the three scaling factors reach no further.
constexpr int kInfiniteExponent = 5120;
// Counters stop here; any larger value means the same thing.
constexpr std::int64_t kCounterLimit = std::int64_t{1} << 40;

void CountUp(std::int64_t& counter, std::int64_t step = 1) {
  if (counter < kCounterLimit) counter += step;
}

// value * 10^n, with n of any size, and whether a finite value ran out of the
// extended range on the way.
long double Scale(long double value, std::int64_t n, bool& overflow) {
  overflow = false;
  if (n >= kInfiniteExponent) return std::numeric_limits<long double>::infinity();
  if (n <= -kInfiniteExponent) return 0;
  if (n > 0) {
    long double scaled = MultiplyByPowerOfTen(value, static_cast<int>(n));
    overflow = scaled == std::numeric_limits<long double>::infinity();
    return scaled;
  }
  if (n < 0) return DivideByPowerOfTen(value, static_cast<int>(-n));
  return value;
}

}  // namespace

void NumberScanner::AddDigit(int digit) {
  const bool in_fraction = state_ == State::kFraction;
  if (significant_ == 0 && digit == 0) {
    // A leading zero adds nothing to the value but still moves the point.
    if (in_fraction) CountUp(fraction_count_);
    return;
  }
  if (significant_ < kMaxSignificantDigits) {
    digits_ = digits_ * 10 + digit;
    ++significant_;
    if (in_fraction) CountUp(fraction_count_);
  } else if (!in_fraction) {
    CountUp(integer_excess_);
  }
}

void NumberScanner::Add(unsigned char byte) {
  const bool digit = byte >= '0' && byte <= '9';
  const bool sign = byte == '+' || byte == '-';
  const bool point = byte == '.';
  const bool exponent = byte == 'e' || byte == 'E';
  switch (state_) {
    case State::kStart:
      if (sign) {
        negative_ = byte == '-';
        state_ = State::kAfterSign;
        return;
      }
      [[fallthrough]];
    case State::kAfterSign:
    case State::kInteger:
      if (digit) {
        state_ = State::kInteger;
        AddDigit(byte - '0');
      } else if (point) {
        state_ = State::kFraction;
      } else if (exponent) {
        state_ = State::kExponentLetter;
      } else {
        state_ = State::kBroken;
      }
      return;
    case State::kFraction:
      if (digit) {
        AddDigit(byte - '0');
      } else {
        state_ = exponent ? State::kExponentLetter : State::kBroken;
      }
      return;
    case State::kExponentLetter:
      if (sign) {
        exponent_negative_ = byte == '-';
        state_ = State::kExponentSign;
        return;
      }
      [[fallthrough]];
    case State::kExponentSign:
    case State::kExponentDigits:
      if (digit) {
        state_ = State::kExponentDigits;
        if (exponent_ < kCounterLimit) exponent_ = exponent_ * 10 + (byte - '0');
      } else {
        state_ = State::kBroken;
      }
      return;
    case State::kBroken: return;
  }
}

NumberReading NumberScanner::Finish() const {
  using Status = NumberReading::Status;
  if (state_ != State::kInteger && state_ != State::kFraction && state_ != State::kExponentDigits) {
    return {Status::kNotANumber, 0};
  }
  bool overflow = false;
  if (integer_excess_ > 0) {
    // A run of digits that exceeds the extended range by itself overflows,
    // whatever exponent follows it.
    Scale(digits_, integer_excess_, overflow);
    if (integer_excess_ >= kInfiniteExponent) overflow = true;
  }
  const std::int64_t n =
      (exponent_negative_ ? -exponent_ : exponent_) - fraction_count_ + integer_excess_;
  bool scaling_overflow = false;
  long double value = Scale(digits_, n, scaling_overflow);
  if (overflow || scaling_overflow) {
    return {Status::kOverflow, negative_ ? -std::numeric_limits<long double>::infinity()
                                         : std::numeric_limits<long double>::infinity()};
  }
  return {Status::kNumber, negative_ ? -value : value};
}

NumberReading ReadNumber(std::string_view token) {
  NumberScanner scanner;
  for (char c : token) scanner.Add(static_cast<unsigned char>(c));
  return scanner.Finish();
}
