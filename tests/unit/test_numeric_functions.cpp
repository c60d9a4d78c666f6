#include "builtins/numeric_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "builtins/builtins.h"
#include "tests/support/script_run.h"

namespace kal {
namespace {

using test::ScriptRun;

// Calls a built-in with operand texts, as a statement would.
std::string call(std::string (*fn)(Interpreter&, Operands), std::vector<std::string_view> operands) {
  ScriptRun r("");
  return fn(*r.interpreter, operands);
}

struct Example {
  std::string (*fn)(Interpreter&, Operands);
  std::vector<std::string_view> operands;
  const char* result;
};

TEST(NumericBuiltins, RootsTrigonometryAndAbsoluteValues) {
  const Example rows[] = {
      {fn_abs, {"-4.5"}, "4.5"},
      {fn_abs, {"abc"}, "0"},
      {fn_abs, {"7"}, "7"},
      {fn_abs, {"-1e20"}, "1E+20"},
      {fn_sqr, {"4"}, "2.0"},
      {fn_sqr, {"2.25"}, "1.5"},
      {fn_sqr, {"-4"}, "-4.0"},  // no root of a negative number: the number itself
      {fn_sqr, {""}, ".0"},
      {fn_sqr, {"2"}, "1.4142135623731"},  // 1.41421356237310 has 14 decimals once its zero is dropped
      {fn_sqr, {"1000000"}, "1,000.0"},
      {fn_sin, {"0"}, ".0"},
      {fn_cos, {"0"}, "1.0"},
      {fn_sin, {"1.5707963267948966"}, "1.0"},
      {fn_tan, {"0"}, ".0"},
      {fn_tan, {"0.7853981633974483"}, "1.0"},  // sine over cosine of pi/4
      {fn_atn, {"1"}, ".785398163397448"},
      {fn_atn, {"-1"}, "-.785398163397448"},
      {fn_sin, {"1"}, ".841470984807897"},
      {fn_cos, {"1"}, ".54030230586814"},  // .540302305868139|77
      {fn_tan, {"1"}, "1.5574077246549"},  // 1.55740772465490|22
      {fn_sin, {"100"}, "-.506365641109759"},
      {fn_atn, {"1000000"}, "1.5707953267949"},  // pi/2 - atan(1/1000000)
  };
  for (const Example& e : rows) EXPECT_EQ(call(e.fn, e.operands), e.result) << e.operands[0];
}

TEST(NumericBuiltins, PercentagesPowersAndColours) {
  const Example rows[] = {
      {fn_per, {"200", "15"}, "30"},
      {fn_per, {"80", "12.5"}, "10"},
      {fn_per, {"50", "3"}, "1.5"},
      {fn_per, {"x", "15"}, "0"},
      {fn_pow, {"2", "10"}, "1024"},
      {fn_pow, {"2", "-1"}, "0"},  // 0.5 goes to the even neighbour
      {fn_pow, {"2", "-2"}, "0"},
      {fn_pow, {"-2", "-1"}, "0"},
      {fn_pow, {"-3", "3"}, "-27"},
      {fn_pow, {"2.6", "2"}, "9"},
      {fn_pow, {"0", "0"}, "1"},
      {fn_pow, {"1", "-5"}, "1"},
      {fn_pow, {"-1", "7"}, "-1"},
      {fn_pow, {"10", "14"}, "100000000000000"},
      {fn_pow, {"10", "15"}, "1E+15"},                // a result is a plain number text: 15 digits at most
      {fn_pow, {"2", "64"}, "1.84467440737096E+19"},  // beyond 64 bits: still the power
      {fn_pow, {"0", "-1"}, "Infinito"},
      {fn_pow, {"2", "100000"}, "Infinito"},
      {fn_rva, {"255", "0", "0"}, "255"},
      {fn_rva, {"0", "0", "255"}, "16711680"},
      {fn_rva, {"300", "-5", "128"}, "8388863"},
      {fn_rva, {"1.5", "2.5", "0"}, "514"},
      {fn_rva, {"255", "255", "255"}, "16777215"},
  };
  for (const Example& e : rows)
    EXPECT_EQ(call(e.fn, e.operands), e.result) << e.operands[0] << " " << e.operands[1];
}

TEST(WholePower, ExactWithinSixtyFourBits) {
  EXPECT_EQ(whole_power(3, 39), 4052555153018976267.0L);
  EXPECT_EQ(whole_power(-3, 39), -4052555153018976267.0L);
  EXPECT_EQ(whole_power(2, 63), 9223372036854775808.0L);
  EXPECT_EQ(whole_power(7, 22), 3909821048582988049.0L);
  EXPECT_EQ(whole_power(-2, -2147483647 - 1), 0.0L);
}

// Every value of a small range comes out, and nothing outside it.
TEST(RandomDraws, WholeNumbersBetweenTheBounds) {
  RandomGenerator g;
  g.seed(42);
  std::set<std::int64_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const std::int64_t v = draw_between(g, 10, 1);  // swapped bounds
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 10);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 10u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(draw_between(g, 5, 5), 5);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(draw_between(g, -3, -3), -3);

