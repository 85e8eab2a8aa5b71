#include "support/number_format.hpp"

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

using bq::support::format_fixed;
using bq::support::format_shortest;

// Under a locale whose decimal separator is a comma, printf would write "3,70".
class NumberFormat : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"de_DE.UTF-8", "vi_VN.UTF-8", "fr_FR.UTF-8", "C.UTF-8"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) break;
    }
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(NumberFormat, FixedRoundsTheExactValueWithTiesToEven) {
  struct Case {
    double value;
    int decimals;
    const char* expected;
  };
  const Case cases[] = {
      {63.5, 0, "64"}, {20.5, 0, "20"}, {19.5, 0, "20"}, {3.75, 1, "3.8"}, {0.999, 2, "1.00"},
      {3.701, 2, "3.70"}, {0.0, 2, "0.00"}, {0.0, 0, "0"}, {475.9, 0, "476"}, {2.675, 2, "2.67"},  // 2.675 is below the tie
      {1e308, 0, "100000000000000001097906362944045541740492309677311846336810682903157585404911491537163328978494688899061249669721172515611590283743140088328307009198146046031271664502933027185697489699588559043338384466165001178426897626212945177628091195786707458122783970171784415105291802893207873272974885715430223118336"},
      {-1.5, 0, "-2"},
  };
  for (const Case& c : cases) EXPECT_EQ(format_fixed(c.value, c.decimals), c.expected) << c.value;
}

TEST_F(NumberFormat, ShortestAlwaysHasADecimalPoint) {
  EXPECT_EQ(format_shortest(16.0), "16.0");
  EXPECT_EQ(format_shortest(0.0), "0.0");
  EXPECT_EQ(format_shortest(475.9), "475.9");
  EXPECT_EQ(format_shortest(7.9), "7.9");
  EXPECT_EQ(format_shortest(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(format_shortest(-2.0), "-2.0");
  EXPECT_EQ(format_shortest(0.0001), "0.0001");
  EXPECT_EQ(format_shortest(1.5e-7), "1.5e-7");
}

// Read back by the C library, independently of to_chars; the test runs under
// the "C" locale, where strtod takes a decimal point.
double read_back(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  EXPECT_EQ(end, text.c_str() + text.size()) << text;
  return value;
}

bool same_double(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(NumberFormatShortest, PlainBetweenTheBoundsExponentBeyond) {
  struct Case {
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {16.0, "16.0"},
      {-2.0, "-2.0"},
      {475.9, "475.9"},
      {0.1 + 0.2, "0.30000000000000004"},
      // The lower bound and its neighbours.
      {0.0001, "0.0001"},
      {std::nextafter(0.0001, 0.0), "0.00009999999999999999"},
      {0.00001, "0.00001"},
      {-0.00001, "-0.00001"},
      {std::nextafter(0.00001, 1.0), "0.000010000000000000003"},
      {std::nextafter(0.00001, 0.0), "9.999999999999999e-6"},
      {3 * 0.00001, "0.000030000000000000004"},
      {0.000001, "1e-6"},
      {1.5e-7, "1.5e-7"},
      {-1.5e-7, "-1.5e-7"},
      // Plain decimals up to sixteen integer digits.
      {100000.0, "100000.0"},
      {1000000000.0, "1000000000.0"},
      {123456789012345.6, "123456789012345.6"},
      {std::nextafter(1e15, 0.0), "999999999999999.9"},
      {1e15, "1000000000000000.0"},
      // The upper bound and its neighbours.
      {std::nextafter(1e16, 0.0), "9999999999999998.0"},
      {-std::nextafter(1e16, 0.0), "-9999999999999998.0"},
      {1e16, "1e16"},
      {-1e16, "-1e16"},
      {std::nextafter(1e16, 1e17), "1.0000000000000002e16"},
      {12345678901234567890.0, "1.2345678901234567e19"},
      {1e100, "1e100"},
      // The ends of the range of doubles, subnormals included.
      {DBL_MAX, "1.7976931348623157e308"},
      {-DBL_MAX, "-1.7976931348623157e308"},
      {DBL_MIN, "2.2250738585072014e-308"},
      {2.5e-310, "2.5e-310"},
      {std::numeric_limits<double>::denorm_min(), "5e-324"},
  };
  for (const Case& c : cases) {
    const std::string text = format_shortest(c.value);
    EXPECT_EQ(text, c.expected) << c.expected;
    EXPECT_TRUE(same_double(read_back(text), c.value)) << text;
  }
}

TEST(NumberFormatShortest, NonFiniteValuesKeepTheirNames) {
  EXPECT_EQ(format_shortest(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(format_shortest(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(format_shortest(std::numeric_limits<double>::quiet_NaN()), "nan");
}

// Any bit pattern: the text reads back exactly, has the form its magnitude
// calls for, and has no more significant digits than the shortest exponent
// form that to_chars gives on its own.
TEST(NumberFormatShortest, EveryDoubleReadsBackInItsShortestForm) {
  std::mt19937_64 random(20240917);
  const auto significant_digits = [](const std::string& text) {
    const std::string mantissa = text.substr(0, text.find('e'));
    std::string digits;
    for (const char c : mantissa) {
      if (c >= '0' && c <= '9') digits += c;
    }
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos) return std::size_t{1};
    const auto last = digits.find_last_not_of('0');
    return last - first + 1;
  };
  for (int i = 0; i < 200000; ++i) {
    // Half the draws over every bit pattern, half over magnitudes near the bounds.
    double value;
    if (i % 2 == 0) {
      const std::uint64_t bits = random();
      std::memcpy(&value, &bits, sizeof value);
      if (!std::isfinite(value)) continue;
    } else {
      value =
          std::ldexp(static_cast<double>(random() >> 11), -53) * std::pow(10.0, static_cast<int>(random() % 26) - 8);
      if (random() % 2 == 1) value = -value;
    }
    const std::string text = format_shortest(value);
    ASSERT_TRUE(same_double(read_back(text), value)) << text;
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e16);
    ASSERT_EQ(text.find('e') == std::string::npos, plain) << text;
    if (plain) {
      ASSERT_NE(text.find('.'), std::string::npos) << text;
      ASSERT_NE(text.back(), '.') << text;
    } else {
      ASSERT_EQ(text.find_first_of("+"), std::string::npos) << text;
      ASSERT_EQ(text.find("e0"), std::string::npos) << text;
      ASSERT_EQ(text.find("e-0"), std::string::npos) << text;
      ASSERT_EQ(text.find(".0e"), std::string::npos) << text;
    }
    char scientific[32];
    const auto end =
        std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific).ptr;
    ASSERT_EQ(significant_digits(text), significant_digits(std::string(scientific, end))) << text;
  }
}

TEST_F(NumberFormat, NoGroupingOrCommaUnderTheLocale) { EXPECT_EQ(format_fixed(1234567.891, 2), "1234567.89"); }

}  // namespace
