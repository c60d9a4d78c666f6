#include "common/extended.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace kal {
namespace {

using Wide = unsigned __int128;

static_assert(LDBL_MANT_DIG == 64 || LDBL_MANT_DIG == 113,
              "long double is the x87 or the IEEE quadruple type");

// The quadruple type's fields, read and written directly: its library's frexp and ldexp multiply in software.
constexpr int kQuadBias = 16383, kQuadFraction = 112;

[[maybe_unused]] Wide bits_of(long double x) {
  Wide b = 0;
  std::memcpy(&b, &x, sizeof x < sizeof b ? sizeof x : sizeof b);
  return b;
}

[[maybe_unused]] long double from_bits(Wide b) {
  long double x = 0;
  std::memcpy(&x, &b, sizeof x < sizeof b ? sizeof x : sizeof b);
  return x;
}

// A finite non-zero long double's whole significand (LDBL_MANT_DIG bits, the top one set) and exponent.
std::pair<Wide, int> wide_parts(long double x) {
  if constexpr (LDBL_MANT_DIG == 113) {
    const Wide b = bits_of(x);
    const int biased = static_cast<int>((b >> kQuadFraction) & 0x7FFF);
    Wide m = b & ((Wide(1) << kQuadFraction) - 1);
    if (biased != 0) return {m | (Wide(1) << kQuadFraction), biased - kQuadBias - kQuadFraction};
    int e = 1 - kQuadBias - kQuadFraction;  // subnormal: normalise
    while ((m >> kQuadFraction) == 0) {
      m <<= 1;
      --e;
    }
    return {m, e};
  } else {
    int e = 0;
    const long double fraction = std::frexp(std::fabs(x), &e);
    return {static_cast<Wide>(std::ldexp(fraction, LDBL_MANT_DIG)), e - LDBL_MANT_DIG};
  }
}

}  // namespace

namespace ext {

Parts decompose(long double x) {
  const auto [m, e] = wide_parts(x);
  constexpr int kDropped = LDBL_MANT_DIG - 64;
  return {std::signbit(x), e + kDropped, static_cast<std::uint64_t>(m >> kDropped)};
}

long double compose(bool negative, std::uint64_t significand, int exponent) {
  if constexpr (LDBL_MANT_DIG == 113) {
    const int shift = __builtin_clzll(significand);
    significand <<= shift;
    exponent -= shift;
    const int biased = exponent + 63 + kQuadBias;
    if (biased > 0 && biased < 0x7FFF) {
      const Wide fraction = (Wide(significand) << (kQuadFraction - 63)) & ((Wide(1) << kQuadFraction) - 1);
      return from_bits((Wide(negative ? 1 : 0) << 127) | (Wide(biased) << kQuadFraction) | fraction);
    }
  }
  const long double r = std::ldexp(static_cast<long double>(significand), exponent);
  return negative ? -r : r;
}

}  // namespace ext

