#include "common/name_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kal {
namespace {

TEST(NameIndex, FindsWhatWasInsertedAndNothingElse) {
  NameIndex<int> index;
  EXPECT_EQ(index.find("a", -1), -1);  // empty
  index.insert("total", 1);
  index.insert("Total", 2);
  index.insert("a\xF1o", 3);
  index.insert("", 4);
  EXPECT_EQ(index.find("total", -1), 1);
  EXPECT_EQ(index.find("Total", -1), 2);  // bytes, case and all
  EXPECT_EQ(index.find("a\xF1o", -1), 3);
  EXPECT_EQ(index.find("", -1), 4);
  EXPECT_EQ(index.find(std::string_view(), -1), 4);  // an empty view is the empty name
  EXPECT_EQ(index.find("tota", -1), -1);
  EXPECT_EQ(index.size(), 4u);
}

TEST(NameIndex, TheFirstValueOfANameStays) {
  NameIndex<int> index;
  index.insert("x", 1);
  index.insert("x", 2);
  EXPECT_EQ(index.find("x", 0), 1);
  EXPECT_EQ(index.size(), 1u);
}

TEST(NameIndex, KeepsEveryNameWhileItGrows) {
  std::vector<std::string> names;
  for (int i = 0; i < 5000; ++i) names.push_back("v" + std::to_string(i));
  NameIndex<int> index;
  for (int i = 0; i < 5000; ++i) index.insert(names[static_cast<std::size_t>(i)], i);
  for (int i = 0; i < 5000; ++i) EXPECT_EQ(index.find(names[static_cast<std::size_t>(i)], -1), i);
  EXPECT_EQ(index.find("v5000", -1), -1);
}

}  // namespace
}  // namespace kal
