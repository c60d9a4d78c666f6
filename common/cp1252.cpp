#include "common/cp1252.h"

#include <array>

namespace kal::cp1252 {
namespace {

// Code points of 0x80-0x9F; the five holes keep their byte value, as MultiByteToWideChar does.
constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct CaseTables {
  std::array<unsigned char, 256> lower{};
  std::array<unsigned char, 256> upper{};
  constexpr CaseTables() {
    for (int c = 0; c < 256; ++c) lower[c] = upper[c] = static_cast<unsigned char>(c);
    auto pair = [this](int capital, int small) {
      lower[capital] = static_cast<unsigned char>(small);
      upper[small] = static_cast<unsigned char>(capital);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c)
      if (c != 0xD7) pair(c, c + 32);
    pair(0x8A, 0x9A);  // Š š
    pair(0x8C, 0x9C);  // Œ œ
    pair(0x8E, 0x9E);  // Ž ž
    pair(0x9F, 0xFF);  // Ÿ ÿ
  }
};
constexpr CaseTables kCase;

std::string map(std::string_view text, const std::array<unsigned char, 256>& table) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
  return out;
}

int byte_for(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == cp) return 0x80 + i;
  return -1;
}

}  // namespace

unsigned char to_lower(unsigned char c) {
  return kCase.lower[c];
}
unsigned char to_upper(unsigned char c) {
  return kCase.upper[c];
}
std::string lower(std::string_view text) {
  return map(text, kCase.lower);
}
std::string upper(std::string_view text) {
  return map(text, kCase.upper);
}
bool is_letter(unsigned char c) {
  if (kCase.lower[c] != c || kCase.upper[c] != c) return true;
  return c == 0x83 || c == 0x88 || c == 0xAA || c == 0xB5 || c == 0xBA || c == 0xDF;
}

char16_t to_unicode(unsigned char c) {
  return (c >= 0x80 && c < 0xA0) ? kHigh[c - 0x80] : char16_t{c};
}

std::u16string to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(to_unicode(static_cast<unsigned char>(c)));
  return out;
}

std::string from_utf16(std::u16string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    // A surrogate pair is one character outside the code page: one replacement, not two.
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      ++i;
    int b = byte_for(cp);
    out.push_back(b < 0 ? replacement : static_cast<char>(b));
  }
  return out;
}

std::string to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    char32_t cp = to_unicode(static_cast<unsigned char>(c));
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string from_utf8(std::string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) {  // stray or cut-off sequence
      out.push_back(replacement);
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += static_cast<std::size_t>(extra) + 1;
    int mapped = byte_for(cp);
    out.push_back(mapped < 0 ? replacement : static_cast<char>(mapped));
  }
  return out;
}

std::optional<std::u16string> utf16_from_utf8(std::string_view text) {
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};  // below these, a longer form is refused
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80             ? 0
                      : (b & 0xE0) == 0xC0 ? 1
                      : (b & 0xF0) == 0xE0 ? 2
                      : (b & 0xF8) == 0xF0 ? 3
                                           : -1;
    if (extra < 0 || (extra > 0 && i + static_cast<std::size_t>(extra) >= text.size())) return std::nullopt;
    char32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::optional<std::string> from_utf8_exact(std::string_view text) {
  const std::optional<std::u16string> units = utf16_from_utf8(text);
  if (!units) return std::nullopt;
  std::string out;
  out.reserve(units->size());
  for (char16_t unit : *units) {
    const int mapped = unit >= 0xD800 && unit <= 0xDFFF ? -1 : byte_for(unit);
    if (mapped < 0) return std::nullopt;
    out.push_back(static_cast<char>(mapped));
  }
  return out;
}

}  // namespace kal::cp1252