  // The widest range: 2^32 values, counted without overflow.
  bool below_zero = false, above_zero = false;
  for (int i = 0; i < 1000; ++i) {
    const std::int64_t v = draw_between(g, INT32_MIN, INT32_MAX);
    ASSERT_GE(v, INT32_MIN);
    ASSERT_LE(v, INT32_MAX);
    below_zero = below_zero || v < 0;
    above_zero = above_zero || v > 0;
  }
  EXPECT_TRUE(below_zero && above_zero);
}

// Grids of 2^31 steps or more: every step within the limit, and every one equally likely.
TEST(RandomDraws, LargeGridsAreDrawnEvenly) {
  RandomGenerator g;
  g.seed(7);
  for (std::uint64_t k : {0ull, 1ull, 0x10ull, 0x7FFFFFFFull, 0x2540BE400ull, 0xFFFFFFFFFFFFFFFFull}) {
    for (int i = 0; i < 500; ++i) ASSERT_LE(draw_up_to(g, k), k) << k;
  }
  std::set<std::uint64_t> seen;
  for (int i = 0; i < 5000; ++i) seen.insert(draw_up_to(g, 0x12));
  EXPECT_EQ(seen.size(), 0x13u);

  // k = 0x80000000. Bounding each hexadecimal digit by k's digit whenever the digit before matched k's would
  // draw k itself one time in nine, and after a 0 in the last seven digits only 0s: 0x1203 could never come.
  const std::uint64_t k = 0x80000000u;
  int at_k = 0, zero_then_more = 0;
  long double sum = 0;
  constexpr int kDraws = 9000;
  for (int i = 0; i < kDraws; ++i) {
    const std::uint64_t v = draw_up_to(g, k);
    at_k += v == k;
    sum += static_cast<long double>(v);
    for (int shift = 24; shift > 0; shift -= 4) {
      if (((v >> shift) & 15u) == 0 && ((v >> (shift - 4)) & 15u) != 0) {
        ++zero_then_more;
        break;
      }
    }
  }
  EXPECT_LE(at_k, 1);
  EXPECT_GT(zero_then_more, kDraws / 4);
  EXPECT_NEAR(static_cast<double>(sum / kDraws / k), 0.5, 0.02);

  // A count that does not divide 2^64: scaling 2^64 numbers down to 3 * 2^62 alone would give every third
  // number twice the chance of the others.
  int residues[3] = {};
  for (int i = 0; i < kDraws; ++i) ++residues[draw_up_to(g, (3ull << 62) - 1) % 3];
  for (int r : residues) EXPECT_NEAR(r, kDraws / 3, kDraws / 20);
}

TEST(RandomDraws, StepsAndDecimalCounts) {
  EXPECT_EQ(decimals_step(2), 0.01f);
  EXPECT_EQ(decimals_step(1), 0.1f);
  EXPECT_EQ(decimals_step(0), 0.1f);
  EXPECT_EQ(decimals_step(-5), 0.1f);
  EXPECT_EQ(decimals_step(4), 0.0001f);
  EXPECT_EQ(decimals_step(38), 1e-38f);
  EXPECT_GT(decimals_step(45), 0.0f);  // the smallest single, below the normal range
  EXPECT_EQ(decimals_step(46), 0.0f);
  EXPECT_EQ(decimals_step(32767), 0.0f);

  // The position of the point, not the count of decimals.
  EXPECT_EQ(point_position_decimals(100.5f, 200.5f), 4);
  EXPECT_EQ(point_position_decimals(1.25f, 3.5f), 2);
  EXPECT_EQ(point_position_decimals(1, 10), 1);
  EXPECT_EQ(point_position_decimals(0.5f, 2), 1);  // ".5"
  EXPECT_EQ(point_position_decimals(-1.5f, 0), 3);
}

// The grid b, b - step, ..., down to a: each seed picks one, every one of them is picked by some seed.
TEST(RandomDraws, OnTheGridFromTheUpperBound) {
  RandomGenerator g;
  const float step = decimals_step(2);
  std::set<long long> hundredths;
  for (std::uint64_t seed = 0; seed < 3000; ++seed) {
    const long double v = draw_on_grid(g, 2, 1, step, seed);  // swapped bounds
    const long double j = (2 - v) / step;
    ASSERT_EQ(j, std::round(j)) << static_cast<double>(v);
    ASSERT_GE(v, 1 - 1e-6L);
    ASSERT_LE(v, 2);
    hundredths.insert(std::llround(v * 100));
  }
  EXPECT_EQ(hundredths.size(), 101u);
  EXPECT_EQ(*hundredths.begin(), 100);
  EXPECT_EQ(*hundredths.rbegin(), 200);

  EXPECT_EQ(draw_on_grid(g, 3, 3, step, 99), 3.0L);
  EXPECT_EQ(draw_on_grid(g, 1.25f, 3.5f, 0.01f, 5), draw_on_grid(g, 1.25f, 3.5f, 0.01f, 5));  // same seed
}

TEST(RandomDraws, LargeRangesAndVanishingSteps) {
  RandomGenerator g;
  // 10^10 steps of 0.0001 between 0 and 10^6: past 2^31 steps, drawn digit by digit.
  const float step = decimals_step(4);
  for (std::uint64_t seed = 0; seed < 300; ++seed) {
    const long double v = draw_on_grid(g, 0, 1e6f, step, seed);
    ASSERT_GE(v, -1e-3L);
    ASSERT_LE(v, 1e6L);
    const long double j = (1e6L - v) / step;
    ASSERT_EQ(j, std::round(j));
  }
  // More steps than 64 bits count, or no step at all: still between the bounds.
  for (std::uint64_t seed = 0; seed < 300; ++seed) {
    const long double v = draw_on_grid(g, 1, 2, decimals_step(30), seed);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 2);
    EXPECT_EQ(draw_on_grid(g, 4, 4, 0, seed), 4.0L);
    const long double w = draw_on_grid(g, -1, 1, 0, seed);
    ASSERT_GE(w, -1);
    ASSERT_LE(w, 1);
  }
}

