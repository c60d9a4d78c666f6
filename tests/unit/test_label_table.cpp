#include "compiler/label_table.h"

#include <gtest/gtest.h>

namespace kal {
namespace {

TEST(LabelTable, LabelsLeadToTheirStatementNumber) {
  std::vector<std::string> records = {".|codigo", "&v|a|1",     "",        "'vc",
                                      "&v|b|2",   ".&|aviso|a", ":|bucle", ".|fin"};
  LabelTable table = LabelTable::build(records);
  EXPECT_EQ(table.find("bucle"), 7);
  EXPECT_EQ(table.find("Bucle"), 0);  // case-sensitive
  EXPECT_EQ(table.find("otro"), 0);
}

TEST(LabelTable, OnlySingleLabelStatementsWithPlainNames) {
  LabelTable table = LabelTable::build({":|mi bucle", "::|a|b", ":&|x|y", ":|a\r\nb", ":|otra", ":|Fin2"});
  EXPECT_EQ(table.find("otra"), 5);
  EXPECT_EQ(table.find("Fin2"), 6);
  EXPECT_EQ(table.find("mi bucle"), 0);
  EXPECT_EQ(table.find("a"), 0);
  EXPECT_EQ(table.find("a\r\nb"), 0);
}

TEST(LabelTable, TheLastLabelOfANameWins) {
  LabelTable table = LabelTable::build({":|x", ":|y", ":|x", ".|fin"});
  EXPECT_EQ(table.find("x"), 3);
  EXPECT_EQ(table.find("y"), 2);
}

}  // namespace
}  // namespace kal