namespace soft {
namespace {

int bit_length(Wide m) {
  const auto high = static_cast<std::uint64_t>(m >> 64);
  if (high != 0) return 128 - __builtin_clzll(high);
  const auto low = static_cast<std::uint64_t>(m);
  return low == 0 ? 0 : 64 - __builtin_clzll(low);
}

// m * 2^e rounded to 64 significant bits, ties to even; `sticky` says non-zero bits below m were dropped.
long double rounded(bool negative, Wide m, int e, bool sticky) {
  const int length = bit_length(m);
  std::uint64_t q = static_cast<std::uint64_t>(m);
  if (length > 64) {
    const int shift = length - 64;
    const Wide rest = m & ((Wide(1) << shift) - 1);
    const Wide half = Wide(1) << (shift - 1);
    q = static_cast<std::uint64_t>(m >> shift);
    const bool up = rest > half || (rest == half && (sticky || (q & 1) != 0));
    e += shift;
    if (up && ++q == 0) {
      q = std::uint64_t(1) << 63;
      ++e;
    }
  }
  return ext::compose(negative, q, e);
}

bool plain(long double a, long double b) {
  return a == 0 || b == 0 || !std::isfinite(a) || !std::isfinite(b);
}

}  // namespace

long double round(long double x) {
  if (x == 0 || !std::isfinite(x)) return x;
  const auto [m, e] = wide_parts(x);
  if ((m & ((Wide(1) << (LDBL_MANT_DIG - 64)) - 1)) == 0) return x;  // already an extended value
  return rounded(std::signbit(x), m, e, false);
}

long double add(long double a, long double b) {
  a = round(a);
  b = round(b);
  if (plain(a, b)) return a + b;  // exact: one of them, or what IEEE says of infinities and NaN
  ext::Parts x = ext::decompose(a);
  ext::Parts y = ext::decompose(b);
  if (x.exponent < y.exponent || (x.exponent == y.exponent && x.significand < y.significand)) std::swap(x, y);
  // 62 spare bits below the significands; the smaller one is shifted with round-to-odd (a lost bit sets the
  // lowest one), which keeps the final rounding exact.
  const Wide big = Wide(x.significand) << 62;
  Wide small = Wide(y.significand) << 62;
  const int d = x.exponent - y.exponent;
  if (d >= 127) {
    small = 1;
  } else if (d > 0) {
    const bool lost = (small & ((Wide(1) << d) - 1)) != 0;
    small = (small >> d) | Wide(lost ? 1 : 0);
  }
  const Wide sum = x.negative == y.negative ? big + small : big - small;
  if (sum == 0) return 0.0L;
  return rounded(x.negative, sum, x.exponent - 62, false);
}

long double sub(long double a, long double b) {
  return add(a, -b);
}

long double mul(long double a, long double b) {
  a = round(a);
  b = round(b);
  if (plain(a, b)) return a * b;
  const ext::Parts x = ext::decompose(a);
  const ext::Parts y = ext::decompose(b);
  return rounded(x.negative != y.negative, Wide(x.significand) * y.significand, x.exponent + y.exponent,
                 false);
}

long double div(long double a, long double b) {
  a = round(a);
  b = round(b);
  if (plain(a, b)) return a / b;
  const ext::Parts x = ext::decompose(a);
  const ext::Parts y = ext::decompose(b);
  // 66 or 67 quotient bits: the 64 kept, the rounding bit and one more; the remainder is the sticky part.
  const Wide n = Wide(x.significand) << 64;
  Wide q = n / y.significand;
  Wide r = n % y.significand;
  q = (q << 2) | ((r << 2) / y.significand);
  r = (r << 2) % y.significand;
  return rounded(x.negative != y.negative, q, x.exponent - y.exponent - 66, r != 0);
}

long double sqrt(long double x) {
  x = round(x);
  if (x <= 0 || !std::isfinite(x)) return std::sqrt(x);
  const ext::Parts u = ext::decompose(x);
  // The root of a 127- or 128-bit integer has exactly 64 bits; the exponent left over must be even.
  Wide n = Wide(u.significand) << 63;
  int e = u.exponent - 63;
  if ((e & 1) != 0) {
    n <<= 1;
    --e;
  }
  Wide root = 0;
  Wide rest = n;
  for (Wide bit = Wide(1) << 126; bit != 0; bit >>= 2) {
    if (rest >= root + bit) {
      rest -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
  }
  // rest = n - root^2; the root is never halfway, so it rounds up exactly when rest exceeds root.
  return rounded(false, rest > root ? root + 1 : root, e / 2, false);
}

namespace {

// pi/2 in two parts: the first short enough that k times it is exact, the second the rest.
constexpr long double kHalfPiHigh = 0xc90fdaa22168c234c4c6p-79L;
constexpr long double kHalfPiLow = 0x18a2e03707344a4093822299f31d0p-193L;
constexpr long double kHalfPi = 0x1921fb54442d18469898cc51701b8p-112L;

// Taylor series of sin (odd) or cos (even) for |r| <= pi/4, until the terms stop counting.
long double series(long double r, bool odd) {
  long double term = odd ? r : 1;
  long double sum = term;
  for (int n = odd ? 1 : 0; n < 80; n += 2) {
    term = -term * r * r / ((n + 1) * (n + 2));
    if (sum + term == sum) break;
    sum += term;
  }
  return sum;
}

long double circular(long double x, bool cosine) {
  if (!std::isfinite(x)) return std::sin(x);
  const long double k = std::nearbyint(x / kHalfPi);
  const long double r = (x - k * kHalfPiHigh) - k * kHalfPiLow;
  // The quadrant, with cos(x) = sin(x + pi/2).
  const auto quadrant = static_cast<long long>(std::fmod(k, 4.0L)) + (cosine ? 1 : 0);
  const long double v = series(r, quadrant % 2 == 0);
  return (((quadrant % 4) + 4) % 4) >= 2 ? -v : v;
}

long double wide_sqrt(long double v) {
  long double y = std::sqrt(static_cast<double>(v));
  for (int i = 0; i < 3; ++i) y = (y + v / y) / 2;
  return y;
}

}  // namespace

long double sin(long double x) {
  return circular(x, false);
}

long double cos(long double x) {
  return circular(x, true);
}

long double atan(long double x) {
  if (std::isnan(x)) return x;
  if (std::fabs(x) > 1) return (x > 0 ? kHalfPi : -kHalfPi) - atan(1 / x);
  // Halving the angle twice leaves |x| <= tan(pi/16), where the series converges quickly.
  for (int i = 0; i < 2; ++i) x = x / (1 + wide_sqrt(1 + x * x));
  long double term = x, sum = x;
  const long double square = x * x;
  for (int n = 3; n < 200; n += 2) {
    term = -term * square;
    const long double next = sum + term / n;
    if (next == sum) break;
    sum = next;
  }
  return 4 * sum;
}

}  // namespace soft
}  // namespace kal