TEST(RandomBuiltins, FormattedResults) {
  EXPECT_EQ(call(fn_rndfstr, {"3", "3", "2"}), "3.00");
  EXPECT_EQ(call(fn_rnd, {"5", "5"}), "5");
  EXPECT_EQ(call(fn_rndf, {"2.5", "2.5"}), "2.5");
  EXPECT_EQ(call(fn_rndfstr, {"7", "7", "0"}), "7");
  EXPECT_EQ(call(fn_rndfstr, {"-1", "-1", "1"}), "-1.0");
  EXPECT_EQ(call(fn_rndfstr, {"1", "1", "60"}), "1." + std::string(60, '0'));

  std::set<std::string> seen;
  for (int minute = 0; minute < 60; ++minute) {
    for (int ms = 0; ms < 1000; ms += 7) {
      ScriptRun r("");
      r.platform.now.minute = minute;
      r.platform.now.millisecond = ms;
      const std::vector<std::string_view> ops = {"1", "2", "2"};
      const std::string t = fn_rndfstr(*r.interpreter, ops);
      ASSERT_EQ(t.size(), 4u) << t;
      ASSERT_TRUE(t >= "1.00" && t <= "2.00") << t;
      seen.insert(t);
    }
  }
  EXPECT_EQ(seen.size(), 101u);  // 1.00, 1.01, ..., 2.00
}

// RNDF and RNDFSTR draw from a generator reseeded from the clock; RND goes on from there.
TEST(RandomBuiltins, ReseedingFromTheTimeOfDay) {
  const char* script = "&a := 1 ; &b := 1000000 ; &f := %RNDF &a &b ; &g := %RNDF &a &b ; &r := %RND &a &b ;";
  ScriptRun first(script);
  first.program.random.seed(1);
  first.run();
  ScriptRun second(script);
  second.program.random.seed(2);
  second.run();
  EXPECT_EQ(first.variable("f"), first.variable("g"));  // the same millisecond
  EXPECT_EQ(first.variable("f"), second.variable("f"));
  EXPECT_EQ(first.variable("r"), second.variable("r"));

  // Without a reseed, RND follows the start-up state.
  ScriptRun third("&a := 1 ; &b := 1000000000 ; &r := %RND &a &b ; &s := %RND &a &b ;");
  third.run();
  EXPECT_NE(third.variable("r"), third.variable("s"));
}

}  // namespace
}  // namespace kal
