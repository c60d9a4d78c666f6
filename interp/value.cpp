#include "interp/value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/extended.h"
#include "common/limits.h"
#include "compiler/token_class.h"

namespace kal {

// The value classes are the token classes of the compiler: a value typed into a dialog or read from a file
// is a number exactly when the same text written in a script would be a number literal.
ValueClass classify(std::string_view text) {
  if (is_integer_literal(text)) return ValueClass::Integer;
  if (is_decimal_literal(text)) return ValueClass::Decimal;
  if (is_word(text)) return ValueClass::General;
  return ValueClass::None;
}

std::string_view working_text(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  return text.substr(0, limits::kMaxValueLength);
}

float decimal_value(std::string_view t) {
  float value = 0;
#if defined(__cpp_lib_to_chars)
  auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  (void)end;
  const bool out_of_range = error == std::errc::result_out_of_range;
#else
  // A library without from_chars for floats (the browser build's): its strtof is exact as well, and its
  // infinity and zero are the answers below.
  value = std::strtof(std::string(t).c_str(), nullptr);
  const bool out_of_range = std::isinf(value);
#endif
  if (out_of_range) {
    // Too small underflows to zero; too large is infinite. Only digits and one point reach here, so the
    // digits before the point tell which.
    std::string_view whole = t.substr(0, t.find('.'));
    bool large = whole.find_first_not_of('0') != std::string_view::npos;
    return large ? std::numeric_limits<float>::infinity() : 0.0f;
  }
  return value;
}

long double integer_value(std::string_view t) {
  long double value = 0;
  for (char c : t) value = ext::add(ext::mul(value, 10), c - '0');
  return value;
}

int compare_integer_texts(std::string_view a, std::string_view b) {
  auto significant = [](std::string_view t) {
    std::size_t first = t.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view() : t.substr(first);
  };
  a = significant(a);
  b = significant(b);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

}  // namespace kal
