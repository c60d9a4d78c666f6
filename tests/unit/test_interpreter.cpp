#include "interp/interpreter.h"

#include <gtest/gtest.h>

#include "common/halt.h"
#include "interp/dispatch_table.h"
#include "tests/support/recording_platform.h"

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
    interpreter.run();
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

TEST(Interpreter, DispatchTableHasNoShapeTwice) {
  std::vector<std::string_view> seen;
  for (const Family& f : dispatch_families())
    for (std::string_view shape : f.shapes) {
      EXPECT_EQ(std::count(seen.begin(), seen.end(), shape), 0) << shape;
      seen.push_back(shape);
      EXPECT_EQ(find_family(shape), &f);
    }
}

}  // namespace
}  // namespace kal
