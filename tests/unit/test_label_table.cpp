#include "compiler/label_table.h"

#include <gtest/gtest.h>

namespace kal {
namespace {

TEST(LabelTable, EntriesCarryTheStatementNumber) {
  std::vector<std::string> records = {".|codigo", "&v|a|1",     "",        "'vc",
                                      "&v|b|2",   ".&|aviso|a", ":|bucle", ".|fin"};
  LabelTable table = LabelTable::build(records);
  ASSERT_EQ(table.entries().size(), 1u);
  EXPECT_EQ(table.entries()[0].text(), ":|bucle|7");
  EXPECT_EQ(table.find("bucle"), 7);
  EXPECT_EQ(table.find("Bucle"), 0);  // case-sensitive
  EXPECT_EQ(table.find("otro"), 0);
}

TEST(LabelTable, OnlySingleLabelStatementsWithPlainNames) {
  LabelTable table = LabelTable::build({":|mi bucle", "::|a|b", ":&|x|y", ":|a\r\nb", ":|otra", ":|Fin2"});
  ASSERT_EQ(table.entries().size(), 2u);
  EXPECT_EQ(table.entries()[0].text(), ":|otra|5");
  EXPECT_EQ(table.entries()[1].text(), ":|Fin2|6");
  EXPECT_EQ(table.find("mi bucle"), 0);
  EXPECT_EQ(table.find("a"), 0);
}

TEST(LabelTable, TheLastLabelOfANameWins) {
  LabelTable table = LabelTable::build({":|x", ":|y", ":|x", ".|fin"});
  EXPECT_EQ(table.find("x"), 3);
  EXPECT_EQ(table.find("y"), 2);
  EXPECT_EQ(table.entries().size(), 3u);
}

}  // namespace
}  // namespace kal
