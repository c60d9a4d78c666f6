#include "values/text_functions.h"

#include <cmath>

#include "common/cp1252.h"
#include "values/number_reading.h"

namespace kal {

std::string_view middle_string(std::string_view text, std::int64_t s, std::int64_t n) {
  const auto size = static_cast<std::int64_t>(text.size());
  if (n < 0) {
    n += size;
    if (n < 0) n = size;  // still negative: everything from the start on
  }
  if (s == 0) return {};
  if (s < 0) {
    if (size + s < 0) return {};
    s += size + 1;
  }
  if (s > size) return {};
  return text.substr(static_cast<std::size_t>(s - 1), static_cast<std::size_t>(n));
}

std::string_view left_string(std::string_view text, std::int64_t count) {
  return middle_string(text, 1, count);
}

std::string_view right_string(std::string_view text, std::int64_t n) {
  const auto size = static_cast<std::int64_t>(text.size());
  if (n < 0) n += size;
  // Still negative counts as a huge unsigned number: the whole text.
  if (n < 0 || n >= size) return text;
  return text.substr(static_cast<std::size_t>(size - n));
}

std::string_view select_field(std::string_view text, std::string_view separator, std::int64_t index) {
  if (separator.empty()) return text;
  std::int64_t count = 1;
  for (std::size_t at = text.find(separator); at != std::string_view::npos;
       at = text.find(separator, at + separator.size()))
    ++count;
  if (index < 0) index += count + 1;
  if (index <= 0 || index > count) return {};
  std::size_t start = 0;
  for (std::int64_t i = 1; i < index; ++i) start = text.find(separator, start) + separator.size();
  std::size_t end = text.find(separator, start);
  return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::string replace_all(std::string_view search, std::string_view replacement, std::string_view text,
                        std::size_t keep) {
  if (search.empty() || text.empty()) return std::string(text.substr(0, keep));
  std::string out;
  std::size_t from = 0;
  // A long replacement of a frequent piece would grow the text by its square; what lies past `keep` is cut
  // anyway.
  for (std::size_t at = text.find(search); at != std::string_view::npos && out.size() < keep;
       at = text.find(search, from)) {
    out.append(text, from, at - from);
    out += replacement;
    from = at + search.size();
  }
  if (out.size() < keep) out.append(text, from);
  if (out.size() > keep) out.resize(keep);
  return out;
}

std::string apply_mask(std::string_view value, std::string_view mask) {
  std::string packed;
  for (char c : value)
    if (c != ' ') packed += c;
  std::string out;
  std::size_t next = 0;
  for (char m : mask) {
    if (m == '#') {
      if (next < packed.size()) out += packed[next];
      ++next;
    } else {
      out += m == '_' ? ' ' : m;
    }
  }
  return out;
}

// The code's low byte; -1 is no character at all.
std::string character(std::int32_t code) {
  if (code == -1) return {};
  return std::string(1, static_cast<char>(code & 0xFF));
}

std::string capitalize_words(std::string_view text) {
  std::string out(text);
  bool after_letter = false;
  for (char& c : out) {
    auto u = static_cast<unsigned char>(c);
    bool letter = cp1252::is_letter(u);
    c = static_cast<char>(after_letter ? cp1252::to_lower(u) : cp1252::to_upper(u));
    after_letter = letter;
  }
  return out;
}

std::string_view trim_spaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::size_t trimmed_size(std::string_view text) {
  return trim_spaces(text).size();
}

std::string nif_letter(long double number) {
  static constexpr std::string_view kLetters = "TRWAGMYFPDXBNJZSQVHLCKE";
  long double index = round_half_even(std::fmod(number, 23.0L));
  if (!(index >= 0 && index < 23)) return {};
  return std::string(1, kLetters[static_cast<std::size_t>(index)]);
}

}  // namespace kal
