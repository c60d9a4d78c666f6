#include "interp/interpreter.h"

#include <gtest/gtest.h>

#include "common/halt.h"
#include "tests/support/recording_platform.h"
#include "tests/support/script_run.h"

namespace kal {
namespace {

using test::RecordingPlatform;

struct Outcome {
  bool halted = false;  // ended by fin or a fatal report; otherwise the run went past the end
  std::vector<std::pair<std::string, std::string>> boxes;
  int pauses_ms = 0;
  std::string database_name;
};

Outcome run(std::vector<std::string> records, std::string database_name = "") {
  RecordingPlatform platform;
  Program program;
  program.statements = std::move(records);
  program.labels = LabelTable::build(program.statements);
  program.database_name = std::move(database_name);
  Interpreter interpreter(platform, program);
  Outcome out;
  try {
    out.halted = interpreter.run() == Interpreter::End::Fin;
  } catch (const Halt&) {
    out.halted = true;
  }
  out.boxes = platform.boxes();
  out.pauses_ms = platform.pauses_ms;
  out.database_name = program.database_name;
  return out;
}

std::pair<std::string, std::string> unknown(const std::string& what) {
  return {"Programador", what + "\r\nInstrucci\xF3n Desconocida ..."};
}

TEST(Interpreter, FinEndsTheRunInAnyCase) {
  for (const char* fin : {".|fin", ".|FIN", ".|Fin"}) {
    Outcome o = run({".|codigo", fin, ".|bailar"});
    EXPECT_TRUE(o.halted) << fin;
    EXPECT_TRUE(o.boxes.empty()) << fin;
  }
}

TEST(Interpreter, RecordsWithoutActionArePassedOver) {
  Outcome o = run({".|codigo", "'vc", "'vv+v|3|+|4", "", "vv|1|2", "v+v|1|+|2", "m|##"});
  EXPECT_FALSE(o.halted);
  EXPECT_TRUE(o.boxes.empty());
}

TEST(Interpreter, LabelsPauseOneMillisecond) {
  Outcome o = run({":|a", ":|b", ":|a"});
  EXPECT_FALSE(o.halted);
  EXPECT_EQ(o.pauses_ms, 3);
}

TEST(Interpreter, UnknownShapesAndKeywords) {
  EXPECT_EQ(run({".|bailar"}).boxes, std::vector{unknown(".bailar")});
  EXPECT_EQ(run({".|BAILAR"}).boxes, std::vector{unknown(".BAILAR")});
  EXPECT_EQ(run({".|CODIGO"}).boxes, std::vector{unknown(".CODIGO")});  // only the exact ".codigo" is skipped
  EXPECT_EQ(run({"#|campo"}).boxes, std::vector{unknown("#")});
  EXPECT_EQ(run({"%|TODAY"}).boxes, std::vector{unknown("%")});
  EXPECT_EQ(run({"&|x"}).boxes, std::vector{unknown("&")});
  EXPECT_EQ(run({"::|a|b"}).boxes, std::vector{unknown("::")});
  // Nothing after the report runs.
  Outcome o = run({".|bailar", ":|x"});
  EXPECT_TRUE(o.halted);
  EXPECT_EQ(o.pauses_ms, 0);
}

TEST(Interpreter, DatabaseSelectionSetsTheCurrentName) {
  EXPECT_EQ(run({".|codigo"}, "compilado").database_name, "compilado");
  EXPECT_EQ(run({"BD|clientes", "'vc"}, "compilado").database_name, "clientes");
  EXPECT_EQ(run({"BD|x|db"}, "").database_name, "x");  // field 2, whatever came before the selector
}

using test::ScriptRun;
using Kind = test::Reply::Kind;

TEST(Interpreter, SelectorSetsRecordAndSearchPosition) {
  ScriptRun r("[clientes] ;");
  r.interpreter->database.current_record = 42;
  r.interpreter->database.search_position = 42;
  r.run();
  EXPECT_EQ(r.program.database_name, "clientes");
  EXPECT_EQ(r.interpreter->database.current_record, 1);
  EXPECT_EQ(r.interpreter->database.search_position, 1);
}

TEST(Interpreter, RunsPastTheLastStatementWithoutFin) {
  Outcome o = run({".|codigo", "&v|x|1", ":|a"});
  EXPECT_FALSE(o.halted);
  EXPECT_EQ(o.pauses_ms, 1);
}

TEST(Assignments, LiteralsAreStoredAsWritten) {
  ScriptRun r("&a := 007 ; &b := 1.50 ; &s := ~hola_mundo^adi\xF3s ; &m := ##.### ; &v := &a ;");
  r.run();
  EXPECT_EQ(r.variable("a"), "007");
  EXPECT_EQ(r.variable("b"), "1.50");
  EXPECT_EQ(r.variable("s"), "hola mundo\r\nadi\xF3s");
  EXPECT_EQ(r.variable("m"), "##.###");
  EXPECT_EQ(r.variable("v"), "007");
}

TEST(Assignments, NeverAssignedReadsEmptyAndIsDeclared) {
  ScriptRun r("&x := &nunca ; &a := &a ;");
  r.run();
  EXPECT_EQ(r.variable("x"), "");
  EXPECT_EQ(r.variable("nunca"), "");
  EXPECT_EQ(r.variable("a"), "");
}

TEST(Assignments, SourceIsDeclaredBeforeTarget) {
  ScriptRun r("&a := &b ;");
  r.run();
  EXPECT_EQ(r.interpreter->variables.index("b"), 1u);
  EXPECT_EQ(r.interpreter->variables.index("a"), 2u);
}

TEST(Assignments, ConstantsAreWrittenOnce) {
  ScriptRun r("@c := ~uno ; @c := ~dos ; @k := 1 ; @k := 2 ; &c := ~variable ;");
  r.run();
  EXPECT_EQ(r.constant("c"), "uno");
  EXPECT_EQ(r.constant("k"), "1");
  EXPECT_EQ(r.variable("c"), "variable");  // &c and @c are two names
}

TEST(Assignments, CopiesPassTheWorkingBuffer) {
  ScriptRun r("&b := &a ; &a := &a ;");
  std::string long_value(70000, 'x');
  long_value[100] = 'y';
  std::size_t a = r.interpreter->variables.declare("a");
  r.interpreter->variables.write(a, long_value);
  r.run();
  EXPECT_EQ(r.variable("b"), long_value.substr(0, 63999));
  EXPECT_EQ(r.variable("a"), long_value.substr(0, 63999));  // a copy onto itself cuts too

  ScriptRun nul("&b := &a ;");
  std::size_t slot = nul.interpreter->variables.declare("a");
  nul.interpreter->variables.write(slot, std::string_view("ab\0cd", 5));
  nul.run();
  EXPECT_EQ(nul.variable("b"), "ab");
}

TEST(Stores, AFullStoreStopsTheRunNamingTheVariable) {
  // Six records with .codigo and .fin, so six names fit in each store; the seventh does not.
  ScriptRun r(".cmp &a &b ; .cmp &c &d ; .cmp &e &f ; .cmp &g &h ;");
  r.run();
  ASSERT_EQ(r.platform.boxes().size(), 1u);
  EXPECT_EQ(r.platform.boxes()[0].first, "Programador");
  EXPECT_EQ(r.platform.boxes()[0].second,
            "No hay sitio para la variable &g: este programa solo admite 6 variables.");
  EXPECT_EQ(r.interpreter->variables.size(), 6u);
  EXPECT_EQ(r.variable("h"), "(none)");

  ScriptRun c("@a := 1 ; @b := 2 ; @c := 3 ; .cmp &a &b ;");
  c.run();  // exactly full is fine
  EXPECT_EQ(c.constant("c"), "3");
  EXPECT_TRUE(c.platform.boxes().empty());
}

TEST(Jumps, LoopThroughALabel) {
  // Without arithmetic, a loop that walks a list: each round drops to the next answer.
  ScriptRun r(":inicio ; .avisosino &q ; .saltaruno :inicio ; &fin := ~si ;");
  r.answer(Kind::Yes).answer(Kind::Yes).answer(Kind::No);
  r.run();
  EXPECT_EQ(r.messages().size(), 3u);
  EXPECT_EQ(r.platform.pauses_ms, 3);  // the label ran three times
  EXPECT_EQ(r.variable("fin"), "si");
}

TEST(Jumps, EveryJumpClearsTheFlag) {
  ScriptRun r(
      ".cmp &a &b ; .saltarcero :nunca ; .saltarcero :salida ; &x := ~no ; :salida ; &y := ~si ; :nunca ;");
  // a and b are both empty, so equal: the flag is 1, saltarcero does not jump but clears it.
  r.run();
  EXPECT_EQ(r.variable("x"), "(none)");
  EXPECT_EQ(r.variable("y"), "si");
  EXPECT_EQ(r.interpreter->comparison_flag, 0);
}

TEST(Jumps, SaltarAlwaysJumpsInAnyCase) {
  ScriptRun r(".SALTAR :fin ; &x := ~no ; :fin ; .Saltar :final ; &y := ~no ; :final ;");
  r.run();
  EXPECT_EQ(r.variable("x"), "(none)");
  EXPECT_EQ(r.variable("y"), "(none)");
}

TEST(Jumps, TheLastLabelOfANameWins) {
  ScriptRun r(
      ".saltar :doble ; :doble ; &x := ~primera ; .saltar :fuera ; :doble ; &y := ~segunda ; :fuera ;");
  r.run();
  EXPECT_EQ(r.variable("x"), "(none)");
  EXPECT_EQ(r.variable("y"), "segunda");
}

TEST(Jumps, UnknownLabelsStopTheRun) {
  for (const char* script : {".saltar :nada ; &x := 1 ;", ".saltar :con_raya ; :con_raya ; &x := 1 ;"}) {
    ScriptRun r(script);
    r.run();
    std::string label = std::string(script).substr(9, std::string(script).find(' ', 9) - 9);
    ASSERT_EQ(r.platform.boxes().size(), 1u) << script;
    EXPECT_EQ(r.platform.boxes()[0].first, "Programador");
    EXPECT_EQ(r.platform.boxes()[0].second,
              "No existe la etiqueta :" + label + " a la que salta el programa.");
    EXPECT_EQ(r.variable("x"), "(none)");
  }
  // Not taken, a jump to nowhere is harmless.
  ScriptRun quiet(".saltaruno :nada ; &x := 1 ;");
  quiet.run();
  EXPECT_EQ(quiet.variable("x"), "1");
}

TEST(Comparisons, ReadVariablesAndKeepTheFlagForLaterJumps) {
  // "|" cannot be written in a literal: lists come from functions and files, so this one is put in place.
  ScriptRun r(
      "&b := ~verde ; .cmp &a &b ; &x := ~otra ; .saltaruno :esta ; &y := ~no ; :esta ; .mar &n &m ;");
  std::size_t a = r.interpreter->variables.declare("a");
  r.interpreter->variables.write(a, "rojo|verde|azul");
  r.run();
  EXPECT_EQ(r.variable("y"), "(none)");          // the flag outlived the assignment in between
  EXPECT_EQ(r.variable("n"), "");                // operands are declared by the comparison
  EXPECT_EQ(r.interpreter->comparison_flag, 0);  // .mar of two empty texts kept the 0 the jump left
}

TEST(Comparisons, EveryWordAndItsCase) {
  struct Row {
    const char* statement;
    int flag;
  };
  const Row rows[] = {{".cmp &diez &nueve ;", 0}, {".dis &diez &nueve ;", 1}, {".mar &diez &nueve ;", 1},
                      {".mer &diez &nueve ;", 0}, {".mai &diez &diez ;", 1},  {".mei &nueve &diez ;", 1},
                      {".MAR &diez &nueve ;", 1}, {".Cmp &diez &diez ;", 1},  {".mar &diez &texto ;", 0}};
  for (const Row& row : rows) {
    ScriptRun r(std::string("&diez := 10 ; &nueve := 9 ; &texto := ~9x ; ") + row.statement);
    r.run();
    EXPECT_EQ(r.interpreter->comparison_flag, row.flag) << row.statement;
  }
}

TEST(Fin, EndsAfterTheWindowClosesAndRemovesTheExecutableOnlyThen) {
  ScriptRun r(".fin ; &x := 1 ;");
  r.interpreter->window_open = true;
  r.platform.window_closes_after = 3;
  r.interpreter->self_removal_requested = true;
  r.run();
  EXPECT_EQ(r.platform.message_rounds, 3);
  EXPECT_EQ(r.platform.pauses_ms, 2);  // a pause after each round with nothing to serve
  EXPECT_EQ(r.variable("x"), "(none)");
  for (const auto& e : r.platform.events) EXPECT_NE(e.kind, test::Event::Kind::CommandInterpreter);

  ScriptRun bye(".fin ;");
  bye.interpreter->self_removal_requested = true;
  bye.run();
  ASSERT_EQ(bye.platform.events.size(), 1u);
  EXPECT_EQ(bye.platform.events[0].kind, test::Event::Kind::CommandInterpreter);
  EXPECT_EQ(bye.platform.events[0].title, "/c del \"C:\\kal\\KAL.exe\" >> nul");

  ScriptRun plain(".fin ;");
  plain.run();
  EXPECT_TRUE(plain.platform.events.empty());

  // A window the system could not make cannot be closed: the script ends instead of waiting for ever.
  ScriptRun unseen("&w := 200 ; &h := 100 ; .ventana &w &h ; &x := 1 ; .fin ;");
  unseen.platform.fail_windows = true;
  unseen.run();
  EXPECT_EQ(unseen.platform.message_rounds, 0);
  EXPECT_TRUE(unseen.interpreter->fin_reached);
}

// A step-and-watch view of a loop: every statement the loop reaches, in order, with the state as it stands.
TEST(Interpreter, AnObserverHearsEveryStatementBeforeItRuns) {
  struct Watch final : RunObserver {
    Interpreter* run = nullptr;
    std::vector<std::size_t> numbers;
    std::vector<std::int32_t> flags_before_jump;
    void before_statement(std::size_t number, const Statement& s) override {
      numbers.push_back(number);
      if (s.field(2) == "saltarcero") flags_before_jump.push_back(run->comparison_flag);
    }
  } watch;
  ScriptRun r("&dos := 2 ; &n := 0 ; :otra ; &n := &n + 1 ; .cmp &n &dos ; .saltarcero :otra ;");
  watch.run = r.interpreter.get();
  r.interpreter->set_observer(&watch);
  r.run();
  // 1 is .codigo, 4 the label, 7 the jump back while n is 1, 8 .fin.
  EXPECT_EQ(watch.numbers, (std::vector<std::size_t>{1, 2, 3, 4, 5, 6, 7, 4, 5, 6, 7, 8}));
  EXPECT_EQ(watch.flags_before_jump, (std::vector<std::int32_t>{0, 1}));
  const VariableStore& v = r.interpreter->variables;
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v.name(2) + "=" + v.value(2), "n=2");
}

}  // namespace
}  // namespace kal
