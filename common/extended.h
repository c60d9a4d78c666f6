// Extended precision: the 64-bit significand that Windows' x87 arithmetic rounds every step to. Where the
// compiler's long double is that type (x86) the operations below are the hardware's; elsewhere (WebAssembly,
// whose long double has a 113-bit significand) long double only holds the values, and every step that could
// give more than 64 significant bits goes through the software rounding here, so each build prints the same
// digits.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace kal {

// Round to nearest, ties to even, at 64 significant bits, whatever long double is. Inputs are taken as
// extended values (rounded first when they hold more bits). Subnormal results are not modelled: no script
// reaches 10^-4900.
namespace soft {
long double round(long double x);
long double add(long double a, long double b);
long double sub(long double a, long double b);
long double mul(long double a, long double b);
long double div(long double a, long double b);
long double sqrt(long double x);
// The circular functions with long double's own precision, for builds whose library computes them in double
// precision only; their results still want rounding to an extended value.
long double sin(long double x);
long double cos(long double x);
long double atan(long double x);
}  // namespace soft

namespace ext {

inline constexpr bool kHardware = LDBL_MANT_DIG == 64;

// A finite non-zero extended value as significand * 2^exponent, the significand's top bit set.
struct Parts {
  bool negative = false;
  int exponent = 0;
  std::uint64_t significand = 0;
};
Parts decompose(long double x);
// significand * 2^exponent (significand not 0), exact when the value is in range.
long double compose(bool negative, std::uint64_t significand, int exponent);

inline long double round(long double x) {
  if constexpr (kHardware) return x;
  return soft::round(x);
}
inline long double add(long double a, long double b) {
  if constexpr (kHardware) return a + b;
  return soft::add(a, b);
}
inline long double sub(long double a, long double b) {
  if constexpr (kHardware) return a - b;
  return soft::sub(a, b);
}
inline long double mul(long double a, long double b) {
  if constexpr (kHardware) return a * b;
  return soft::mul(a, b);
}
inline long double div(long double a, long double b) {
  if constexpr (kHardware) return a / b;
  return soft::div(a, b);
}

inline long double sqrt(long double x) {
  if constexpr (kHardware) return std::sqrt(x);
  return soft::sqrt(x);
}
inline long double sin(long double x) {
  if constexpr (kHardware) return std::sin(x);
  return soft::round(soft::sin(x));
}
inline long double cos(long double x) {
  if constexpr (kHardware) return std::cos(x);
  return soft::round(soft::cos(x));
}
inline long double atan(long double x) {
  if constexpr (kHardware) return std::atan(x);
  return soft::round(soft::atan(x));
}

}  // namespace ext
}  // namespace kal
