#include "values/number_reading.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "common/extended.h"

namespace kal {
namespace {

TEST(ReadNumber, TheReadingRule) {
  struct Row {
    const char* text;
    long double value;
  };
  const Row rows[] = {
      {"&HFF", 255},
      {"&hff", 255},
      {"&O17", 15},
      {"&B101", 5},
      {"&H", 0},
      {"&Hxyz", 0},
      {"&X1", 0},
      {"1D3", 1000},
      {"1d3", 1000},
      {"2E2", 200},
      {"25e-1", 2.5L},
      {"1E", 1},  // an exponent without digits is not read
      {"1E+", 1},
      {"  -2.5x", -2.5L},
      {"\t\r\n 7", 7},
      {"+3", 3},
      {"- 5", 0},
      {"", 0},
      {"abc", 0},
      {".5", 0.5L},
      {"1.2.3", 1.2L},
      {"1,000", 1},
      {"007", 7},
      {"0.05", 0.05L},
      {"12345678901234567890", 12345678901234567890.0L},
  };
  // The expected literals are the compiler's long doubles, rounded to the extended values a reading gives.
  for (const Row& r : rows) EXPECT_EQ(read_number(r.text), ext::round(r.value)) << '"' << r.text << '"';
}

TEST(ReadNumber, ManyDigitsAndHugeExponents) {
  EXPECT_EQ(read_number("0.000000000000000000000000001"), ext::round(1e-27L));
  EXPECT_EQ(read_number("1" + std::string(30, '0')), ext::round(1e30L));
  EXPECT_EQ(read_number("1E99999999999"), std::numeric_limits<long double>::infinity());
  EXPECT_EQ(read_number("1E-99999999999"), 0.0L);
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  struct Row {
    long double x, rounded;
  };
  const Row rows[] = {{2.5L, 2}, {3.5L, 4},   {-2.5L, -2}, {-3.5L, -4}, {0.5L, 0},  {1.5L, 2},     {2.4L, 2},
                      {2.6L, 3}, {-2.6L, -3}, {0, 0},      {7, 7},      {-0.4L, 0}, {1e20L, 1e20L}};
  for (const Row& r : rows) EXPECT_EQ(round_half_even(r.x), r.rounded) << static_cast<double>(r.x);
}

TEST(WholeNumbers, ReadRoundedAndHeldInTheirWidth) {
  EXPECT_EQ(read_whole_number("2.5"), 2);
  EXPECT_EQ(read_whole_number("-3.5abc"), -4);
  EXPECT_EQ(read_whole_number("1e12"), 2147483647);
  EXPECT_EQ(read_whole_number("-1e12"), -2147483647 - 1);
  EXPECT_EQ(read_short_whole_number("40000"), 32767);
  EXPECT_EQ(read_short_whole_number("-40000"), -32768);
  EXPECT_EQ(read_short_whole_number("12.5"), 12);
  EXPECT_EQ(read_short_whole_number(""), 0);
}

// Plain digits, the usual operand, must read exactly as the general rule reads them.
TEST(WholeNumbers, PlainDigitsReadAsTheGeneralRule) {
  EXPECT_EQ(read_whole_number("0042"), 42);
  EXPECT_EQ(read_whole_number("0"), 0);
  EXPECT_EQ(read_whole_number("2147483647"), 2147483647);
  EXPECT_EQ(read_whole_number("2147483648"), 2147483647);
  EXPECT_EQ(read_whole_number("123456789012345678"), 2147483647);
  EXPECT_EQ(read_whole_number("1234567890123456789012"), 2147483647);  // past 18 digits, the general rule
  EXPECT_EQ(read_long_whole_number("123456789012345678"), 123456789012345678);
  EXPECT_EQ(read_long_whole_number("99999999999999999999"), INT64_MAX);
  EXPECT_EQ(read_short_whole_number("32768"), 32767);
  EXPECT_EQ(read_whole_number(" 42"), 42);  // a leading blank is skipped as before
  EXPECT_EQ(read_whole_number("42 "), 42);
}

}  // namespace
}  // namespace kal
