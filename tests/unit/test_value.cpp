#include "values/value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

namespace kal {
namespace {

TEST(ValueClass, ClassifiesTexts) {
  struct Row {
    const char* text;
    ValueClass expected;
  };
  const Row rows[] = {
      {"0", ValueClass::Integer},
      {"007", ValueClass::Integer},
      {"123456789012345678901234567890", ValueClass::Integer},
      {"1.5", ValueClass::Decimal},
      {"12.", ValueClass::Decimal},
      {".25", ValueClass::Decimal},
      {"...", ValueClass::None},  // only points: neither a number nor a text
      {".5", ValueClass::None},   // too short for a decimal, and only digits and "."
      {"5.", ValueClass::None},
      {"1.2.3", ValueClass::None},
      {"-1", ValueClass::General},  // a sign makes a number a text
      {"-2.5", ValueClass::General},
      {"1E+15", ValueClass::General},
      {"1,000.5", ValueClass::General},
      {"hola mundo", ValueClass::General},
      {"Total 12", ValueClass::General},
      {"l\xEDnea\r\notra", ValueClass::General},  // accents and line breaks are text characters
      {"\xA3\xA5\xDF", ValueClass::General},
      {"\xD1"
       "and\xFA",
       ValueClass::General},
      {"", ValueClass::None},
      {"a\tb", ValueClass::None},        // a tab is outside the text characters
      {"rojo|verde", ValueClass::None},  // so is the list separator
      {"di\"jo", ValueClass::None},
      {"a'b", ValueClass::None},
      {"a^b", ValueClass::None},
      {"a`b", ValueClass::None},
      {"\xE7", ValueClass::None},  // the small c with cedilla is not listed ...
      {"\xC7", ValueClass::None},  // ... and the capital is lower-cased into it before the test
      {"fa\xC7"
       "ade",
       ValueClass::None},
  };
  for (const Row& r : rows) EXPECT_EQ(classify(r.text), r.expected) << '"' << r.text << '"';
  // The words the debugger and the page show beside a value.
  const std::pair<const char*, const char*> named[] = {
      {"12", "entero"},   {"1.5", "decimal"},      {"8,5", "texto"},      {"", "sin clase"},
      {".", "sin clase"}, {"rojo|verde", "lista"}, {"a\tb", "sin clase"},
  };
  for (const auto& [text, name] : named) EXPECT_EQ(class_name(text), name) << '"' << text << '"';
}

TEST(ValueClass, WorkingTextCutsAtNulAnd63999Characters) {
  EXPECT_EQ(working_text("abc"), "abc");
  EXPECT_EQ(working_text(std::string_view("ab\0cd", 5)), "ab");
  EXPECT_EQ(working_text(std::string_view("\0x", 2)), "");
  std::string long_text(70000, 'x');
  EXPECT_EQ(working_text(long_text).size(), 63999u);
  EXPECT_EQ(working_text(std::string(63999, 'y')).size(), 63999u);
  std::string late_nul = std::string(64010, 'z');
  late_nul[64005] = '\0';
  EXPECT_EQ(working_text(late_nul).size(), 63999u);
}

TEST(ValueClass, DecimalTextsAreThirtyTwoBitFloats) {
  EXPECT_EQ(decimal_value("1.1"), 1.1f);
  EXPECT_EQ(static_cast<double>(decimal_value("1.1")), 1.10000002384185791015625);
  EXPECT_EQ(decimal_value(".25"), 0.25f);
  EXPECT_EQ(decimal_value("12."), 12.0f);
  EXPECT_EQ(decimal_value("2.0"), 2.0f);
  // Beyond the float range: infinite when large, zero when tiny.
  EXPECT_TRUE(std::isinf(decimal_value(std::string(60, '9') + ".0")));
  EXPECT_EQ(decimal_value("0." + std::string(60, '0') + "1"), 0.0f);
  // Short texts take a quicker way; it must give the C library's nearest float for every one of them.
  std::mt19937 random(7);
  for (int i = 0; i < 100000; ++i) {
    std::string t = std::to_string(random() % 100000000);
    t.insert(random() % (t.size() + 1), ".");
    ASSERT_EQ(decimal_value(t), std::strtof(t.c_str(), nullptr)) << t;
  }
}

TEST(ValueClass, IntegerTextsOfAnyLength) {
  EXPECT_EQ(integer_value("007"), 7.0L);
  EXPECT_EQ(integer_value("18446744073709551615"), 18446744073709551615.0L);
  EXPECT_LT(compare_integer_texts("9", "10"), 0);
  EXPECT_EQ(compare_integer_texts("007", "7"), 0);
  EXPECT_EQ(compare_integer_texts("0", "000"), 0);
  EXPECT_GT(compare_integer_texts("100000000000000000000000001", "100000000000000000000000000"), 0);
  EXPECT_LT(compare_integer_texts("99999999999999999999", "100000000000000000000"), 0);
}

}  // namespace
}  // namespace kal
