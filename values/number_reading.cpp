#include "values/number_reading.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <optional>

#include "common/extended.h"

namespace kal {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

long double read_radix(std::string_view t, int radix) {
  long double value = 0;
  for (char c : t) {
    int v = digit_value(c);
    if (v >= radix) break;
    value = ext::add(ext::mul(value, radix), v);
  }
  return value;
}

// 10^e by exact factors: powers of ten up to 10^27 are exact in extended precision, so a number of up to 19
// significant digits with a small exponent is read with a single rounding. The same steps on both builds give
// the same bits.
long double scale_by_ten(long double m, int e) {
  static const long double kExact[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
                                       1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
                                       1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
  while (e > 27) {
    m = ext::mul(m, kExact[27]);
    e -= 27;
    if (std::isinf(m)) return m;
  }
  while (e < -27) {
    m = ext::div(m, kExact[27]);
    e += 27;
    if (m == 0) return m;
  }
  return e >= 0 ? ext::mul(m, kExact[e]) : ext::div(m, kExact[-e]);
}

}  // namespace

long double read_number(std::string_view t) {
  std::size_t i = 0;
  while (i < t.size() && is_blank(t[i])) ++i;
  t.remove_prefix(i);
  if (t.size() >= 2 && t[0] == '&') {
    switch (t[1]) {
      case 'H':
      case 'h':
        return read_radix(t.substr(2), 16);
      case 'O':
      case 'o':
        return read_radix(t.substr(2), 8);
      case 'B':
      case 'b':
        return read_radix(t.substr(2), 2);
      default:
        return 0;
    }
  }
  i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  // Up to 19 significant digits are kept exactly; later ones only move the point.
  std::uint64_t mantissa = 0;
  int kept = 0;
  int exponent = 0;
  bool any_digit = false;
  bool seen_point = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c == '.' && !seen_point) {
      seen_point = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    any_digit = true;
    if (mantissa == 0 && c == '0') {
      if (seen_point) --exponent;
      continue;
    }
    if (kept < 19) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      ++kept;
      if (seen_point) --exponent;
    } else if (!seen_point) {
      ++exponent;
    }
  }
  if (!any_digit) return 0;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
    std::size_t j = i + 1;
    bool exponent_negative = false;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) exponent_negative = t[j++] == '-';
    if (j < t.size() && t[j] >= '0' && t[j] <= '9') {
      int written = 0;
      for (; j < t.size() && t[j] >= '0' && t[j] <= '9'; ++j)
        written = std::min(written * 10 + (t[j] - '0'), 100000);
      exponent += exponent_negative ? -written : written;
    }
  }
  long double value = mantissa == 0 ? 0.0L : scale_by_ten(static_cast<long double>(mantissa), exponent);
  return negative ? -value : value;
}

long double round_half_even(long double x) {
  if (!std::isfinite(x)) return x;
  long double below = std::floor(x);
  long double diff = x - below;
  if (diff > 0.5L) return below + 1;
  if (diff < 0.5L) return below;
  return std::fmod(below, 2.0L) == 0 ? below : below + 1;
}

std::optional<std::int64_t> read_plain_digits(std::string_view text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

namespace {

long double read_clamped(std::string_view text, long double low, long double high) {
  long double x = round_half_even(read_number(text));
  if (std::isnan(x)) return 0;
  return std::clamp(x, low, high);
}

}  // namespace

std::int32_t read_whole_number(std::string_view text) {
  if (auto digits = read_plain_digits(text))
    return static_cast<std::int32_t>(std::min<std::int64_t>(*digits, INT32_MAX));
  return static_cast<std::int32_t>(read_clamped(text, INT32_MIN, INT32_MAX));
}

std::int64_t read_long_whole_number(std::string_view text) {
  if (auto digits = read_plain_digits(text)) return *digits;
  // 2^63 - 1 is exact in extended precision, so the conversion cannot overflow.
  return static_cast<std::int64_t>(read_clamped(text, -9223372036854775808.0L, 9223372036854775807.0L));
}

std::int16_t read_short_whole_number(std::string_view text) {
  if (auto digits = read_plain_digits(text))
    return static_cast<std::int16_t>(std::min<std::int64_t>(*digits, INT16_MAX));
  return static_cast<std::int16_t>(read_clamped(text, INT16_MIN, INT16_MAX));
}

float to_single(long double x) {
  // Halfway between the largest single and the next power of two: beyond it a value rounds to infinity.
  constexpr long double kOverflow = static_cast<long double>(FLT_MAX) + 0x1p103L;
  if (std::isnan(x)) return NAN;
  if (x >= kOverflow) return INFINITY;
  if (x <= -kOverflow) return -INFINITY;
  return static_cast<float>(x);
}

}  // namespace kal
