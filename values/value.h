// Script values: every value is text. Arithmetic and comparisons classify a text on use.
#pragma once

#include <cstdint>
#include <string_view>

namespace kal {

enum class ValueClass {
  None,     // the empty text, ".5", "1.2.3", a list with "|", a text with a tab: no rule applies to it
  Integer,  // digits only
  Decimal,  // digits and exactly one ".", three characters at least
  General,  // the word characters, and not only digits and "."
};

ValueClass classify(std::string_view text);

// The class of a value in the words a person reads beside it (debugger, page): "entero", "decimal", "texto",
// "lista" (a text with "|", which no rule takes) or "sin clase". A "8,5" marked "texto" says why "+" joins
// it.
std::string_view class_name(std::string_view text);

// The class tests behind it, which are also the compiler's tests of number literals and of the words a
// comment holds: a value typed into a dialog or read from a file is a number exactly when the same text
// written in a script would be a number literal.
bool is_integer_literal(std::string_view t);
bool is_decimal_literal(std::string_view t);
bool is_word(std::string_view t);  // a word inside a comment; also "general text"

// The working buffer every value passes through: the text up to its first NUL, and 63999 characters at most.
std::string_view working_text(std::string_view text);

// A decimal text as the 32-bit float it stands for; beyond the float range it reads as infinity.
float decimal_value(std::string_view decimal_text);

// An integer text of any length as an extended-precision number (exact up to 2^64).
long double integer_value(std::string_view integer_text);

// Orders two integer texts by their exact value, whatever their length: <0, 0 or >0.
int compare_integer_texts(std::string_view a, std::string_view b);

}  // namespace kal
