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
// The same, done inside the file's own buffer: the joined text is never longer, so no second copy is needed.
void join_lines_in_place(std::string& bytes);

namespace detail {
enum class CharKind : unsigned char { Word, Separator, Punctuation };
extern const std::array<CharKind, 256> kCharKinds;
}  // namespace detail

// Calls `take(token)` for every token of the text in order, as long as it returns true. Tokens are views into
// the text, each cut to 255 characters.
template <class Take>
void for_each_token(std::string_view text, Take take) {
  constexpr std::size_t kMaxLength = 255;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const detail::CharKind kind = detail::kCharKinds[static_cast<unsigned char>(text[i])];
    if (kind == detail::CharKind::Word) continue;
    if (i > start && !take(text.substr(start, std::min(i - start, kMaxLength)))) return;
    if (kind == detail::CharKind::Punctuation && !take(text.substr(i, 1))) return;
    start = i + 1;
  }
  if (start < text.size()) take(text.substr(start, std::min(text.size() - start, kMaxLength)));
}

// The tokens of the text as a list. Tokenizing stops after `max_tokens` tokens plus one, which is enough to
// tell that a script is too long without storing all of it.
std::vector<std::string_view> tokenize(std::string_view text, std::size_t max_tokens);

// What the limits and the outer-form checks need to know of a script, gathered in one pass without keeping
// its tokens. Plain counters: a 16-bit one could wrap and then let 65536 ".codigo" tokens pass "only one".
struct OuterForm {
  std::size_t tokens = 0;      // stops counting at the limit plus one
  std::size_t statements = 0;  // ";" tokens
  std::size_t codigo = 0;      // ".codigo" tokens
  std::size_t fin = 0;         // ".fin" tokens
  std::string_view first, before_last, last;
  void count(std::string_view token);
};
OuterForm survey(std::string_view text, std::size_t max_tokens);

// The message of the first outer-form check that fails, or nothing when the form is accepted.
std::optional<std::string_view> check_outer_form(const OuterForm& form);

}  // namespace kal
