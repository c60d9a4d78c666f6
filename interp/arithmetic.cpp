#include "interp/arithmetic.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "common/extended.h"
#include "values/number_format.h"
#include "values/number_reading.h"
#include "values/value.h"

namespace kal {
namespace {

constexpr int kDigits = 15;
constexpr int kFloatDigits = 7;  // what a 32-bit float can tell apart

// Integer texts are whole numbers (exact up to 2^64); decimal texts are the 32-bit floats they stand for.
long double number(std::string_view t, ValueClass c) {
  return c == ValueClass::Integer ? integer_value(t) : static_cast<long double>(decimal_value(t));
}

bool is_number(ValueClass c) {
  return c == ValueClass::Integer || c == ValueClass::Decimal;
}

std::string concat(std::string_view x, std::string_view y) {
  std::string out;
  out.reserve(x.size() + y.size());
  out += x;
  out += y;
  return out;
}

// Whole numbers below 10^15 print as their digits whichever way they are computed; these are most of what
// scripts count with, so short integer texts take an exact 64-bit route. Nothing when it does not apply.
std::optional<std::string> small_integer_text(__int128 value) {
  constexpr __int128 kLimit = 1000000000000000;  // 10^15: 15 significant digits
  if (value <= -kLimit || value >= kLimit) return std::nullopt;
  char digits[24];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(value));
  (void)error;
  return std::string(digits, end);
}

std::optional<std::string> small_integer_result(Operator op, std::string_view a, std::string_view b) {
  const auto x = read_plain_digits(a);
  const auto y = read_plain_digits(b);
  if (!x || !y) return std::nullopt;
  switch (op) {
    case Operator::Add:
      return small_integer_text(static_cast<__int128>(*x) + *y);
    case Operator::Subtract:
      return small_integer_text(static_cast<__int128>(*x) - *y);
    case Operator::Multiply:
      return small_integer_text(static_cast<__int128>(*x) * *y);
    default:
      return std::nullopt;  // DIV and MOD give fractions and remainders of the extended-precision values
  }
}

// A number shown inside a joined text: integers plainly, decimals as their float's 7 digits.
std::string number_for_join(std::string_view t, ValueClass c) {
  if (c == ValueClass::Integer) {
    if (auto x = read_plain_digits(t))
      if (auto text = small_integer_text(*x)) return *text;
    return plain_number_text(integer_value(t), kDigits);
  }
  return display_format(decimal_value(t), kFloatDigits);
}

}  // namespace

Operator operator_of(std::string_view f) {
  if (f == "+") return Operator::Add;
  if (f == "-") return Operator::Subtract;
  if (f == "*") return Operator::Multiply;
  if (f == "DIV") return Operator::Divide;
  return Operator::Modulo;
}

long double apply(Operator op, long double a, long double b) {
  switch (op) {
    case Operator::Add:
      return ext::add(a, b);
    case Operator::Subtract:
      return ext::sub(a, b);
    case Operator::Multiply:
      return ext::mul(a, b);
    case Operator::Divide:
      return ext::div(a, b);
    case Operator::Modulo:
      return b == 0 ? 0.0L : std::fmod(a, b);
  }
  return 0;
}

std::string combine(Operator op, std::string_view a, std::string_view b, bool b_is_literal) {
  const ValueClass ca = classify(a);
  const ValueClass cb = classify(b);
  if (ca == ValueClass::Integer && cb == ValueClass::Integer)
    if (auto text = small_integer_result(op, a, b)) return *text;
  if (is_number(ca) && is_number(cb)) {
    long double r = apply(op, number(a, ca), number(b, cb));
    if (ca == ValueClass::Integer && cb == ValueClass::Integer) return plain_number_text(r, kDigits);
    bool both_decimal = ca == ValueClass::Decimal && cb == ValueClass::Decimal;
    return display_format(r, both_decimal && op != Operator::Modulo ? kFloatDigits : kDigits);
  }
  if (op != Operator::Add) return std::string(a);
  if (ca == ValueClass::General && is_number(cb)) {
    // A literal's integer is rewritten plainly (007 joins as 7); a variable's joins as written.
    if (cb == ValueClass::Integer && !b_is_literal) return concat(a, b);
    return concat(a, number_for_join(b, cb));
  }
  if (is_number(ca) && cb == ValueClass::General) {
    if (ca == ValueClass::Integer) return concat(a, b);
    return concat(display_format(decimal_value(a), kFloatDigits), b);
  }
  if (ca == ValueClass::General && cb == ValueClass::General) return concat(a, b);
  return std::string(a);
}

std::string join_literal_after(std::string_view a, std::string_view literal) {
  const ValueClass ca = classify(a);
  if (classify(literal) != ValueClass::General) return std::string(a);
  if (is_number(ca)) return concat(number_for_join(a, ca), literal);
  if (ca == ValueClass::General) return concat(a, literal);
  return std::string(a);
}

std::string join_literal_before(std::string_view literal, std::string_view b) {
  const ValueClass cb = classify(b);
  if (classify(literal) != ValueClass::General) return std::string(literal);
  if (is_number(cb)) return concat(literal, number_for_join(b, cb));
  if (cb == ValueClass::General) return concat(literal, b);
  return std::string(literal);
}

}  // namespace kal
