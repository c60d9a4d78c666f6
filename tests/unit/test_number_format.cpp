#include "values/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/extended.h"

namespace kal {
namespace {

struct Row {
  long double x;
  int digits;
  const char* text;
};

TEST(PlainNumberText, LanguageExamples) {
  const Row rows[] = {
      {3, 15, "3"},
      {3.5L, 15, "3.5"},
      {1.0L / 3, 15, ".333333333333333"},
      {-0.25L, 15, "-.25"},
      {999999999999999.0L, 15, "999999999999999"},
      {1e15L, 15, "1E+15"},
      {0.30000000447L, 7, ".3"},
      {0, 15, "0"},
      {-0.0L, 15, "0"},
      {0.05L, 15, ".05"},
      {1.5e-20L, 15, "1.5E-20"},
      {1e16L, 15, "1E+16"},
  };
  for (const Row& r : rows) EXPECT_EQ(plain_number_text(r.x, r.digits), r.text) << static_cast<double>(r.x);
}

TEST(PlainNumberText, FormBoundaries) {
  const Row rows[] = {
      // More integer digits than the precision: exponent form.
      {100000000000000.0L, 15, "100000000000000"},
      {123456789012345.0L, 15, "123456789012345"},
      {1234567890123456.0L, 15, "1.23456789012346E+15"},
      {9007199254740993.0L, 15, "9.00719925474099E+15"},
      {-1e15L, 15, "-1E+15"},
      {1234567, 7, "1234567"},
      {12345678, 7, "1.234568E+7"},
      {1e7L, 7, "1E+7"},
      // More decimals than the precision: exponent form; a zero before the point never.
      {1e-15L, 15, ".000000000000001"},
      {1.5e-15L, 15, "1.5E-15"},
      {1e-16L, 15, "1E-16"},
      {1e-7L, 7, ".0000001"},
      {1e-8L, 7, "1E-8"},
      {1.25e-5L, 7, ".0000125"},
      // Around 1 and one half.
      {0.5L, 15, ".5"},
      {0.999999999999999L, 15, ".999999999999999"},
      {0.9999999999999999L, 15, "1"},
      {1.00000000000001L, 15, "1.00000000000001"},
      {1.000000000000001L, 15, "1"},
      {999999999999999.5L, 15, "1E+15"},  // rounding carries into a 16th digit
      {-2, 15, "-2"},
      {-1234.5L, 15, "-1234.5"},
      {1.0L + 0.1f, 15, "1.10000000149012"},
      {static_cast<long double>(0.1f) + 0.2f, 7, ".3"},
      {static_cast<long double>(0.1f) + 0.2f, 15, ".300000004470348"},
      // Halfway on the exact value rounds away from zero.
      {1234566.5L, 7, "1234567"},
      {-1234566.5L, 7, "-1234567"},
      {0.125L, 2, ".13"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(plain_number_text(r.x, r.digits), r.text) << static_cast<double>(r.x) << " N=" << r.digits;
}

TEST(PlainNumberText, VeryLargeAndSmallValues) {
  EXPECT_EQ(plain_number_text(1e300L, 15), "1E+300");
  EXPECT_EQ(plain_number_text(1e-300L, 15), "1E-300");
  EXPECT_EQ(plain_number_text(1e4000L, 15), "1E+4000");
  // The smallest extended value, 2^-16445.
  EXPECT_EQ(plain_number_text(std::ldexp(1.0L, -16445), 15), "3.64519953188247E-4951");
}

TEST(DecimalCount, CharactersAfterTheLastPointOrComma) {
  EXPECT_EQ(decimal_count("3"), 1);
  EXPECT_EQ(decimal_count("3.5"), 1);
  EXPECT_EQ(decimal_count(".333333333333333"), 15);
  EXPECT_EQ(decimal_count("1,000.25"), 2);
  EXPECT_EQ(decimal_count("1,000"), 3);
  EXPECT_EQ(decimal_count("1.5E-20"), 5);
  EXPECT_EQ(decimal_count("1E+16"), 1);
  EXPECT_EQ(decimal_count("12."), 1);
  EXPECT_EQ(decimal_count(""), 1);
}

TEST(DisplayFormat, LanguageExamples) {
  const Row rows[] = {
      {1235.5L, 15, "1,235.5"},
      {3, 7, "3.0"},
      {0.5L, 15, ".5"},
      {0, 15, ".0"},
      {-1234567.25L, 15, "-1,234,567.25"},
      {1.0L + 0.1f, 15, "1.10000000149012"},
      {1000.5L, 15, "1,000.5"},
      {1.5e-20L, 15, ".00000"},  // five decimals, from "1.5E-20"
      {1e16L, 15, "10,000,000,000,000,000.0"},
      {static_cast<long double>(0.1f) + 0.2f, 7, ".3"},
      {1.5L, 15, "1.5"},
  };
  for (const Row& r : rows) EXPECT_EQ(display_format(r.x, r.digits), r.text) << static_cast<double>(r.x);
}

TEST(DisplayFormat, GroupsRoundingAndSigns) {
  const Row rows[] = {
      {999.5L, 15, "999.5"},
      {100, 15, "100.0"},
      {1000, 15, "1,000.0"},
      {123456, 15, "123,456.0"},
      {1234567, 15, "1,234,567.0"},
      {0.25L, 15, ".25"},
      {-0.25L, 15, "-.25"},
      {-3, 15, "-3.0"},
      {0.05L, 15, ".05"},
      {1234566.5L, 7, "1,234,566.5"},  // the plain text "1234567" has no point: one decimal, from x itself
      {9.96L, 1, "10.0"},
      {1.09999990463256835937L, 15, "1.09999990463257"},
      {-1.5e-20L, 15, "-.00000"},  // a negative value keeps its sign, though the digits round to zero
  };
  for (const Row& r : rows)
    EXPECT_EQ(display_format(r.x, r.digits), r.text) << static_cast<double>(r.x) << " N=" << r.digits;
}

TEST(FixedDecimals, TheMaskOfDigitsPointAndDecimals) {
  struct Fixed {
    long double x;
    int decimals;
    const char* text;
  };
  const Fixed rows[] = {
      {3, 2, "3.00"},
      {0.5L, 2, "0.50"},  // a single 0 before the point
      {0, 3, "0.000"},
      {-12.5L, 1, "-12.5"},
      {1234567.5L, 1, "1234567.5"},  // no group separators
      {0.125L, 2, "0.13"},           // exactly halfway: away from zero
      {-0.125L, 2, "-0.13"},
      {1.99999L, 2, "2.00"},
      {7.4L, 0, "7"},  // no decimals: no point either
      {7.5L, 0, "8"},
      {1e20L, 0, "100000000000000000000"},
      {-0.0000000149L, 1, "-0.0"},  // a negative value keeps its sign when it rounds to zero
      {-0.4L, 0, "-0"},
      {-0.0L, 2, "0.00"},  // zero itself has none
      {0.25L, -3, "0"},    // fewer than no decimals are none
  };
  for (const Fixed& r : rows)
    EXPECT_EQ(fixed_decimals(r.x, r.decimals), r.text) << static_cast<double>(r.x) << " d=" << r.decimals;
  EXPECT_EQ(fixed_decimals(ext::div(1, 3), 20), "0.33333333333333333334");  // the extended value's own digits
}

TEST(NumberTexts, ResultsThatAreNotFinite) {
  const long double inf = std::numeric_limits<long double>::infinity();
  EXPECT_EQ(plain_number_text(inf, 15), "Infinito");
  EXPECT_EQ(plain_number_text(-inf, 15), "-Infinito");
  EXPECT_EQ(plain_number_text(std::numeric_limits<long double>::quiet_NaN(), 15), "Indefinido");
  EXPECT_EQ(display_format(inf, 7), "Infinito");
  EXPECT_EQ(display_format(-inf, 15), "-Infinito");
  EXPECT_EQ(fixed_decimals(inf, 2), "Infinito");
}

}  // namespace
}  // namespace kal
