// Reading a script file into one text, cutting it into tokens, and checking the script's outer form.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kal {

// Joins the lines of the file's bytes with nothing between them. A line ends at CR; one LF right after the CR
// belongs to the line end, a lone LF is an ordinary character. Ctrl-Z ends the file.
std::string join_lines(std::string_view bytes);
// The joining rule itself: calls keep(i) for each byte i of the file that the joined text holds, in order.
template <class Keep>
void for_each_joined_byte(std::string_view bytes, Keep keep) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\x1A') return;
    if (c == '\r') {
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      continue;
    }
    keep(i);
  }
}
// The same, done inside the file's own buffer: the joined text is never longer, so no second copy is needed.
void join_lines_in_place(std::string& bytes);

namespace detail {
enum class CharKind : unsigned char { Word, Separator, Punctuation };
extern const std::array<CharKind, 256> kCharKinds;
}  // namespace detail

// A byte that ends a word: a blank, or a character that always stands as a token of its own.
inline bool ends_word(char c) {
  return detail::kCharKinds[static_cast<unsigned char>(c)] != detail::CharKind::Word;
}
// A blank: it separates tokens and is none.
inline bool is_blank(char c) {
  return detail::kCharKinds[static_cast<unsigned char>(c)] == detail::CharKind::Separator;
}

// Calls `take(token)` for every whole token of the text in order, as long as it returns true. Tokens are
// views into the text.
template <class Take>
void for_each_whole_token(std::string_view text, Take take) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const detail::CharKind kind = detail::kCharKinds[static_cast<unsigned char>(text[i])];
    if (kind == detail::CharKind::Word) continue;
    if (i > start && !take(text.substr(start, i - start))) return;
    if (kind == detail::CharKind::Punctuation && !take(text.substr(i, 1))) return;
    start = i + 1;
  }
  if (start < text.size()) take(text.substr(start));
}

// A token as the compiler sees it: cut to 255 characters.
inline std::string_view cut_token(std::string_view token) {
  return token.substr(0, 255);
}

// The tokens as the compiler sees them.
template <class Take>
void for_each_token(std::string_view text, Take take) {
  for_each_whole_token(text, [&take](std::string_view token) { return take(cut_token(token)); });
}

// What the limits and the outer-form checks need to know of a script, gathered in one pass without keeping
// its tokens. Plain counters: a 16-bit one could wrap and then let 65536 ".codigo" tokens pass "only one".
struct OuterForm {
  std::size_t tokens = 0;                         // stops counting at the limit plus one
  std::size_t statements = 0;                     // ";" tokens
  std::size_t codigo = 0;                         // ".codigo" tokens
  std::size_t fin = 0;                            // ".fin" tokens
  std::size_t second_codigo = 0, second_fin = 0;  // token numbers (from 1) of the second of each, 0 if none
  std::string_view first, before_last, last;
  void count(std::string_view token);
};
OuterForm survey(std::string_view text, std::size_t max_tokens);

// An outer-form check that fails, and the number (from 1) of the token it is about (0: the script is empty).
struct OuterFormFailure {
  std::string_view message;
  std::size_t token;
};
// Every failing check, in the order the checks run.
std::vector<OuterFormFailure> outer_form_failures(const OuterForm& form);
// The message of the first outer-form check that fails, or nothing when the form is accepted.
std::optional<std::string_view> check_outer_form(const OuterForm& form);

}  // namespace kal
