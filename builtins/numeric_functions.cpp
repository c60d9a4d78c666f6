#include "builtins/numeric_functions.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>
#include <utility>

#include "common/extended.h"
#include "values/number_format.h"
#include "values/number_reading.h"
#include "values/value.h"

namespace kal {

long double whole_power(std::int32_t base, std::int32_t exponent) {
  // Squaring keeps every partial product a whole number no larger than the result, so powers within 64 bits
  // come out exact on every build.
  long double result = 1;
  long double factor = base;
  for (std::int64_t e = std::abs(static_cast<std::int64_t>(exponent)); e != 0;) {
    if (e & 1) result = ext::mul(result, factor);
    e >>= 1;
    if (e != 0) factor = ext::mul(factor, factor);
  }
  if (exponent < 0) result = ext::div(1, result);
  return round_half_even(result);
}

std::int64_t colour_number(std::int32_t red, std::int32_t green, std::int32_t blue) {
  auto part = [](std::int32_t v) { return static_cast<std::int64_t>(std::clamp(v, 0, 255)); };
  return part(red) + 256 * part(green) + 65536 * part(blue);
}

std::int64_t draw_between(RandomGenerator& random, std::int32_t a, std::int32_t b) {
  const std::int64_t lo = std::min(a, b);
  const std::int64_t hi = std::max(a, b);
  return lo + static_cast<std::int64_t>(random.below(static_cast<std::uint64_t>(hi - lo + 1)));
}

std::uint64_t draw_up_to(RandomGenerator& random, std::uint64_t k) {
  // Drawing k's hexadecimal digits one by one, each bounded by the digit of k where the digit before matched,
  // would leave most numbers out (with k = 0x80000000, a 0 followed by anything but 0) and favour k itself.
  return k == UINT64_MAX ? random.next() : random.below(k + 1);
}

float decimals_step(int n) {
  // 10^-46 and smaller round to 0 as singles; longer texts would only repeat that.
  const int zeros = std::clamp(n - 1, 0, 50);
  std::string text = "0." + std::string(static_cast<std::size_t>(zeros), '0') + "1";
  return decimal_value(text);
}

int point_position_decimals(float a, float b) {
  auto position = [](float bound) {
    const std::string t = plain_number_text(bound, 7);
    const std::size_t point = t.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(point) + 1;
  };
  const int d = std::max(position(a), position(b));
  return d == 0 ? 1 : d;
}

long double draw_on_grid(RandomGenerator& random, float a, float b, float step, std::uint64_t seed) {
  if (b < a) std::swap(a, b);
  const long double k = round_half_even(ext::div(ext::sub(b, a), step));
  random.seed(seed);
  if (k <= 18446744073709551615.0L)
    return ext::sub(
        b, ext::mul(static_cast<long double>(draw_up_to(random, static_cast<std::uint64_t>(k))), step));
  // No grid of 64-bit step counts reaches from b to a (or the step is 0): an even fraction of the distance.
  const long double u = std::ldexp(static_cast<long double>(random.below(UINT64_MAX)), -64);
  return ext::sub(b, ext::mul(u, ext::sub(b, a)));
}

}  // namespace kal
