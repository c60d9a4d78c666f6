#include "values/number_format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/extended.h"

namespace kal {
namespace {

// A non-negative number as decimal digits: value = 0.d1 d2 d3 ... x 10^point. No leading zeros; zero has no
// digits.
struct Decimal {
  std::string digits;
  int point = 0;
};

// Arbitrary-precision unsigned integer, little-endian in base 2^32: just enough to write an
// extended-precision number's exact decimal expansion.
class BigUnsigned {
 public:
  explicit BigUnsigned(std::uint64_t v)
      : limbs_{static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)} {
    trim();
  }
  void multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      std::uint64_t product = static_cast<std::uint64_t>(limb) * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }
  void shift_left(int bits) {
    std::vector<std::uint32_t> shifted(static_cast<std::size_t>(bits / 32) + limbs_.size(), 0u);
    std::copy(limbs_.begin(), limbs_.end(), shifted.end() - static_cast<std::ptrdiff_t>(limbs_.size()));
    limbs_.swap(shifted);
    bits %= 32;
    if (bits == 0) return;
    std::uint32_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      std::uint32_t next = limb >> (32 - bits);
      limb = (limb << bits) | carry;
      carry = next;
    }
    if (carry != 0) limbs_.push_back(carry);
  }
  std::string to_decimal() const {
    std::vector<std::uint32_t> n = limbs_;
    std::vector<std::uint32_t> chunks;  // base 10^9, least significant first
    while (!n.empty()) {
      std::uint64_t rest = 0;
      for (std::size_t i = n.size(); i-- > 0;) {
        std::uint64_t cur = (rest << 32) | n[i];
        n[i] = static_cast<std::uint32_t>(cur / 1000000000u);
        rest = cur % 1000000000u;
      }
      chunks.push_back(static_cast<std::uint32_t>(rest));
      while (!n.empty() && n.back() == 0) n.pop_back();
    }
    std::string out = chunks.empty() ? "" : std::to_string(chunks.back());
    for (std::size_t i = chunks.size() - 1; i-- > 0;) {
      std::string part = std::to_string(chunks[i]);
      out.append(9 - part.size(), '0');
      out += part;
    }
    return out;
  }

 private:
  void trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }
  std::vector<std::uint32_t> limbs_;
};

std::string to_decimal(unsigned __int128 v) {
  if (v == 0) return "";
  char buffer[40];
  char* end = buffer + sizeof buffer;
  char* p = end;
  while (v != 0) {
    *--p = static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  }
  return std::string(p, end);
}

constexpr auto kPowersOfTen = [] {
  std::array<long double, 19> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// 5^e for e <= 13, the largest power of five in 32 bits.
std::uint32_t power_of_five(int e) {
  std::uint32_t p = 1;
  while (e-- > 0) p *= 5;
  return p;
}

// The exact value of a finite non-negative extended-precision number: every binary fraction has a finite
// decimal expansion, so no digit is guessed and both builds print the same text.
Decimal exact_decimal(long double x) {
  Decimal d;
  if (x == 0) return d;
  const ext::Parts parts = ext::decompose(x);  // x = mantissa * 2^power
  std::uint64_t mantissa = parts.significand;
  int power = parts.exponent;
  while ((mantissa & 1u) == 0 && power < 0) {
    mantissa >>= 1;
    ++power;
  }
  if (power >= 0) {
    if (power < 64) {
      d.digits = to_decimal(static_cast<unsigned __int128>(mantissa) << power);
    } else {
      BigUnsigned n(mantissa);
      n.shift_left(power);
      d.digits = n.to_decimal();
    }
    d.point = static_cast<int>(d.digits.size());
  } else {
    // mantissa / 2^k = mantissa * 5^k / 10^k.
    int k = -power;
    if (k <= 27) {
      unsigned __int128 v = mantissa;
      for (int i = 0; i < k; ++i) v *= 5;
      d.digits = to_decimal(v);
    } else {
      BigUnsigned n(mantissa);
      for (int left = k; left > 0; left -= 13) n.multiply(power_of_five(std::min(left, 13)));
      d.digits = n.to_decimal();
    }
    d.point = static_cast<int>(d.digits.size()) - k;
  }
  d.digits.erase(d.digits.find_last_not_of('0') + 1);
  return d;
}

// Keeps the first `keep` digits, rounding half away from zero on the exact value. keep may be 0 or negative
// (rounding to a position before the first digit).
void round_to(Decimal& d, int keep) {
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
  d.digits.resize(static_cast<std::size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9')
      d.digits[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++d.digits[static_cast<std::size_t>(i)];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    }
  }
  d.digits.erase(d.digits.find_last_not_of('0') + 1);
  if (d.digits.empty()) d.point = 0;
}

// Results that are not finite (a division by zero) get words, so a script shows what happened and later
// arithmetic treats them as texts.
std::string not_finite_text(long double x) {
  if (std::isnan(x)) return "Indefinido";
  return x < 0 ? "-Infinito" : "Infinito";
}

std::string exponent_form(const Decimal& d) {
  std::string out(1, d.digits[0]);
  if (d.digits.size() > 1) {
    out += '.';
    out.append(d.digits, 1);
  }
  int e = d.point - 1;
  out += e >= 0 ? "E+" : "E-";
  out += std::to_string(e >= 0 ? e : -e);
  return out;
}

}  // namespace

