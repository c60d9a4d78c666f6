// Plain-Spanish explanations the checker adds after the interpreter's own message, for the mistakes a
// beginner makes most: each says what went wrong and what to write instead. Messages are Windows-1252.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "interp/statement.h"

namespace kal::check {

// The codes of a shape, one per token: an operator word ("MOD", "DIV") is one code, and so is "BD".
std::vector<std::string_view> shape_codes(std::string_view shape);

// A field as the script writes it: the sigil of its code back in front (none for a number or an operator),
// blanks back to "_" and line breaks to "^".
std::string written(std::string_view code, std::string_view field);

// The shape of an unknown instruction in words, one per code: "variable, variable, +, variable".
std::string shape_in_words(const Statement& s);

// Why no rule runs this statement, when its record shows it: a misspelt or small-letter function, the wrong
// number of operands, a literal or constant where a variable belongs, more than one operation, a jump without
// a label. Empty when nothing is seen. `field` is the record field of the operand the hint names (0: none),
// for the problem to stand on that operand rather than on the statement.
// A word to write in place of the record field `field` ("." or "%" and the nearest word for a misspelt one).
// With lift, the field's literal goes first into a variable of its own, on a new line before the statement.
struct Replacement {
  std::size_t field = 0;
  std::string text;
  bool lift = false;
};
std::string statement_hint(const Statement& s, std::size_t& field, Replacement* replacement = nullptr);

// The first character a text literal cannot hold (after its "~"), or 0 when it holds none.
char first_refused_text_char(std::string_view token);
// How to get a character a text cannot hold: "%CAR 45".
std::string car_call(char c);

// The existing name nearest to `name` by edits, when it is near enough to be a slip of the fingers; else
// empty.
std::string nearest_name(std::string_view name, const std::vector<std::string>& names);

// The start of a suggestion: "¿Quería decir :vuelta?".
inline constexpr std::string_view kDidYouMean =
    "\xBF"
    "Quer\xED"
    "a decir ";

// The labels a jump can reach, as the script writes them (a label with "_" never registers).
std::vector<std::string> label_names(const PreparedStatements& statements);

// Command words that jump (lower case).
bool is_jump_word(std::string_view word);

}  // namespace kal::check
