#include "values/value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/char_set.h"
#include "common/extended.h"
#include "common/limits.h"

namespace kal {

namespace {

const CharSet kDigits("1234567890", kExact);
const CharSet kDecimalSet("1234567890.", kExact);

CharSet make_word_set() {
  CharSet set(
      "\xC7=<>\xBA\xAA?\xBF!\xA1#&%~-+*[]{}$\x80()@1234567890\xF1\xE1\xE9\xED\xF3\xFA\xFC"
      "QWERTYUIOPASDFGHJKLZXCVBNM\xD1qwertyuiopasdfghjklzxcvbnm_.:,;/ \\",
      kFolded);
  // £ ¥ ß and the line-break characters are listed beside the quoted set.
  for (unsigned char c : {0xA3, 0xA5, 0xDF, 0x0D, 0x0A}) set.add(c);
  return set;
}
const CharSet kWordSet = make_word_set();

}  // namespace

bool is_integer_literal(std::string_view t) {
  return !t.empty() && kDigits.all_of(t);
}

// Three characters at least: "1." and ".5" are not numbers, so ".5" stays a command word.
bool is_decimal_literal(std::string_view t) {
  return t.size() >= 3 && std::count(t.begin(), t.end(), '.') == 1 && kDecimalSet.all_of(t);
}

// Numbers are not words: a comment still stores them as values.
bool is_word(std::string_view t) {
  return !t.empty() && kWordSet.all_of(t) && !kDecimalSet.all_of(t);
}

ValueClass classify(std::string_view text) {
  if (is_integer_literal(text)) return ValueClass::Integer;
  if (is_decimal_literal(text)) return ValueClass::Decimal;
  if (is_word(text)) return ValueClass::General;
  return ValueClass::None;
}

std::string_view class_name(std::string_view text) {
  switch (classify(text)) {
    case ValueClass::Integer:
      return "entero";
    case ValueClass::Decimal:
      return "decimal";
    case ValueClass::General:
      return "texto";
    case ValueClass::None:
      break;
  }
  return text.find('|') != std::string_view::npos ? "lista" : "sin clase";
}

std::string_view working_text(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  return text.substr(0, limits::kMaxValueLength);
}

float decimal_value(std::string_view t) {
  // Most decimal texts are short: up to 7 digits with at most 10 after the point are an exact integer divided
  // by an exact power of ten, which one correctly rounded float division turns into the nearest float.
  static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  if (t.size() <= 11) {
    std::uint64_t digits = 0;
    int after_point = -1;
    for (char c : t) {
      if (c == '.') {
        after_point = 0;
        continue;
      }
      digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
      if (after_point >= 0) ++after_point;
    }
    if (digits < (1u << 24) && after_point >= 0 && after_point <= 10)
      return static_cast<float>(digits) / kPowersOfTen[after_point];
  }
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
  // Up to 19 digits fit 64 bits exactly; longer texts go on in extended precision, a rounding a digit.
  std::uint64_t whole = 0;
  std::size_t i = 0;
  for (; i < t.size() && i < 19; ++i) whole = whole * 10 + static_cast<std::uint64_t>(t[i] - '0');
  long double value = static_cast<long double>(whole);
  for (; i < t.size(); ++i) value = ext::add(ext::mul(value, 10), t[i] - '0');
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
