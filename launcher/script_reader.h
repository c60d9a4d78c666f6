// Reading a script file into one text, cutting it into tokens, and checking the script's outer form.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kal {

// Joins the lines of the file's bytes with nothing between them. A line ends at CR; one LF right after the CR
// belongs to the line end, a lone LF is an ordinary character. Ctrl-Z ends the file.
std::string join_lines(std::string_view bytes);

// Tokens are views into the script text, each cut to 255 characters. Tokenizing stops after `max_tokens`
// tokens plus one, which is enough to tell that a script is too long without storing all of it.
std::vector<std::string_view> tokenize(std::string_view text, std::size_t max_tokens);

// Counters of the tokens that shape a script's outer form. Plain ints: a 16-bit counter could wrap and then
// let a script with 65536 ".codigo" tokens pass "only one".
struct OuterFormCounts {
  std::size_t statements = 0;  // ";" tokens
  std::size_t codigo = 0;      // ".codigo" tokens
  std::size_t fin = 0;         // ".fin" tokens
  void count(std::string_view token);
};

// The message of the first outer-form check that fails, or nothing when the form is accepted.
std::optional<std::string_view> check_outer_form(const std::vector<std::string_view>& tokens,
                                                 const OuterFormCounts& counts);

}  // namespace kal
