#include "interp/compare.h"

#include "values/value.h"

namespace kal {
namespace {

enum class OrderKind {
  Ordered,    // the sign says how a stands to b
  Mixed,      // a number and a text: never ordered, the comparison fails
  Unordered,  // a value in no class: the pair says nothing and the flag stays
};

struct Order {
  OrderKind kind;
  int sign = 0;
};

template <typename T>
int sign_of(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

Order order(std::string_view a, std::string_view b) {
  ValueClass ca = classify(a);
  ValueClass cb = classify(b);
  if (ca == ValueClass::None || cb == ValueClass::None) return {OrderKind::Unordered};
  bool a_number = ca != ValueClass::General;
  bool b_number = cb != ValueClass::General;
  if (a_number != b_number) return {OrderKind::Mixed};
  if (!a_number) {
    // Byte order on the Windows-1252 codes; a prefix sorts first.
    int c = a.compare(b);
    return {OrderKind::Ordered, c < 0 ? -1 : (c > 0 ? 1 : 0)};
  }
  if (ca == ValueClass::Integer && cb == ValueClass::Integer)
    return {OrderKind::Ordered, compare_integer_texts(a, b)};
  if (ca == ValueClass::Decimal && cb == ValueClass::Decimal)
    return {OrderKind::Ordered, sign_of(decimal_value(a), decimal_value(b))};
  auto number = [](std::string_view t, ValueClass c) {
    return c == ValueClass::Integer ? integer_value(t) : static_cast<long double>(decimal_value(t));
  };
  return {OrderKind::Ordered, sign_of(number(a, ca), number(b, cb))};
}

bool holds(Comparison how, int sign) {
  switch (how) {
    case Comparison::Greater:
      return sign > 0;
    case Comparison::Less:
      return sign < 0;
    case Comparison::GreaterOrEqual:
      return sign >= 0;
    case Comparison::LessOrEqual:
      return sign <= 0;
    case Comparison::Same:
    case Comparison::Different:
      break;
  }
  return false;
}

// Calls f on each "|"-separated element; a text without "|", the empty text included, is one element. Stops
// when f returns true.
template <typename F>
bool any_element(std::string_view list, F f) {
  for (;;) {
    std::size_t bar = list.find('|');
    if (f(list.substr(0, bar))) return true;
    if (bar == std::string_view::npos) return false;
    list.remove_prefix(bar + 1);
  }
}

}  // namespace

std::int32_t compare_pair(Comparison how, std::string_view a, std::string_view b, std::int32_t flag) {
  if (how == Comparison::Same) return a == b ? 1 : 0;
  if (how == Comparison::Different) return a != b ? 1 : 0;
  Order o = order(a, b);
  switch (o.kind) {
    case OrderKind::Ordered:
      return holds(how, o.sign) ? 1 : 0;
    case OrderKind::Mixed:
      return 0;
    case OrderKind::Unordered:
      break;
  }
  return flag;
}

std::int32_t compare_values(Comparison how, std::string_view a, std::string_view b, std::int32_t flag) {
  any_element(a, [&](std::string_view x) {
    return any_element(b, [&](std::string_view y) {
      flag = compare_pair(how, x, y, flag);
      return flag == 1;
    });
  });
  return flag;
}

}  // namespace kal
