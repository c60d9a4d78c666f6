#include "compiler/statement_compiler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/script_reader.h"
#include "tests/support/script_run.h"

namespace kal {
namespace {

// Compiles a script text; the result is the records, or "ERROR:" and the first token no class accepts.
std::vector<std::string> compile(const std::string& text) {
  StatementCompiler compiler;
  for (std::string_view token : tokenize(text, 100000))
    if (!compiler.compile(token)) return {"ERROR:" + std::string(token)};
  return compiler.records();
}

std::string one(const std::string& statement) {
  auto records = compile(statement);
  return records.size() == 1 ? records[0] : "<" + std::to_string(records.size()) + " records>";
}

TEST(StatementCompiler, RecordExamples) {
  struct {
    const char* statement;
    const char* record;
  } cases[] = {
      {"&a := &b + 5;", "&&+v|a|b|+|5"},
      {"&x := &y MOD 3;", "&&MODv|x|y|MOD|3"},
      {".aviso ~hola_mundo;", ".~|aviso|hola mundo"},
      {":bucle;", ":|bucle"},
      {"[clientes];", "BD|clientes"},
      {".codigo;", ".|codigo"},
      {".fin;", ".|fin"},
      {"'dos 2 tres;", "'vvc|2"},
      {";", ""},
      {"&total := &precio * 3;", "&&*v|total|precio|*|3"},
      {"&hoy %TODAY;", "&%|hoy|TODAY"},
      {".saltaruno :bucle;", ".:|saltaruno|bucle"},
      {".linea &x1 &y1 &x2 &y2 &color;", ".&&&&&|linea|x1|y1|x2|y2|color"},
      {"&f := ##/##/####;", "&m|f|##/##/####"},
      {"&d := 3.5;", "&v|d|3.5"},
      {"&t := #fecha;", "&#|t|fecha"},
      {"@c := ~uno;", "@~|c|uno"},
      {".aviso ~linea^dos;", ".~|aviso|linea\r\ndos"},
  };
  for (const auto& c : cases) EXPECT_EQ(one(c.statement), c.record) << c.statement;
}

TEST(StatementCompiler, Comments) {
  EXPECT_EQ(one("&a := 5 'nota;"), "'v|a|5");  // the opener drops the collected shape, not the fields
  EXPECT_EQ(one("'total 3 + 4;"), "'vv+v|3|+|4");
  EXPECT_EQ(one("'ver &x @y #z [db] ##/## :l;"), "'vcccccc");  // sigil words are plain words in a comment
  EXPECT_EQ(one("' , \xBA \xAA;"), "'vccc");                   // accepted only inside a comment
  EXPECT_EQ(one("'a 3.5 .5x;"), "'vvc|3.5");
  EXPECT_EQ(compile("'nota . mas;"), std::vector<std::string>{"ERROR:."});
  // The comment ends at ";": the next statement compiles normally again.
  EXPECT_EQ(compile("'nota; &x := 1;"), (std::vector<std::string>{"'v", "&v|x|1"}));
}

TEST(StatementCompiler, DatabaseSelectors) {
  EXPECT_EQ(one("&x [db];"), "BD|x|db");
  EXPECT_EQ(one("[mis_datos];"), "BD|mis datos");
  StatementCompiler compiler;
  for (std::string_view t : tokenize("[uno]; [dos];", 100)) ASSERT_TRUE(compiler.compile(t));
  EXPECT_EQ(compiler.database_name(), "dos");
}

TEST(StatementCompiler, Labels) {
  EXPECT_EQ(one(":mi_bucle;"), ":|mi bucle");
  EXPECT_EQ(one(":a :b;"), "::|a|b");
}

TEST(StatementCompiler, CompileErrors) {
  struct {
    const char* script;
    const char* bad;
  } cases[] = {
      {"hola;", "hola"},       {"\t.aviso ~x;", "\t.aviso"},
      {"&a := . ;", "."},      {".aviso \x93hola\x94;", "\x93"},
      {".aviso \"x\";", "\""}, {"' a | b;", "|"},
      {"' \xAB;", "\xAB"},     {"' \x85;", "\x85"},
      {"' \x96;", "\x96"},     {"&a := 1,5;", ","},
      {"&a := \xBA;", "\xBA"}, {"&x := mod;", "mod"},
      {"&x := 5x;", "5x"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(compile(c.script), std::vector<std::string>{std::string("ERROR:") + c.bad}) << c.script;
}

TEST(StatementCompiler, TokensAfterLastSemicolonAreNotStored) {
  EXPECT_EQ(compile(".codigo; &a"), std::vector<std::string>{".|codigo"});
}

TEST(StatementCompiler, LongRecordsAreCutAt1023) {
  std::string statement = ".aviso";
  for (int i = 0; i < 10; ++i) statement += " ~" + std::string(200, 'a' + i);
  statement += ";";
  std::string record = one(statement);
  ASSERT_EQ(record.size(), 1023u);
  std::string full = ".~~~~~~~~~~|aviso";
  for (int i = 0; i < 10; ++i) full += "|" + std::string(200, 'a' + i);
  EXPECT_EQ(record, full.substr(0, 1023));
}

TEST(StatementCompiler, ShapeReplacedAfterLongPrefixStillCutsRight) {
  // 600 "v" codes, then a comment opener replaces them: the kept fields must be the same as without any cap.
  std::string statement;
  for (int i = 0; i < 600; ++i) statement += "1 ";
  statement += "'x;";
  std::string record = one(statement);
  std::string full = "'v";
  for (int i = 0; i < 600; ++i) full += "|1";
  EXPECT_EQ(record, full.substr(0, 1023));
}

}  // namespace
}  // namespace kal
