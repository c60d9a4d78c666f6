#include "interp/arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>

#include "common/extended.h"
#include "tests/support/script_run.h"

namespace kal {
namespace {

using Op = Operator;

struct Row {
  Op op;
  const char* a;
  const char* b;
  bool b_literal;
  const char* result;
};

void check(const Row& r) {
  EXPECT_EQ(combine(r.op, r.a, r.b, r.b_literal), r.result)
      << '"' << r.a << "\" " << static_cast<int>(r.op) << " \"" << r.b << '"'
      << (r.b_literal ? " (literal)" : "");
}

TEST(Arithmetic, NumbersByOperandClass) {
  const Row rows[] = {
      {Op::Divide, "7", "2", true, "3.5"},
      {Op::Divide, "1", "3", false, ".333333333333333"},
      {Op::Add, "1.5", "1.5", true, "3.0"},
      {Op::Add, "999.5", "1", true, "1,000.5"},
      {Op::Subtract, "5", "7", true, "-2"},
      {Op::Modulo, "7", "0", true, "0"},
      {Op::Modulo, "5.5", "2", true, "1.5"},
      {Op::Add, "0.1", "0.2", false, ".3"},  // two decimals: 7 digits round the float noise away
      {Op::Add, "1", "0.1", true, "1.10000000149012"},
      {Op::Add, "999999999999999", "1", true, "1E+15"},
      {Op::Multiply, "12", "3", true, "36"},
      {Op::Multiply, "007", "2", false, "14"},
      {Op::Multiply, "1.5", "2", false, "3.0"},
      {Op::Multiply, "2", "1.5", false, "3.0"},  // integer and decimal: the display format too
      {Op::Divide, "1.5", "0.5", false, "3.0"},
      {Op::Subtract, "1.5", "2.5", false, "-1.0"},
      {Op::Modulo, "5.5", "2.2", false, "1.09999990463257"},  // MOD of decimals keeps the float's noise
      {Op::Modulo, "7", "3", true, "1"},
      {Op::Modulo, "7.5", "2", false, "1.5"},
      {Op::Modulo, "1", "0.0", false, ".0"},  // 0 when b is 0, shown as a decimal result
      {Op::Subtract, "0.1", "0.1", false, ".0"},
      {Op::Add, "1000000.5", "1", true, "1,000,001.5"},
  };
  for (const Row& r : rows) check(r);
}

TEST(Arithmetic, BeyondSixtyFourBitsAndDivisionByZero) {
  const std::string beyond_float = std::string(40, '9') + ".0";  // a decimal text too large for a float
  const Row rows[] = {
      // Extended precision keeps 64 bits: this odd number stays odd.
      {Op::Modulo, "9007199254740993", "2", true, "1"},
      {Op::Add, "9223372036854775807", "0", true, "9.22337203685478E+18"},
      {Op::Add, "99999999999999999999", "1", true, "1E+20"},  // more than 64 bits: the nearest value
      {Op::Modulo, "18446744073709551617", "10", true, "6"},  // 2^64 + 1 is read as 2^64
      {Op::Modulo, "18446744073709551623", "10", true, "4"},  // 2^64 + 7: a tie, to the even 2^64 + 8
      {Op::Divide, "1", "0", true, "Infinito"},
      {Op::Divide, "0", "0", true, "Indefinido"},
      {Op::Divide, "1.5", "0", true, "Infinito"},
      {Op::Subtract, "1", beyond_float.c_str(), false, "-Infinito"},
  };
  for (const Row& r : rows) check(r);
}

// The software rounding that builds without an 80-bit type use: ties go to the even neighbour, and where the
// hardware has that type, every operation gives the hardware's bits.
TEST(Arithmetic, SoftwareExtendedPrecisionRoundsLikeTheHardware) {
  const long double one = 1, third = std::ldexp(static_cast<long double>(0xAAAAAAAAAAAAAAABu), -65);
  const long double p32 = 4294967297.0L;  // 2^32 + 1: its square needs 65 bits
  struct Case {
    long double got, want;
  } cases[] = {
      {soft::add(one, std::ldexp(one, -64)), one},  // a tie, kept even
      {soft::add(one + std::ldexp(one, -63), std::ldexp(one, -64)), one + std::ldexp(one, -62)},  // tie, up
      {soft::add(one, std::ldexp(one, -64) + std::ldexp(one, -100)), one + std::ldexp(one, -63)},
      {soft::sub(one, std::ldexp(one, -65)), one},
      {soft::sub(one, std::ldexp(one, -200)), one},
      {soft::mul(p32, p32), std::ldexp(one, 64) + std::ldexp(one, 33)},
      {soft::div(one, 3), third},
      {soft::div(-2, 3), -2 * third},
      {soft::div(one, 0), INFINITY},
      {soft::sub(5, 5), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
  if (!ext::kHardware) return;
  std::mt19937_64 random(12345);
  auto value = [&] {
    const auto bits = random();
    switch (bits % 4) {
      case 0:  // integers around 2^64
        return static_cast<long double>(random() >> (bits >> 58));
      case 1:  // what decimal texts hold
        return static_cast<long double>(
            std::ldexp(static_cast<float>(random() >> 40), static_cast<int>(bits >> 59) - 16));
      default:  // any 64-bit significand, near each other or far apart
        return std::ldexp(static_cast<long double>(random() | (1ull << 63)),
                          static_cast<int>(bits >> 57) - 120);
    }
  };
  for (int i = 0; i < 200000; ++i) {
    long double a = value(), b = (i & 1) ? -value() : value();
    ASSERT_EQ(soft::add(a, b), a + b) << i;
    ASSERT_EQ(soft::sub(a, b), a - b) << i;
    ASSERT_EQ(soft::mul(a, b), a * b) << i;
    ASSERT_EQ(soft::div(a, b), a / b) << i;
    ASSERT_EQ(soft::sqrt(std::fabs(a)), std::sqrt(std::fabs(a))) << i;
  }
}

// Integers of up to 18 digits take an exact 64-bit route; results from 10^15 on, and longer operands, take
// the extended-precision one. Both must print what the rules print.
TEST(Arithmetic, ShortAndLongIntegersGiveTheSameTexts) {
  const Row rows[] = {
      {Op::Add, "999999999999998", "1", true, "999999999999999"},
      {Op::Multiply, "1000000", "1000000000", true, "1E+15"},
      {Op::Multiply, "999999999999999999", "999999999999999999", false, "1E+36"},
      {Op::Subtract, "1", "999999999999999", true, "-999999999999998"},
      {Op::Subtract, "0", "999999999999999999", true, "-1E+18"},
      {Op::Subtract, "000000000000000000005", "7", true, "-2"},  // 21 characters: the long route
      {Op::Subtract, "5", "5", true, "0"},
      {Op::Multiply, "0", "123", true, "0"},
      {Op::Divide, "6", "3", true, "2"},
      {Op::Add, "x", "0000000000000000000042", true, "x42"},
      {Op::Add, "x", "1000000000000000", true, "x1E+15"},
  };
  for (const Row& r : rows) check(r);
}

TEST(Arithmetic, TextRulesOfThePlus) {
  const Row rows[] = {
      {Op::Add, "1,000.5", "1", true, "1,000.51"},  // a display result is a text: joining, not adding
      {Op::Subtract, "-2", "1", true, "-2"},        // negative numbers are texts
      {Op::Add, "-2", "1", true, "-21"},
      {Op::Modulo, "-7", "2", true, "-7"},
      {Op::Add, "x", "007", true, "x7"},     // a literal's integer joins plainly
      {Op::Add, "x", "007", false, "x007"},  // a variable's joins as written
      {Op::Add, "x", "1.50", true, "x1.5"},  // decimals join as their float's 7 digits
      {Op::Add, "x", "1.50", false, "x1.5"},
      {Op::Add, "x", "1.1", false, "x1.1"},
      {Op::Add, "007", "x", false, "007x"},
      {Op::Add, "1.50", "x", false, "1.5x"},
      {Op::Add, "ab", "cd", false, "abcd"},
      {Op::Add, "1E+15", "1", true, "1E+151"},
      {Op::Subtract, "ab", "cd", false, "ab"},  // only "+" joins
      {Op::Multiply, "x", "2", true, "x"},
      {Op::Add, "", "1", true, ""},  // the empty text is in no class: counters need a start value
      {Op::Add, "1", "", false, "1"},
      {Op::Add, ".5", "1", true, ".5"},  // ".5" is in no class either
      {Op::Add, "rojo|verde", "x", false, "rojo|verde"},
      {Op::Add, "a\tb", "x", false, "a\tb"},
  };
  for (const Row& r : rows) check(r);
}

TEST(Arithmetic, JoinsWithTextLiterals) {
  EXPECT_EQ(join_literal_before("Total ", "12"), "Total 12");
  EXPECT_EQ(join_literal_before("Total ", "1.5"), "Total 1.5");
  EXPECT_EQ(join_literal_before("Total ", "007"), "Total 7");
  EXPECT_EQ(join_literal_before("Total ", ""), "Total ");
  EXPECT_EQ(join_literal_before("Total ", "abc"), "Total abc");
  EXPECT_EQ(join_literal_before("123", "abc"), "123");  // a digit-only literal is not a text
  EXPECT_EQ(join_literal_before("Lista: ", "a|b"), "Lista: ");

  EXPECT_EQ(join_literal_after("12", " euros"), "12 euros");
  EXPECT_EQ(join_literal_after("007", "x"), "7x");
  EXPECT_EQ(join_literal_after("2.50", " euros"), "2.5 euros");
  EXPECT_EQ(join_literal_after("hola", " mundo"), "hola mundo");
  EXPECT_EQ(join_literal_after("hola", "123"), "hola");
  EXPECT_EQ(join_literal_after("", "x"), "");
  EXPECT_EQ(join_literal_after("rojo|verde", "x"), "rojo|verde");
}

using test::ScriptRun;

TEST(ArithmeticStatements, FetchDeclareAndWrite) {
  ScriptRun r(
      "&i := &i + 1 ; &n := 0 ; &n := &n + 1 ; &n := &n + 1 ; &t := 7 ; &h := &t DIV 2 ; "
      "&s := ~Total_ + &n ; &e := &n + ~_euros ; &ab := ~a + ~b ; &dd := ~1 + ~2 ; @c := ~uno ; @c := ~dos ; "
      "&cc := @c + ~! ; &k := ~x + @nada ;");
  r.run();
  EXPECT_EQ(r.variable("i"), "");
  EXPECT_EQ(r.variable("n"), "2");
  EXPECT_EQ(r.variable("h"), "3.5");
  EXPECT_EQ(r.variable("s"), "Total 2");
  EXPECT_EQ(r.variable("e"), "2 euros");
  EXPECT_EQ(r.variable("ab"), "ab");
  EXPECT_EQ(r.variable("dd"), "12");  // two literals always join, digits or not
  EXPECT_EQ(r.variable("cc"), "uno!");
  EXPECT_EQ(r.variable("k"), "x");
  EXPECT_EQ(r.constant("nada"), "");  // a constant operand is declared in its store
}

TEST(ArithmeticStatements, OperandsAreDeclaredInFieldOrderBeforeTheTarget) {
  ScriptRun r("&r := &b + &a ;");
  r.run();
  EXPECT_EQ(r.interpreter->variables.index("b"), 1u);
  EXPECT_EQ(r.interpreter->variables.index("a"), 2u);
  EXPECT_EQ(r.interpreter->variables.index("r"), 3u);
}

TEST(ArithmeticStatements, LongResultsAreCutWhenNextRead) {
  ScriptRun r("&d := &s + &s ; &c := &d ;");
  std::size_t s = r.interpreter->variables.declare("s");
  r.interpreter->variables.write(s, std::string(40000, 'a'));
  r.run();
  EXPECT_EQ(r.variable("d").size(), 80000u);  // stored whole ...
  EXPECT_EQ(r.variable("c").size(), 63999u);  // ... and cut by the copy
}

// The guides' money recipe: amounts in whole cents, IVA rounded half up with MOD, written the Spanish way.
// Every step is integer arithmetic, so it is exact to the cent far beyond millions of euros.
std::string money_text(std::int64_t cents) {
  std::string euros = std::to_string(cents / 100);
  for (int at = static_cast<int>(euros.size()) - 3; at > 0; at -= 3)
    euros.insert(static_cast<std::size_t>(at), ".");
  const std::int64_t c = cents % 100;
  return euros + "," + (c < 10 ? "0" : "") + std::to_string(c);
}

TEST(ArithmeticStatements, MoneyInWholeCentsIsExactToTheCent) {
  auto run = [](std::int64_t base) {
    ScriptRun r(
        "&base := " + std::to_string(base) +
        " ; &iva := &base * 21 ; &iva := &iva + 50 ; &resto := &iva MOD 100 ; &iva := &iva - &resto ; "
        "&iva := &iva DIV 100 ; &total := &base + &iva ; &cero := 0 ; &dos := 2 ; "
        "&centimos := &total MOD 100 ; &euros := &total - &centimos ; &euros := &euros DIV 100 ; "
        "&centimos := &centimos + 100 ; &centimos := %RIGHTSTRING &centimos &dos ; "
        "&texto := %ESNUMB &euros ; &largo := %SIZE &texto ; &largo := &largo - 1 ; "
        "&texto := %LEFTSTRING &texto &largo ; .dis &euros &cero ; .saltaruno :coneuros ; "
        "&texto := &cero + &texto ; :coneuros ; &texto := &texto + &centimos ;");
    r.run();
    return std::pair{r.variable("iva"), r.variable("texto")};
  };
  // base in cents -> IVA in cents, total as text
  const struct {
    std::int64_t base;
    const char* iva;
    const char* total;
  } rows[] = {
      {0, "0", "0,00"},
      {7, "1", "0,08"},               // 1.47 cents round down to 1
      {238, "50", "2,88"},            // 49.98 cents round up
      {250, "53", "3,03"},            // 52.5 cents: half a cent rounds up
      {318513, "66888", "3.854,01"},  // the invoice example
      {100000, "21000", "1.210,00"},
      {123456789, "25925926", "1.493.827,15"},    // 1.234.567,89 euros
      {999999999, "210000000", "12.099.999,99"},  // 9.999.999,99 euros
  };
  for (const auto& row : rows) {
    const auto [iva, total] = run(row.base);
    EXPECT_EQ(iva, row.iva) << row.base;
    EXPECT_EQ(total, row.total) << row.base;
  }
  // And against integer arithmetic over amounts up to a thousand million euros.
  std::uint64_t x = 88172645463325252ull;
  for (int i = 0; i < 200; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    const auto base = static_cast<std::int64_t>(x % 100'000'000'000ull);
    const std::int64_t iva = (base * 21 + 50) / 100;
    const auto [got_iva, got_total] = run(base);
    ASSERT_EQ(got_iva, std::to_string(iva)) << base;
    ASSERT_EQ(got_total, money_text(base + iva)) << base;
  }
}

}  // namespace
}  // namespace kal
