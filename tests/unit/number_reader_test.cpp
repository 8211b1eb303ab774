// The number reader: the accepted form, the values it builds, and tokens of
// any length.
#include "number_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace {

using Status = NumberReading::Status;
constexpr long double kInfinity = std::numeric_limits<long double>::infinity();

struct ReaderCase {
  const char* token;
  long double value;
};

TEST(NumberReader, AcceptedForms) {
  const ReaderCase cases[] = {
      {"70", 70},
      {"+70", 70},
      {"7e1", 70},
      {"7E+1", 70},
      {"700e-1", 70},
      {"70.", 70},
      {".5", 0.5L},
      {"65.5", 65.5L},
      {"-50", -50},
      {"0", 0},
      {".", 0},
      {"-.", -0.0L},
      {"e5", 0},
      {"+e5", 0},
      {"-0", -0.0L},
      {"007", 7},
      {"1e0", 1},
      {"1E-0", 1},
      {"0.0625", 0.0625L},
      {"0e5120", kInfinity},
      {"1e6000", kInfinity},
      {"-1e6000", -kInfinity},
      {"1e-5120", 0},
      {"-1e-5120", -0.0L},
      {"1e99999999999999999999999", kInfinity},
      {"5e-99999999999999999999999", 0},
      {"18446744073709551615", 18446744073709551615.0L},  // 2^64 - 1, accumulated exactly
  };
  for (const ReaderCase& c : cases) {
    const NumberReading reading = ReadNumber(c.token);
    EXPECT_EQ(reading.status, Status::kNumber) << c.token;
    EXPECT_EQ(reading.value, c.value) << c.token;
    EXPECT_EQ(std::signbit(reading.value), std::signbit(c.value)) << c.token;
  }
}

TEST(NumberReader, RejectedForms) {
  for (const char* token : {"-",
                            "+",
                            "E",
                            "e",
                            "1e",
                            "1e+",
                            "1e-",
                            "70abc",
                            "1,5",
                            "1.2.3",
                            "70;",
                            "--5",
                            "+-5",
                            "1e5.0",
                            "1e5e5",
                            "0x10",
                            "inf",
                            "nan",
                            "\xEF\xBC\x97\xEF\xBC\x90",
                            "7\xEF\xBC\x90",
                            "1e400x"}) {
    EXPECT_EQ(ReadNumber(token).status, Status::kNotANumber) << token;
  }
}

TEST(NumberReader, ExtendedRangeLimits) {
  // 1e308 and 1e400 are extended values; whether they fit a double is the
  // store's business.
  EXPECT_EQ(ReadNumber("1e400").status, Status::kNumber);
  EXPECT_TRUE(std::isfinite(ReadNumber("1e400").value));
  EXPECT_GT(ReadNumber("1e-400").value, 0);
  EXPECT_EQ(static_cast<double>(ReadNumber("1e-400").value), 0.0);
  EXPECT_GT(static_cast<double>(ReadNumber("1e-320").value), 0.0);
  for (const char* token : {"1e4933", "1e5000", "-1e5119", "123456789e4930"}) {
    const NumberReading reading = ReadNumber(token);
    EXPECT_EQ(reading.status, Status::kOverflow) << token;
  }
  EXPECT_EQ(ReadNumber("1e4932").status, Status::kNumber);
}

TEST(NumberReader, LongTokensReadWhole) {
  const std::string zeros70(70, '0');
  // A 71-byte token is neither cut nor misread: the digits beyond the 64th
  // significant one act as a decimal exponent.
  EXPECT_EQ(ReadNumber("1" + zeros70).value, ReadNumber("1" + std::string(63, '0') + "e7").value);
  EXPECT_EQ(static_cast<double>(ReadNumber("1" + zeros70).value), 1e70);
  EXPECT_EQ(static_cast<double>(ReadNumber("0." + zeros70 + "1").value), 1e-71);
  EXPECT_EQ(static_cast<double>(ReadNumber("70." + std::string(5000, '0')).value), 70.0);
  EXPECT_EQ(ReadNumber(std::string(5000, '0') + "70").value, 70);
  // A broken byte far beyond the 64th still breaks the token.
  EXPECT_EQ(ReadNumber("1" + zeros70 + "x").status, Status::kNotANumber);
  // Digits beyond the 64th significant one: before the point they scale the
  // value, after it they are dropped.
  const std::string digits64 = "1234567890123456789012345678901234567890123456789012345678901234";
  EXPECT_EQ(ReadNumber(digits64 + "5e-1").value, ReadNumber(digits64).value);
  EXPECT_EQ(ReadNumber(digits64 + ".999").value, ReadNumber(digits64).value);
  // A run of digits that exceeds the extended range by itself overflows,
  // whatever exponent follows.
  EXPECT_EQ(ReadNumber("1" + std::string(5000, '0')).status, Status::kOverflow);
  EXPECT_EQ(ReadNumber("1" + std::string(6000, '0') + "e-6000").status, Status::kOverflow);
}

// With at most 19 digits (below 2^64, so accumulated exactly) and a decimal
// exponent of at most 27 either way (an exact power of ten), the value takes a
// single rounding, so it equals the correctly rounded strtold.
TEST(NumberReader, AgreesWithStrtoldWhereBothRoundOnce) {
  std::mt19937_64 random(71);
  for (int i = 0; i < 100000; ++i) {
    const int length = 1 + static_cast<int>(random() % 19);
    std::string digits;
    for (int d = 0; d < length; ++d) digits += static_cast<char>('0' + random() % 10);
    const int point = static_cast<int>(random() % (length + 1));
    const int fraction = length - point;
    const int n = static_cast<int>(random() % 55) - 27;
    std::string token = (random() % 2 ? "-" : "") + digits.substr(0, point) + "." +
                        digits.substr(point) + "e" + std::to_string(n + fraction);
    const NumberReading reading = ReadNumber(token);
    ASSERT_EQ(reading.status, Status::kNumber) << token;
    ASSERT_EQ(reading.value, std::strtold(token.c_str(), nullptr)) << token;
  }
}

}  // namespace
