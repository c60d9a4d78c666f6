#include "interp/variable_store.h"

#include <gtest/gtest.h>

#include <string>

namespace kal {
namespace {

using Rule = VariableStore::WriteRule;

TEST(VariableStore, DeclareGivesTheLowestFreeSlotOnce) {
  VariableStore store('&', Rule::Replace, 5);
  EXPECT_EQ(store.declare("b"), 1u);
  EXPECT_EQ(store.declare("a"), 2u);
  EXPECT_EQ(store.declare("b"), 1u);  // never a second slot for one name
  EXPECT_EQ(store.size(), 2u);
  EXPECT_EQ(store.value(2), "");
  EXPECT_EQ(store.index("a"), 2u);
  EXPECT_EQ(store.index("c"), 0u);
}

TEST(VariableStore, NamesAreCaseSensitiveBytes) {
  VariableStore store('&', Rule::Replace, 5);
  std::size_t lower = store.declare("total");
  std::size_t upper = store.declare("Total");
  std::size_t accented = store.declare("a\xF1o");
  EXPECT_NE(lower, upper);
  EXPECT_NE(store.declare("ano"), accented);
  store.write(lower, "1");
  store.write(upper, "2");
  EXPECT_EQ(store.value(store.index("total")), "1");
  EXPECT_EQ(store.value(store.index("Total")), "2");
}

TEST(VariableStore, ReplaceAndWriteOnce) {
  VariableStore vars('&', Rule::Replace, 3);
  std::size_t x = vars.declare("x");
  vars.write(x, "uno");
  vars.write(x, "dos");
  EXPECT_EQ(vars.value(x), "dos");
  vars.write(x, "");
  EXPECT_EQ(vars.value(x), "");

  VariableStore constants('@', Rule::Once, 3);
  std::size_t c = constants.declare("c");
  constants.write(c, "");  // an empty value keeps the constant open
  constants.write(c, "uno");
  constants.write(c, "dos");
  constants.write(c, "");
  EXPECT_EQ(constants.value(c), "uno");
}

TEST(VariableStore, CapacityIsTheNumberOfSlots) {
  VariableStore store('&', Rule::Replace, 2);
  EXPECT_EQ(store.declare("a"), 1u);
  EXPECT_EQ(store.declare("b"), 2u);
  EXPECT_EQ(store.declare("c"), 0u);  // full: no third slot, nothing written anywhere
  EXPECT_EQ(store.declare("a"), 1u);  // known names still resolve
  EXPECT_EQ(store.size(), 2u);
  EXPECT_EQ(store.index("c"), 0u);
}

TEST(VariableStore, KeepsLongValuesWhole) {
  // The cut to 63999 characters happens when a value is read through the working buffer, not when stored.
  VariableStore store('&', Rule::Replace, 1);
  std::size_t s = store.declare("s");
  store.write(s, std::string(70000, 'x'));
  EXPECT_EQ(store.value(s).size(), 70000u);
}

TEST(VariableStore, WritesAViewOfItsOwnValue) {
  VariableStore store('&', Rule::Replace, 2);
  std::size_t a = store.declare("a");
  store.write(a, "abcdef");
  std::string_view self = store.value(a);
  store.write(a, self);
  EXPECT_EQ(store.value(a), "abcdef");
  store.write(a, self.substr(2, 3));
  EXPECT_EQ(store.value(a), "cde");
}

TEST(VariableStore, ValuesStayPutWhileSlotsAreAdded) {
  VariableStore store('&', Rule::Replace, 5000);
  std::size_t first = store.declare("first");
  store.write(first, "short");
  std::string_view view = store.value(first);
  for (int i = 0; i < 4000; ++i) store.declare("v" + std::to_string(i));
  EXPECT_EQ(view.data(), store.value(first).data());
  EXPECT_EQ(view, "short");
}

}  // namespace
}  // namespace kal