namespace {

// The plain number text of an exact value (taken by copy: the caller may still need it unrounded).
std::string plain_text(Decimal d, bool negative, int n) {
  if (d.digits.empty()) return "0";
  round_to(d, n);
  const int k = static_cast<int>(d.digits.size());
  const int p = d.point;
  std::string out = negative ? "-" : "";
  if (p > n) {
    out += exponent_form(d);
  } else if (k <= p) {
    out += d.digits;
    out.append(static_cast<std::size_t>(p - k), '0');
  } else if (k - p > n) {
    out += exponent_form(d);
  } else if (p > 0) {
    out.append(d.digits, 0, static_cast<std::size_t>(p));
    out += '.';
    out.append(d.digits, static_cast<std::size_t>(p));
  } else {
    out += '.';
    out.append(static_cast<std::size_t>(-p), '0');
    out += d.digits;
  }
  return out;
}

}  // namespace

std::string plain_number_text(long double x, int n) {
  if (!std::isfinite(x)) return not_finite_text(x);
  // Whole numbers that fit the digit count, by far the most common result, are their digits: the same text
  // the exact expansion gives, without building it.
  const long double magnitude = std::fabs(x);
  if (n >= 1 && n <= 18 && magnitude < kPowersOfTen[n] && magnitude == std::floor(magnitude)) {
    if (magnitude == 0) return "0";
    std::string out = to_decimal(static_cast<std::uint64_t>(magnitude));
    if (x < 0) out.insert(out.begin(), '-');
    return out;
  }
  return plain_text(exact_decimal(magnitude), x < 0, n);
}

int decimal_count(std::string_view t) {
  std::size_t mark = t.find_last_of(".,");
  if (mark == std::string_view::npos || mark + 1 == t.size()) return 1;
  return static_cast<int>(t.size() - mark - 1);
}

namespace {

// A rounded value's whole digits and exactly `decimals` fraction digits.
struct Parts {
  std::string whole;
  std::string fraction;
};

Parts split_rounded(Decimal d, int decimals) {
  round_to(d, d.point + decimals);
  Parts p;
  if (d.point > 0) {
    p.whole = d.digits.substr(0, static_cast<std::size_t>(d.point));
    p.whole.append(static_cast<std::size_t>(d.point) - p.whole.size(), '0');
  }
  if (d.point < 0) p.fraction.assign(static_cast<std::size_t>(std::min(-d.point, decimals)), '0');
  if (static_cast<int>(d.digits.size()) > std::max(d.point, 0))
    p.fraction.append(d.digits, static_cast<std::size_t>(std::max(d.point, 0)));
  p.fraction.resize(static_cast<std::size_t>(decimals), '0');
  return p;
}

}  // namespace

std::string display_format(long double x, int n) {
  if (!std::isfinite(x)) return not_finite_text(x);
  // One exact expansion serves both the decimal count and the digits shown.
  Decimal d = exact_decimal(std::fabs(x));
  const int decimals = decimal_count(plain_text(d, x < 0, n));
  const Parts p = split_rounded(std::move(d), decimals);
  std::string out = x < 0 ? "-" : "";
  for (std::size_t i = 0; i < p.whole.size(); ++i) {
    if (i > 0 && (p.whole.size() - i) % 3 == 0) out += ',';
    out += p.whole[i];
  }
  out += '.';
  out += p.fraction;
  return out;
}

std::string fixed_decimals(long double x, int decimals) {
  if (!std::isfinite(x)) return not_finite_text(x);
  decimals = std::max(decimals, 0);
  const Parts p = split_rounded(exact_decimal(std::fabs(x)), decimals);
  // The sign is the value's, even when it rounds to zero (-0.001 to two places is -0.00).
  std::string out = x < 0 ? "-" : "";
  out += p.whole.empty() ? "0" : p.whole;
  if (decimals > 0) {
    out += '.';
    out += p.fraction;
  }
  return out;
}

}  // namespace kal
