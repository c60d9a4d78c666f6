#include "interp/compare.h"

#include <unordered_set>

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

// A value classified once, with the number it stands for, so that a list's elements are read once however
// many pairs they take part in.
struct Prepared {
  std::string_view text;
  ValueClass cls = ValueClass::None;
  float decimal = 0;       // a decimal text's value
  long double number = 0;  // an integer's or a decimal's value, for pairs of both kinds
};

Prepared prepare(std::string_view t) {
  Prepared p{t, classify(t)};
  if (p.cls == ValueClass::Decimal) p.number = p.decimal = decimal_value(t);
  if (p.cls == ValueClass::Integer) p.number = integer_value(t);
  return p;
}

Order order(const Prepared& a, const Prepared& b) {
  if (a.cls == ValueClass::None || b.cls == ValueClass::None) return {OrderKind::Unordered};
  bool a_number = a.cls != ValueClass::General;
  bool b_number = b.cls != ValueClass::General;
  if (a_number != b_number) return {OrderKind::Mixed};
  if (!a_number) {
    // Byte order on the Windows-1252 codes; a prefix sorts first.
    int c = a.text.compare(b.text);
    return {OrderKind::Ordered, c < 0 ? -1 : (c > 0 ? 1 : 0)};
  }
  if (a.cls == ValueClass::Integer && b.cls == ValueClass::Integer)
    return {OrderKind::Ordered, compare_integer_texts(a.text, b.text)};
  if (a.cls == ValueClass::Decimal && b.cls == ValueClass::Decimal)
    return {OrderKind::Ordered, sign_of(a.decimal, b.decimal)};
  return {OrderKind::Ordered, sign_of(a.number, b.number)};
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

std::int32_t compare_prepared(Comparison how, const Prepared& a, const Prepared& b, std::int32_t flag) {
  if (how == Comparison::Same) return a.text == b.text ? 1 : 0;
  if (how == Comparison::Different) return a.text != b.text ? 1 : 0;
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

}  // namespace

std::int32_t compare_pair(Comparison how, std::string_view a, std::string_view b, std::int32_t flag) {
  if (how == Comparison::Same) return a == b ? 1 : 0;
  if (how == Comparison::Different) return a != b ? 1 : 0;
  return compare_prepared(how, prepare(a), prepare(b), flag);
}

std::int32_t compare_values(Comparison how, std::string_view a, std::string_view b, std::int32_t flag) {
  // The first pair alone decides when it leaves the flag at 1, even a flag that was 1 and a pair that says
  // nothing.
  const std::string_view a0 = a.substr(0, a.find('|')), b0 = b.substr(0, b.find('|'));
  if ((flag = compare_pair(how, a0, b0, flag)) == 1) return 1;
  if (a.size() == a0.size() && b.size() == b0.size()) return flag;
  // Past it the order of the pairs cannot change the outcome: 1 when some pair holds, else 0 when some pair
  // compared at all (a pair that fails, or a number against a text), else the flag as it was. Long lists
  // (tens of thousands of elements, a billion pairs) are then answered by what each element meets at the
  // extremes of the other list, in one pass over each.
  if (how == Comparison::Same || how == Comparison::Different) {
    std::unordered_set<std::string_view> seen;
    any_element(b, [&](std::string_view y) {
      seen.insert(y);
      return how == Comparison::Different && seen.size() > 1;
    });
    const bool held = any_element(a, [&](std::string_view x) {
      return how == Comparison::Same ? seen.contains(x) : seen.size() > 1 || !seen.contains(x);
    });
    return held ? 1 : 0;
  }
  // The extremes of b's elements of each class, each by the order its pairs use: texts byte by byte, whole
  // numbers exactly (their extended-precision values keep that order), decimals as single-precision values.
  struct Extremes {
    bool any = false;
    Prepared low, high;
  } texts, integers, decimals;
  const auto below = [](const Prepared& x, const Prepared& y) {
    if (x.cls == ValueClass::General) return x.text < y.text;
    if (x.cls == ValueClass::Integer) return compare_integer_texts(x.text, y.text) < 0;
    return x.decimal < y.decimal;
  };
  any_element(b, [&](std::string_view t) {
    const Prepared y = prepare(t);
    Extremes& e = y.cls == ValueClass::General ? texts : y.cls == ValueClass::Integer ? integers : decimals;
    if (y.cls == ValueClass::None) return false;
    if (!e.any || below(y, e.low)) e.low = y;
    if (!e.any || below(e.high, y)) e.high = y;
    e.any = true;
    return false;
  });
  const bool numbers = integers.any || decimals.any;
  // Greater and at least need b's smallest; less and at most its largest.
  const bool wants_low = how == Comparison::Greater || how == Comparison::GreaterOrEqual;
  bool compared = false;
  const bool held = any_element(a, [&](std::string_view t) {
    const Prepared x = prepare(t);
    if (x.cls == ValueClass::None) return false;
    const bool text = x.cls == ValueClass::General;
    compared = compared || texts.any || numbers;
    for (const Extremes* e : {&texts, &integers, &decimals}) {
      if (!e->any || (e == &texts) != text) continue;  // a number against a text never holds
      if (compare_prepared(how, x, wants_low ? e->low : e->high, 0) == 1) return true;
    }
    return false;
  });
  return held ? 1 : compared ? 0 : flag;
}

}  // namespace kal
