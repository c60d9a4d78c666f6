#include <gtest/gtest.h>

#include <map>
#include <string>

#include "debug/breakpoints.h"

namespace kal::debug {
namespace {

// The run's values: &total 150, &nombre "Ana", &lista "uno|dos", @iva 21; &vacia was never assigned.
std::optional<std::string> value_of(std::string_view name) {
  static const std::map<std::string, std::string, std::less<>> values = {
      {"&total", "150"}, {"&nombre", "Ana"}, {"&lista", "uno|dos"}, {"@iva", "21"}};
  const auto it = values.find(name);
  if (it != values.end()) return it->second;
  return std::nullopt;
}

TEST(DebugBreakpoints, ALineWithoutAStatementMovesDown) {
  // Statements start on lines 1, 2, 2, 4 and 7 (two on line 2; lines 3, 5 and 6 hold none).
  const std::vector<std::size_t> lines = {1, 2, 2, 4, 7};
  const struct {
    std::size_t asked, line, statement;
    bool verified, moved;
  } rows[] = {{1, 1, 1, true, false}, {2, 2, 2, true, false}, {3, 4, 4, true, true},
              {5, 7, 5, true, true},  {7, 7, 5, true, false}, {8, 8, 0, false, false}};
  for (const auto& r : rows) {
    const Placed p = place_breakpoint(lines, r.asked);
    EXPECT_EQ(p.verified, r.verified) << r.asked;
    EXPECT_EQ(p.line, r.line) << r.asked;
    EXPECT_EQ(p.statement, r.statement) << r.asked;
    EXPECT_EQ(!p.message.empty(), r.moved || !r.verified) << r.asked;
  }
  EXPECT_EQ(place_breakpoint(lines, 3).message,
            "Ninguna sentencia empieza en la l\xEDnea 3: se para en la 4");
}

TEST(DebugBreakpoints, ConditionsAreTheScriptsOwnComparisons) {
  const struct {
    const char* text;
    bool holds;
  } rows[] = {
      {"&total > 100", true},   {"&total > 200", false},    {".mar &total 100", true},
      {"&total >= 150", true},  {"&total < 150", false},    {"&total <= 150", true},
      {"&nombre = ~Ana", true}, {"&nombre <> ~Ana", false}, {"&total = 0150", false},  // texts, exactly
      {"&lista = ~dos", true},  {"&vacia = ~x", false},     {".cmp @iva 21", true},
      {"&nombre > 100", false},  // a text and a number are never in order
  };
  for (const auto& r : rows) {
    std::string why;
    const auto c = parse_condition(r.text, &why);
    ASSERT_TRUE(c) << r.text << ": " << why;
    EXPECT_EQ(holds(*c, value_of), r.holds) << r.text;
  }
  std::string why;
  EXPECT_FALSE(parse_condition("&total > ", &why));
  EXPECT_NE(why.find("&total > 100"), std::string::npos);
  EXPECT_FALSE(parse_condition("@iva .mai 21", &why));  // the word goes first
  EXPECT_NE(why.find("No conozco la comparaci\xF3n .mai"), std::string::npos) << why;
}

TEST(DebugBreakpoints, LogpointsWriteTheValuesTheyName) {
  EXPECT_EQ(log_message("Total: {&total} con IVA {@iva} %", value_of), "Total: 150 con IVA 21 %");
  EXPECT_EQ(log_message("{&nada} y {sin} y {&nombre", value_of), "{&nada} y {sin} y {&nombre");
  EXPECT_EQ(log_message("", value_of), "");
}

}  // namespace
}  // namespace kal::debug
