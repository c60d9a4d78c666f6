#include "interp/compare.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kal {
namespace {

using C = Comparison;

struct Row {
  C how;
  const char* a;
  const char* b;
  int flag_before;
  int flag_after;
};

void check(const Row& r) {
  EXPECT_EQ(compare_values(r.how, r.a, r.b, r.flag_before), r.flag_after)
      << static_cast<int>(r.how) << " '" << r.a << "' '" << r.b << "' from " << r.flag_before;
}

TEST(Compare, SameAndDifferentCompareTextsByteForByte) {
  const Row rows[] = {
      {C::Same, "hola", "hola", 0, 1}, {C::Same, "hola", "Hola", 1, 0}, {C::Same, "1", "1.0", 1, 0},
      {C::Same, "01", "1", 1, 0},      {C::Same, "", "", 0, 1},         {C::Same, "a\tb", "a\tb", 0, 1},
      {C::Different, "a", "b", 0, 1},  {C::Different, "a", "a", 1, 0},  {C::Different, "1", "1.0", 0, 1},
      {C::Different, "", "", 1, 0},
  };
  for (const Row& r : rows) check(r);
}

TEST(Compare, IntegersAndDecimalsCompareAsNumbers) {
  const Row rows[] = {
      {C::Greater, "10", "9", 0, 1},
      {C::Less, "10", "9", 1, 0},
      {C::Greater, "007", "7", 1, 0},
      {C::GreaterOrEqual, "007", "7", 0, 1},
      {C::LessOrEqual, "007", "7", 0, 1},
      {C::GreaterOrEqual, "2.5", "2", 0, 1},  // decimal against integer
      {C::GreaterOrEqual, "2", "2.0", 0, 1},  // 2.0 equals 2
      {C::Greater, "2", "2.0", 1, 0},
      {C::Less, "1.5", "12.", 0, 1},  // decimal against decimal
      {C::Greater, ".25", "0.2", 0, 1},
      {C::LessOrEqual, "1.1", "1.10", 0, 1},  // both the same float
      {C::Greater, "1.1", "1", 0, 1},
      {C::Less, "16777217", "16777216.0", 1,
       0},  // the decimal is a float: 16777216.0 holds, 16777217 is not below it
      {C::Greater, "100000000000000000000", "99999999999999999999", 0,
       1},  // longer than 64 bits, still exact
  };
  for (const Row& r : rows) check(r);
}

TEST(Compare, GeneralTextsCompareByCodes) {
  const Row rows[] = {
      {C::Greater, "abc", "abd", 1, 0},
      {C::Less, "abc", "abd", 0, 1},
      {C::Greater, "-1", "-2", 1, 0},   // both texts: "1" sorts before "2"
      {C::Less, "Z", "a", 0, 1},        // capitals first
      {C::Greater, "\xE1", "z", 0, 1},  // accented letters after all plain ones
      {C::Less, "ab", "abc", 0, 1},     // a prefix is smaller
      {C::GreaterOrEqual, "abc", "abc", 0, 1},
      {C::LessOrEqual, "abc", "abc", 0, 1},
      {C::Greater, "abc", "abc", 1, 0},
  };
  for (const Row& r : rows) check(r);
}

TEST(Compare, NumberAgainstTextFailsAndUnclassifiableKeepsTheFlag) {
  const Row rows[] = {
      {C::Greater, "10", "9x", 1, 0},
      {C::Less, "9x", "10", 1, 0},
      {C::GreaterOrEqual, "1.5", "uno", 1, 0},
      {C::Greater, "", "", 1, 1},  // empty operands: the flag stays as it was
      {C::Greater, "", "", 0, 0},
      {C::Less, "5", "", 1, 1},
      {C::Less, ".5", "1", 1, 1},  // ".5" is in no class
      {C::Less, "1.2.3", "9", 1, 1},
      {C::Greater, "a\tb", "a", 1, 1},
      {C::LessOrEqual, "\xC7", "z", 1, 1},
  };
  for (const Row& r : rows) check(r);
}

TEST(Compare, ListsCompareElementByElement) {
  const Row rows[] = {
      {C::Same, "rojo|verde|azul", "verde", 0, 1},
      {C::Same, "rojo|verde|azul", "negro", 1, 0},
      {C::Same, "negro", "rojo|verde|negro", 0, 1},
      {C::Different, "x|y", "x", 0, 1},  // the pair y, x differs
      {C::Different, "x|x", "x", 1, 0},
      {C::Same, "a|", "", 0, 1},  // an empty element
      {C::Greater, "1|5|2", "4", 0, 1},
      {C::Greater, "1|2", "4|3", 0, 0},
      // An unclassifiable pair after a failing one keeps the 0; one before a number pair changes nothing.
      {C::Greater, "1|", "4", 1, 0},
      {C::Greater, "|1", "4", 1, 1},  // the first pair keeps the 1, which stops the comparison at once
  };
  for (const Row& r : rows) check(r);
}

TEST(Compare, StopsAtTheFirstPairThatHolds) {
  // After a pair that holds, a later text-against-number pair would have cleared the flag.
  EXPECT_EQ(compare_values(C::Greater, "5|x", "4", 0), 1);
  EXPECT_EQ(compare_values(C::Greater, "x|5", "4", 0), 1);
  EXPECT_EQ(compare_pair(C::Greater, "x", "4", 1), 0);
}

// The list rule as the language states it: every element of a against every element of b, in order, stopping
// once a pair leaves the flag at 1. Long lists are answered another way; they must answer the same.
std::int32_t every_pair(C how, std::string_view a, std::string_view b, std::int32_t flag) {
  auto split = [](std::string_view list) {
    std::vector<std::string_view> parts;
    for (std::size_t bar; (bar = list.find('|')) != std::string_view::npos; list.remove_prefix(bar + 1))
      parts.push_back(list.substr(0, bar));
    parts.push_back(list);
    return parts;
  };
  for (std::string_view x : split(a))
    for (std::string_view y : split(b))
      if ((flag = compare_pair(how, x, y, flag)) == 1) return 1;
  return flag;
}

TEST(Compare, ListsAnswerAsEveryPairInOrderWould) {
  // Texts, numbers written several ways, values no rule applies to, and whole numbers past 2^64 beside the
  // decimal nearest them.
  const std::string_view pool[] = {"",
                                   "1",
                                   "01",
                                   "2",
                                   "10",
                                   "1.5",
                                   "1.50",
                                   "2.5",
                                   "0",
                                   "00",
                                   "0.0",
                                   "abc",
                                   "ABC",
                                   "b",
                                   ".5",
                                   "x y",
                                   "a\tb",
                                   "1.2.3",
                                   "99999999999999999999999",
                                   "18446744073709551617",
                                   "18446744073709551616.0"};
  std::mt19937 random(26);
  auto list = [&] {
    std::string out(pool[random() % std::size(pool)]);
    for (int n = static_cast<int>(random() % 5); n > 0; --n)
      out.append("|").append(pool[random() % std::size(pool)]);
    return out;
  };
  for (int i = 0; i < 40000; ++i) {
    const std::string a = list(), b = list();
    const auto how = static_cast<C>(random() % 6);
    const std::int32_t flag = static_cast<std::int32_t>(random() % 2);
    ASSERT_EQ(compare_values(how, a, b, flag), every_pair(how, a, b, flag))
        << static_cast<int>(how) << " '" << a << "' '" << b << "' from " << flag;
  }
}

}  // namespace
}  // namespace kal
