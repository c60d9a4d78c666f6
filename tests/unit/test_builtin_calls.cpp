#include <gtest/gtest.h>

#include <string>

#include "tests/support/script_run.h"

namespace kal {
namespace {

using test::ScriptRun;

TEST(BuiltinCalls, OperandsTargetAndResult) {
  ScriptRun r("&t := ~abcdef ; &i := 3 ; &n := 2 ; &r := %MIDDLESTRING &t &i &n ; &m := %MAY &t ;");
  r.run();
  EXPECT_EQ(r.variable("r"), "cd");
  EXPECT_EQ(r.variable("m"), "ABCDEF");
}

TEST(BuiltinCalls, NeverAssignedOperandsAreDeclaredBeforeTheTarget) {
  ScriptRun r("'sitio para las cuatro variables ; &r := %CAMBIARP &b &a &c ;");
  r.run();
  EXPECT_EQ(r.interpreter->variables.index("b"), 1u);
  EXPECT_EQ(r.interpreter->variables.index("a"), 2u);
  EXPECT_EQ(r.interpreter->variables.index("c"), 3u);
  EXPECT_EQ(r.interpreter->variables.index("r"), 4u);
  EXPECT_EQ(r.variable("r"), "");
}

TEST(BuiltinCalls, OperandsAndResultsPassTheWorkingBuffer) {
  ScriptRun r("&n := 70000 ; &l := %LEFTSTRING &t &n ; &z := 256 ; &c := %CAR &z ;");
  std::size_t t = r.interpreter->variables.declare("t");
  r.interpreter->variables.write(t, std::string(70000, 'x'));
  r.run();
  EXPECT_EQ(r.variable("l").size(), 63999u);
  EXPECT_EQ(r.variable("c"), "");  // a NUL ends the result at once
}

TEST(BuiltinCalls, FlagConstantsAndDebug) {
  ScriptRun r(
      "&a := 1 ; .cmp &a &a ; &s1 := %SISTEMALOG ; .saltar :x ; :x ; &s0 := %SISTEMALOG ; &rojo := %ROJO ; "
      "&az := %AZUL ; &al := %ALINJUS ; &w := %ANCHOPANTALLA ; &h := %ALTOPANTALLA ; @d := ~abc ; @d %DEBUG "
      "; "
      "@e %DEBUG ; &d := %DEBUG ;");
  r.run();
  EXPECT_EQ(r.variable("s1"), "1");
  EXPECT_EQ(r.variable("s0"), "0");
  EXPECT_EQ(r.variable("rojo"), "255");
  EXPECT_EQ(r.variable("az"), "16711680");
  EXPECT_EQ(r.variable("al"), "134");
  EXPECT_EQ(r.variable("w"), "1913");
  EXPECT_EQ(r.variable("h"), "1051");
  EXPECT_EQ(r.constant("d"), "abc");  // a constant that holds a value keeps it
  EXPECT_EQ(r.constant("e"), "1");
  EXPECT_EQ(r.variable("d"), "1");
}

TEST(BuiltinCalls, AdiosTouchesNoVariableAndRemovesTheProgramAtFin) {
  ScriptRun r("&x %ADIOS ; &y := 1 ;");
  r.run();
  EXPECT_EQ(r.variable("x"), "(none)");
  EXPECT_EQ(r.variable("y"), "1");  // the script goes on
  ASSERT_EQ(r.platform.events.size(), 1u);
  EXPECT_EQ(r.platform.events[0].kind, test::Event::Kind::CommandInterpreter);
}

TEST(BuiltinCalls, WrongCaseOrOperandCountIsUnknown) {
  for (const char* statement : {"&r := %may &t ;", "&r := %SIN &a &b ;", "&r := %MAY ;"}) {
    ScriptRun r(statement);
    r.run();
    ASSERT_EQ(r.platform.boxes().size(), 1u) << statement;
    EXPECT_EQ(r.platform.boxes()[0].first, "Programador");
  }
  ScriptRun sin("&r := %SIN &a &b ;");
  sin.run();
  EXPECT_EQ(sin.platform.boxes()[0].second, "&%&&r\r\nInstrucci\xF3n Desconocida ...");
}

}  // namespace
}  // namespace kal
