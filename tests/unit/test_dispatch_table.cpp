#include "interp/dispatch_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "interp/statement.h"

namespace kal {
namespace {

// One record, prepared as the interpreter prepares a program's records. The records outlive the statement.
struct Prepared {
  explicit Prepared(std::string_view record) : records{std::string(record)}, statements(records) {}
  const Statement* operator->() const { return &statements.at(1); }
  const Statement& operator*() const { return statements.at(1); }
  std::vector<std::string> records;
  PreparedStatements statements;
};

// A record of this shape whose keyword field holds the word.
std::string record_for(const Family& f, std::string_view shape, std::string_view word) {
  std::string r(shape);
  if (f.keyword_at == KeywordAt::Field2Lower) return r + "|" + std::string(word) + "|a|b|c|d|e|f|g|h|i";
  if (f.keyword_at == KeywordAt::Field3) return r + "|objetivo|" + std::string(word) + "|a|b|c";
  return r + "|x|y|z|w";
}

TEST(DispatchTable, NoShapeTwice) {
  std::vector<std::string_view> seen;
  for (const Family& f : dispatch_families())
    for (std::string_view shape : f.shapes) {
      EXPECT_EQ(std::count(seen.begin(), seen.end(), shape), 0) << shape;
      seen.push_back(shape);
    }
}

TEST(DispatchTable, EveryRowReachesItsFamilyAndKeyword) {
  for (const Family& f : dispatch_families()) {
    for (std::string_view shape : f.shapes) {
      if (f.keyword_at == KeywordAt::None) {
        Prepared s(record_for(f, shape, ""));
        EXPECT_EQ(s->family(), &f) << shape;
        EXPECT_EQ(s->handler, f.handler) << shape;
        continue;
      }
      for (const Keyword& k : f.keywords) {
        Prepared s(record_for(f, shape, k.word));
        EXPECT_EQ(s->family(), &f) << shape << " " << k.word;
        EXPECT_EQ(s->keyword, &k) << shape << " " << k.word;
        EXPECT_EQ(s->handler, k.handler) << shape << " " << k.word;
      }
    }
  }
}

TEST(DispatchTable, CommandWordsInAnyCaseFunctionWordsAsWritten) {
  Prepared upper(".|FIN");
  ASSERT_NE(upper->keyword, nullptr);
  EXPECT_EQ(upper->keyword->word, "fin");
  EXPECT_NE(Prepared(".:|SaLtAr|bucle")->handler, nullptr);
  EXPECT_NE(Prepared(".&&|CMP|a|b")->handler, nullptr);
  // The whole record is lower-cased, with the Windows-1252 rules, only to find the word.
  Prepared s(".&|AVISO|Mensaje");
  EXPECT_EQ(s->field(3), "Mensaje");
  EXPECT_EQ(Prepared("&%&&&|r|cambiarp|a|b|c")->keyword, nullptr);
  EXPECT_EQ(Prepared("&%|r|Today")->keyword, nullptr);
}

// Every statement shape the language has finds its family (the words themselves the help table holds both
// ways).
TEST(DispatchTable, EveryShapeHasItsFamily) {
  for (std::string_view shape :
       {"&m",   "&v",    "&~",         "&#",        "&&",       "@v",     "@~",     "@#",
        "&&+v", "&&-v",  "&&DIVv",     "&&*v",      "&&MODv",   "&&+~",   "&#+~",   "&@+~",
        "&~+&", "&~+@",  "&&+&",       "&&-&",      "&&*&",     "&&DIV&", "&&MOD&", "&~+~",
        ":",    ".&&&&", ".&&&&&&&&&", ".&&&&&&&&", ".&&&&&&&", ".&&&&&", ".&&&"})
    EXPECT_NE(find_family(shape), nullptr) << shape;
}

TEST(DispatchTable, UnknownInstructionTexts) {
  struct Row {
    const char* record;
    const char* text;
  };
  const Row rows[] = {
      {".|bailar", ".bailar"},      // unknown command word: shape then the word
      {".|BAILAR", ".BAILAR"},      // as written
      {"&%&|x|SEN|a", "&%&x"},      // unknown function word: shape then the target's name
      {"&%&&|r|SIN|a|b", "&%&&r"},  // a known function with too many operands
      {"&%&&&|r|cambiarp|a|b|c", "&%&&&r"},
      {"&|x", "&"},  // unknown shape: the shape alone
      {"#|campo", "#"},
      {"%|TODAY", "%"},
      {"::|a|b", "::"},
      {".&&&&&&|linea|a|b|c|d|e|f", ".&&&&&&"},
  };
  for (const Row& r : rows) {
    Prepared s(r.record);
    EXPECT_EQ(s->handler, nullptr) << r.record;
    EXPECT_EQ(unknown_instruction_text(*s), r.text) << r.record;
  }
}

TEST(DispatchTable, FieldsAreSplitAtBars) {
  Prepared s("&&+~|s|n|+|Total ");
  EXPECT_EQ(s->field_count, 5u);
  EXPECT_EQ(s->field(1), "&&+~");
  EXPECT_EQ(s->field(5), "Total ");
  EXPECT_EQ(s->field(6), "");
  EXPECT_EQ(Prepared("")->field_count, 1u);
  EXPECT_EQ(Prepared("&v|x|")->field(3), "");

  std::vector<std::string> records{".|codigo", "&v|x|5", "", ".&&|cmp|a|b", ".|fin"};
  PreparedStatements all(records);
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all.at(2).field(3), "5");
  EXPECT_EQ(all.at(3).field_count, 1u);
  EXPECT_EQ(all.at(4).field(4), "b");
  EXPECT_EQ(all.at(4).field(5), "");
  EXPECT_EQ(all.at(5).field(2), "fin");
}

}  // namespace
}  // namespace kal
