// The number reader: turns the text of a score into an extended value.
//
// Accepted form: an optional sign, digits, optionally a point and digits,
// optionally E or e with an optional sign and at least one digit. Both digit
// runs may be empty ("." and "e5" read as 0); a lone sign or an exponent
// without digits is not a number. The decimal mark is always the point.
//
// The bytes are fed one at a time as they arrive, so a token of any length is
// read in constant memory. The value is built the way the scores have always
// been read: each significant digit does value := value * 10 + digit at
// extended precision, then the value is scaled by the power of ten that the
// exponent and the point give. Only the first 64 significant digits are
// accumulated; a further digit before the point adds one to the decimal
// exponent and one after it is dropped, far below the extended precision.
#pragma once

#include <cstdint>
#include <string_view>

#include "extended.h"

struct NumberReading {
  enum class Status {
    kNumber,      // value holds the number
    kNotANumber,  // the token breaks the form; value is 0
    kOverflow,    // finite, but beyond the extended range; value is infinite
  };
  Status status = Status::kNumber;
  long double value = 0;
};

class NumberScanner {
 public:
  // One byte of the token (codes 33 to 255).
  void Add(unsigned char byte);
  // The reading of the bytes added so far.
  NumberReading Finish() const;

 private:
  enum class State {
    kStart,
    kAfterSign,
    kInteger,
    kFraction,
    kExponentLetter,
    kExponentSign,
    kExponentDigits,
    kBroken,
  };
  void AddDigit(int digit);

  State state_ = State::kStart;
  bool negative_ = false;
  bool exponent_negative_ = false;
  long double digits_ = 0;           // the accumulated significant digits
  int significant_ = 0;              // how many digits are in digits_
  std::int64_t integer_excess_ = 0;  // digits before the point beyond the 64
  std::int64_t fraction_count_ = 0;  // digits after the point counted in the value
  std::int64_t exponent_ = 0;
};

// Reads a whole token at once.
NumberReading ReadNumber(std::string_view token);
