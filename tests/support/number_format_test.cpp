#include "support/number_format.hpp"

#include <clocale>

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
}

TEST_F(NumberFormat, NoGroupingOrCommaUnderTheLocale) {
  EXPECT_EQ(format_fixed(1234567.891, 2), "1234567.89");
}

}  // namespace
